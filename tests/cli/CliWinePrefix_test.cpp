// Finding the game in a Wine prefix made by the test: the entry in system.reg (both views),
// the drive through dosdevices, a game folder in mixed letter case; and hostile registry files.

#include <gtest/gtest.h>

#include <algorithm>

#include "cli/CliFixture.h"
#include "platform/ProfileText.h"

namespace gridmoor::testing {
namespace {

std::string Entry(const std::string& key, const std::string& value, bool win64) {
  return std::string("WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=") +
         (win64 ? "win64" : "win32") + "\n\n[" + key + "] 1700000000\n#time=1d9\n\"Directory\"=" +
         value + "\n";
}

constexpr const char* kPlainKey = "Software\\\\Sierra OnLine\\\\Setup\\\\GPL";
constexpr const char* kWowKey = "Software\\\\Wow6432Node\\\\Sierra OnLine\\\\Setup\\\\GPL";

// prefix/dosdevices/c: -> ../drive_c, the game in drive_c/Sierra/Gpl with its names in the
// letter case an installer might have used.
class WinePrefix {
 public:
  WinePrefix() {
    std::filesystem::create_directories(m_folder.Native("prefix/dosdevices"));
    std::filesystem::create_directories(m_folder.Native("prefix/drive_c/Sierra"));
    std::filesystem::create_directory_symlink("../drive_c", m_folder.Native("prefix/dosdevices/c:"));
    const std::filesystem::path game = m_folder.Native("prefix/drive_c/Sierra/Gpl");
    std::filesystem::copy(CliFixture::Examples() / "game", game,
                          std::filesystem::copy_options::recursive);
    std::filesystem::rename(game / "seasons/67season.ini", game / "seasons/67Season.ini");
    std::filesystem::rename(game / "seasons", game / "Seasons");
    std::filesystem::rename(game / "tracks", game / "TRACKS");
  }
  std::string Prefix() const { return m_folder.Native("prefix").string(); }
  std::filesystem::path Game() const {
    return std::filesystem::canonical(m_folder.Native("prefix/drive_c/Sierra/Gpl"));
  }
  void Registry(const std::string& text) { m_folder.Write("prefix/system.reg", text); }
  TestFolder& Folder() { return m_folder; }

 private:
  TestFolder m_folder;
};

struct ViewCase {
  const char* name;
  const char* key;
  bool win64;
  const char* view;
};

class CliWineView : public ::testing::TestWithParam<ViewCase> {};

TEST_P(CliWineView, FindsTheGameAndInstallsInItsOwnLetterCase) {
  WinePrefix wine;
  wine.Registry(Entry(GetParam().key, "\"C:\\\\SIERRA\\\\gpl\"", GetParam().win64));

  const CliResult where = RunCli({"where", "--prefix", wine.Prefix()});
  ASSERT_EQ(where.status, 0) << where.err;
  EXPECT_EQ(where.out.substr(0, where.out.find('\n')), wine.Game().string());
  EXPECT_NE(where.out.find(GetParam().view), std::string::npos) << where.out;

  CliFixture packages;
  const CliResult install = RunCli({"install", packages.Package("alder"), "--championship"},
                                   {"", "", {{"WINEPREFIX", wine.Prefix()}}});
  ASSERT_EQ(install.status, 0) << install.out << install.err;
  std::ifstream season(wine.Game() / "Seasons/67Season.ini", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(season)), std::istreambuf_iterator<char>());
  EXPECT_EQ(std::string(FindProfileValue(text, "Season", "numEvents").value_or("")), "6");
  EXPECT_TRUE(std::filesystem::exists(wine.Game() / "TRACKS/alder/alder.dat"));
  // Nothing new beside the names that were there (the undo steps go inside Seasons).
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(wine.Game()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Seasons", "TRACKS", "gpl.exe", "replay"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliWineView,
    ::testing::Values(ViewCase{"prefix_32_bit", kPlainKey, false, "32-bit view"},
                      ViewCase{"prefix_64_bit", kWowKey, true, "Wow6432Node view"}),
    [](const auto& info) { return std::string(info.param.name); });

// Without --prefix and WINEPREFIX, the prefixes are tried in order: ~/.wine without the game,
// the first launcher's missing, the second launcher's holding it.
TEST(CliWine, FallsBackToALaunchersPrefix) {
  WinePrefix wine;
  wine.Registry(Entry(kPlainKey, "\"C:\\\\SIERRA\\\\gpl\"", false));
  TestFolder home;
  std::filesystem::create_directories(home.Native(".wine"));
  home.Write(".wine/system.reg", Entry("Software\\\\Other", "\"C:\\\\x\"", false));
  std::filesystem::create_directories(home.Native(".local/share/GPL"));
  std::filesystem::create_directory_symlink(wine.Prefix(), home.Native(".local/share/GPL/pfx"));

  const CliResult where = RunCli({"where"}, {"", "", {{"HOME", home.Folder()}, {"WINEPREFIX", ""}}});
  ASSERT_EQ(where.status, 0) << where.err;
  EXPECT_EQ(where.out.substr(0, where.out.find('\n')), wine.Game().string());
  EXPECT_NE(where.out.find("(~/.local/share/GPL/pfx)"), std::string::npos) << where.out;
}

struct HostileCase {
  const char* name;
  std::string reg;  // empty: no system.reg at all
  const char* said;
};

class CliWineHostile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(CliWineHostile, OneLineStatus4AndNothingWritten) {
  WinePrefix wine;
  if (!GetParam().reg.empty()) wine.Registry(GetParam().reg);
  CliFixture packages;
  const std::string package = packages.Package("alder");
  const auto before = Snapshot(wine.Folder().Root());

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"where", "--prefix", wine.Prefix()},
        std::vector<std::string>{"install", package, "--prefix", wine.Prefix(), "--yes"}}) {
    const CliResult run = RunCli(args);
    EXPECT_EQ(run.status, 4) << args[0] << ": " << run.out << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(GetParam().said), std::string::npos) << run.err;
  }
  EXPECT_TRUE(Snapshot(wine.Folder().Root()) == before);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliWineHostile,
    ::testing::Values(
        HostileCase{"no_registry_file", "", "system.reg cannot be read"},
        HostileCase{"no_entry", Entry("Software\\\\Other", "\"C:\\\\x\"", false),
                    "no Directory value"},
        HostileCase{"cut_in_the_value",
                    Entry(kPlainKey, "\"C:\\\\SIERRA\\\\gpl\"", false)
                        .substr(0, Entry(kPlainKey, "\"C:\\\\SIERRA", false).size()),
                    "not plain text"},
        HostileCase{"huge_line",
                    Entry(kPlainKey, "\"C:\\\\" + std::string(8 << 20, 'a') + "\"", false),
                    "characters, more than the 99"},
        HostileCase{"odd_escapes", Entry(kPlainKey, "\"C:\\\\GPL\\0\\x\\q\"", false),
                    "not plain text"},
        HostileCase{"drive_without_dosdevices", Entry(kPlainKey, "\"Q:\\\\Sierra\\\\Gpl\"", false),
                    "has no entry"},
        HostileCase{"dot_dot", Entry(kPlainKey, "\"C:\\\\Sierra\\\\..\\\\..\\\\..\"", false),
                    "unusable"},
        HostileCase{"folder_missing", Entry(kPlainKey, "\"C:\\\\Sierra\\\\Gone\"", false),
                    "does not exist"},
        HostileCase{"not_a_path", Entry(kPlainKey, "\"\\\\\\\\server\\\\gpl\"", false),
                    "unusable"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace gridmoor::testing
