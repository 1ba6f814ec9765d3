// The POSIX search for a program running from the game folder, over a folder laid out as /proc:
// one process a row, with its executable link, command line, environment and working folder.

#include "platform/posix/ProcessScan.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TestFolder.h"

namespace gridmoor {
namespace {

namespace fs = std::filesystem;
using testing::TestFolder;

struct FakeProcess {
  std::string exe;          // the link's target ("" for none: another user's process)
  std::string commandLine;  // arguments separated by '|'
  std::string environment;  // entries separated by '|'
  std::string cwd;          // relative to the test folder; "" for none
};

struct ScanCase {
  const char* name;
  FakeProcess process;
  std::optional<std::string> found;
};

// The layout every row runs over: a prefix whose C: is drive_c, the game in drive_c/GPL and a
// home whose ~/.wine is that prefix; "@" in a row stands for the test folder.
class ProcessScan : public ::testing::TestWithParam<ScanCase> {
 protected:
  ProcessScan() {
    fs::create_directories(folder.Native("prefix/drive_c/GPL/tools"));
    fs::create_directories(folder.Native("prefix/dosdevices"));
    fs::create_directory_symlink("../drive_c", folder.Native("prefix/dosdevices/c:"));
    fs::create_directory_symlink("/", folder.Native("prefix/dosdevices/z:"));
    fs::create_directories(folder.Native("home"));
    fs::create_directory_symlink("../prefix", folder.Native("home/.wine"));
    fs::create_directories(folder.Native("elsewhere/drive_c"));
    fs::create_directories(folder.Native("elsewhere/dosdevices"));
    fs::create_directory_symlink("../drive_c", folder.Native("elsewhere/dosdevices/c:"));
    fs::create_directories(folder.Native("proc"));
  }
  std::string At(std::string text) const {
    for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at))
      text.replace(at, 1, Root());
    return text;
  }
  static std::string Entries(std::string text) {
    for (char& c : text) {
      if (c == '|') c = '\0';
    }
    return text.empty() ? text : text + '\0';
  }
  void Add(const std::string& pid, const FakeProcess& process) {
    const fs::path dir = folder.Native("proc/" + pid);
    fs::create_directory(dir);
    if (!process.exe.empty()) fs::create_symlink(At(process.exe), dir / "exe");
    if (!process.cwd.empty()) fs::create_directory_symlink(At(process.cwd), dir / "cwd");
    WriteFile(dir / "cmdline", Entries(At(process.commandLine)));
    WriteFile(dir / "environ", Entries(At(process.environment)));
  }
  static void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::string Root() const { return fs::canonical(folder.Root()).string(); }
  std::string Game() const { return Root() + "/prefix/drive_c/GPL"; }
  std::optional<std::string> Find(const std::string& self = "1") const {
    return FindProgramIn(Root() + "/proc", Game(), self);
  }

  TestFolder folder;
};

TEST_P(ProcessScan, FindsAProgramOfTheGameFolder) {
  Add("4242", GetParam().process);
  EXPECT_EQ(Find(), GetParam().found);
  // This process itself is never the game.
  EXPECT_EQ(Find("4242"), std::nullopt);
}

const std::string kLoader = "/usr/lib/wine/wine64-preloader";
const std::string kPrefix = "WINEPREFIX=@/prefix";

INSTANTIATE_TEST_SUITE_P(
    Posix, ProcessScan,
    ::testing::Values(
        ScanCase{"native_copy_in_the_folder", {"@/prefix/drive_c/GPL/gplc67.exe", "gplc67", "", ""},
                 "gplc67.exe"},
        ScanCase{"native_program_removed_since", {"@/prefix/drive_c/GPL/gpl.exe (deleted)", "x", "", ""},
                 "gpl.exe"},
        ScanCase{"native_gpl_exe_elsewhere", {"@/elsewhere/gpl.exe", "gpl.exe", "", ""}, std::nullopt},
        ScanCase{"native_in_a_folder_inside", {"@/prefix/drive_c/GPL/tools/gpl.exe", "", "", ""},
                 std::nullopt},
        ScanCase{"wine_dos_path", {kLoader, "C:\\GPL\\gplc67.exe|-f", kPrefix, ""}, "gplc67.exe"},
        ScanCase{"wine_dos_path_in_other_case_and_slashes", {kLoader, "c:/gpl/GPL.EXE", kPrefix, ""},
                 "GPL.EXE"},
        ScanCase{"wine_prefix_from_home", {kLoader, "C:\\GPL\\gpl.exe", "HOME=@/home", ""}, "gpl.exe"},
        ScanCase{"wine_another_prefix", {kLoader, "C:\\GPL\\gpl.exe", "WINEPREFIX=@/elsewhere", ""},
                 std::nullopt},
        ScanCase{"wine_drive_z", {kLoader, "Z:@/prefix/drive_c/GPL/gplc67.exe", kPrefix, ""},
                 "gplc67.exe"},
        ScanCase{"wine_subfolder", {kLoader, "C:\\GPL\\tools\\gpl.exe", kPrefix, ""}, std::nullopt},
        // Another user's process: no executable or environment to read; its user's home is the
        // owner's, which holds no such prefix here.
        ScanCase{"unreadable_process", {"", "C:\\GPL\\gpl.exe", "", ""}, std::nullopt},
        ScanCase{"wine_unix_path", {kLoader, "@/prefix/drive_c/gpl/gplc67.exe", "", ""}, "gplc67.exe"},
        ScanCase{"given_to_wine", {"/usr/bin/wine", "wine|@/prefix/drive_c/GPL/gpl.exe", "", ""},
                 "gpl.exe"},
        ScanCase{"wine_relative_path", {kLoader, "gplc67.exe", "", "@/prefix/drive_c/GPL"},
                 "gplc67.exe"},
        // A shell whose working folder is the game's runs no program from it.
        ScanCase{"native_shell_in_the_folder", {"/bin/bash", "bash", "", "@/prefix/drive_c/GPL"},
                 std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WineProgramPath, MapsTheDriveThroughThePrefix) {
  TestFolder folder;
  fs::create_directories(folder.Native("prefix/drive_c/Games/GPL"));
  fs::create_directories(folder.Native("prefix/dosdevices"));
  fs::create_directory_symlink("../drive_c", folder.Native("prefix/dosdevices/c:"));
  const std::string root = fs::canonical(folder.Root()).string();
  const std::string prefix = root + "/prefix";
  EXPECT_EQ(WineProgramPath("c:\\GAMES\\gpl\\gplc67.exe", prefix, ""),
            root + "/prefix/drive_c/Games/GPL/gplc67.exe");
  EXPECT_EQ(WineProgramPath("D:\\GPL\\gpl.exe", prefix, ""), std::nullopt) << "no drive D:";
  EXPECT_EQ(WineProgramPath("C:\\GPL\\gpl.exe", "", ""), std::nullopt) << "no prefix";
  EXPECT_EQ(WineProgramPath("GPL\\gpl.exe", prefix, root + "/prefix/drive_c/Games"),
            root + "/prefix/drive_c/Games/GPL/gpl.exe");
  EXPECT_EQ(WineProgramPath("gpl.exe", prefix, ""), std::nullopt) << "no working folder";
}

}  // namespace
}  // namespace gridmoor
