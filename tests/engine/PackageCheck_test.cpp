#include "engine/PackageCheck.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/TestFolder.h"

namespace gridmoor {
namespace {

using testing::TestFolder;

// A 24-bit BMP of the given size.
std::string Bmp(int width, int height) {
  const int stride = (width * 24 + 31) / 32 * 4;
  const std::uint32_t pixels = static_cast<std::uint32_t>(stride * height);
  std::string bytes(54 + pixels, '\0');
  auto put = [&bytes](std::size_t at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put(2, 54 + pixels, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(width), 4);
  put(22, static_cast<std::uint32_t>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  return bytes;
}

struct BrokenPackage {
  const char* name;
  void (*breakIt)(TestFolder&);  // changes a good package in "pkg"
  FindingLevel level;
  const char* subject;
  const char* says;
  const char* code = nullptr;  // checked where given
};

void SetKey(TestFolder& folder, const std::string& key, const std::string& line) {
  std::string ini = folder.Read("pkg/install.ini");
  const std::size_t at = ini.find("\n" + key + "=");
  const std::size_t end = ini.find('\n', at + 1);
  ini.replace(at + 1, end - at - 1, line);
  folder.Write("pkg/install.ini", ini);
}

class PackageCheckFinds : public ::testing::TestWithParam<BrokenPackage> {};

TEST_P(PackageCheckFinds, ExactlyTheFault) {
  TestFolder folder;
  std::filesystem::copy(std::filesystem::path(GRIDMOOR_TEST_DATA_DIR) / "../../examples/package",
                        folder.Native("pkg"));
  folder.Write("pkg/screenshot.bmp", Bmp(300, 178));
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  ASSERT_TRUE(CheckPackage(*files, folder.Path("pkg")).empty());

  GetParam().breakIt(folder);
  const std::vector<PackageFinding> findings = CheckPackage(*files, folder.Path("pkg"));
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].level, GetParam().level);
  EXPECT_EQ(findings[0].subject, GetParam().subject);
  EXPECT_NE(findings[0].message.find(GetParam().says), std::string::npos) << findings[0].message;
  if (GetParam().code) {
    EXPECT_EQ(findings[0].code, GetParam().code);
  }
}

constexpr auto kError = FindingLevel::kError;
constexpr auto kWarning = FindingLevel::kWarning;

INSTANTIATE_TEST_SUITE_P(
    PackageCheck, PackageCheckFinds,
    ::testing::Values(
        BrokenPackage{"no_section", [](TestFolder& f) { f.Write("pkg/install.ini", "[other]\n"); },
                      kError, "install.ini", "no [installinfo]"},
        BrokenPackage{"key_missing", [](TestFolder& f) { SetKey(f, "shortname", ";"); }, kError,
                      "install.ini: shortname", "missing"},
        BrokenPackage{"default_reads_as_missing",
                      [](TestFolder& f) { SetKey(f, "month", "month=default"); }, kError,
                      "install.ini: month", "\"default\""},
        BrokenPackage{"value_cut",
                      [](TestFolder& f) { SetKey(f, "name", "name=" + std::string(120, 'n')); },
                      kWarning, "install.ini: name", "120 characters"},
        BrokenPackage{"track_folder_outside",
                      [](TestFolder& f) { SetKey(f, "trackDirectory", "trackDirectory=..\\x"); },
                      kError, "install.ini: trackDirectory", "outside"},
        BrokenPackage{"track_folder_empty",
                      [](TestFolder& f) { SetKey(f, "trackDirectory", "trackDirectory="); },
                      kWarning, "install.ini: trackDirectory", "empty"},
        BrokenPackage{"replay_outside",
                      [](TestFolder& f) { SetKey(f, "replayfilename", "replayfilename=../r"); },
                      kError, "install.ini: replayfilename", "outside"},
        BrokenPackage{"track_file_missing",
                      [](TestFolder& f) { std::filesystem::remove(f.Native("pkg/pit.lp")); },
                      kError, "pit.lp", "missing"},
        BrokenPackage{"track_file_a_folder",
                      [](TestFolder& f) {
                        std::filesystem::remove(f.Native("pkg/dat"));
                        std::filesystem::create_directory(f.Native("pkg/dat"));
                      },
                      kError, "dat", "is a folder"},
        BrokenPackage{"replay_missing",
                      [](TestFolder& f) { std::filesystem::remove(f.Native("pkg/rpy")); }, kError,
                      "rpy", "missing while"},
        BrokenPackage{"replay_never_installed",
                      [](TestFolder& f) { SetKey(f, "replayfilename", ";"); }, kWarning, "rpy",
                      "never installed"},
        BrokenPackage{"readme_missing",
                      [](TestFolder& f) { std::filesystem::remove(f.Native("pkg/readme.txt")); },
                      kWarning, "readme.txt", "Readme.txt missing..."},
        BrokenPackage{"readme_too_long",
                      [](TestFolder& f) {
                        f.Write("pkg/readme.txt", std::string(1024 * 1024 + 1, 'r'));
                      },
                      kWarning, "readme.txt", "first MiB"},
        BrokenPackage{"screenshot_missing",
                      [](TestFolder& f) {
                        std::filesystem::remove(f.Native("pkg/screenshot.bmp"));
                      },
                      kWarning, "screenshot.bmp", "missing"},
        BrokenPackage{"screenshot_not_bmp",
                      [](TestFolder& f) { f.Write("pkg/screenshot.bmp", "GIF89a"); }, kError,
                      "screenshot.bmp", "cannot show it: not a BMP file"},
        BrokenPackage{"screenshot_png_renamed",
                      [](TestFolder& f) {
                        f.Write("pkg/screenshot.bmp", std::string("\x89PNG\r\n\x1a\n", 8) +
                                                          std::string(100, 'x'));
                      },
                      kError, "screenshot.bmp", "not a BMP file", "screenshot-not-shown"},
        BrokenPackage{"month_out_of_range",
                      [](TestFolder& f) { SetKey(f, "month", "month=Sept"); }, kWarning,
                      "install.ini: month", "reads as month 0", "month-out-of-range"},
        BrokenPackage{"day_out_of_range", [](TestFolder& f) { SetKey(f, "day", "day=32"); },
                      kWarning, "install.ini: day", "give 1 to 31", "day-out-of-range"},
        BrokenPackage{"laps_not_a_number",
                      [](TestFolder& f) { SetKey(f, "numberOfLaps", "numberOfLaps=about 55"); },
                      kWarning, "install.ini: numberOfLaps", "reads 0 laps", "laps-not-a-number"},
        BrokenPackage{"grid_of_two_rows",
                      [](TestFolder& f) { SetKey(f, "startingGrid", "startingGrid=2-2"); },
                      kWarning, "install.ini: startingGrid", "three rows", "starting-grid-shape"},
        BrokenPackage{"grid_not_numbers",
                      [](TestFolder& f) { SetKey(f, "startingGrid", "startingGrid=3-x-3"); },
                      kWarning, "install.ini: startingGrid", "\"3-x-3\"", "starting-grid-shape"},
        BrokenPackage{"shortname_longer_than_shown",
                      [](TestFolder& f) { SetKey(f, "shortname", "shortname=Kestrel Heath Circuit"); },
                      kWarning, "install.ini: shortname", "\"Kestrel Heath Ci\"",
                      "shortname-too-long"},
        BrokenPackage{"track_folder_with_spaces",
                      [](TestFolder& f) { SetKey(f, "trackDirectory", "trackDirectory=kestrel heath"); },
                      kWarning, "install.ini: trackDirectory", "spaces", "track-folder-spaces"},
        BrokenPackage{"replay_the_game_does_not_list",
                      [](TestFolder& f) { SetKey(f, "replayfilename", "replayfilename=kestrel.rep"); },
                      kWarning, "install.ini: replayfilename", "ending in .rpy",
                      "replay-name-not-listed"},
        BrokenPackage{"file_not_installed",
                      [](TestFolder& f) { f.Write("pkg/grass.mip", "texture"); }, kWarning,
                      "grass.mip", "will not be installed", "file-not-installed"},
        BrokenPackage{"folder_not_installed",
                      [](TestFolder& f) {
                        std::filesystem::create_directory(f.Native("pkg/textures"));
                      },
                      kWarning, "textures", "a folder: will not be installed", "file-not-installed"},
        BrokenPackage{"readme_utf8",
                      [](TestFolder& f) { f.Write("pkg/readme.txt", "Caf\xC3\xA9 corner\r\n"); },
                      kWarning, "readme.txt", "saved as UTF-8: ", "readme-utf8"},
        BrokenPackage{"readme_utf8_with_bom",
                      [](TestFolder& f) { f.Write("pkg/readme.txt", "\xEF\xBB\xBFKestrel\r\n"); },
                      kWarning, "readme.txt", "byte order mark", "readme-utf8"},
        BrokenPackage{"readme_utf16",
                      [](TestFolder& f) {
                        f.Write("pkg/readme.txt", std::string("\xFF\xFEK\0e\0", 6));
                      },
                      kWarning, "readme.txt", "UTF-16", "readme-utf16"},
        BrokenPackage{"screenshot_other_size",
                      [](TestFolder& f) { f.Write("pkg/screenshot.bmp", Bmp(150, 89)); },
                      kWarning, "screenshot.bmp", "150x89"}),
    [](const auto& info) { return std::string(info.param.name); });

// The dialog's own encoding, and text that reads the same in every encoding, say nothing.
TEST(PackageCheck, AnAnsiReadmeIsNoFinding) {
  TestFolder folder;
  std::filesystem::copy(std::filesystem::path(GRIDMOOR_TEST_DATA_DIR) / "../../examples/package",
                        folder.Native("pkg"));
  folder.Write("pkg/screenshot.bmp", Bmp(300, 178));
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  for (const char* readme : {"Caf\xE9 corner, 4.2 km\r\n", "plain ASCII\n", "\xC3"}) {
    folder.Write("pkg/readme.txt", readme);
    EXPECT_TRUE(CheckPackage(*files, folder.Path("pkg")).empty()) << readme;
  }
}

TEST(PackageCheck, AMissingDescriptionAndALongFolderAreErrors) {
  TestFolder folder;
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  const std::vector<PackageFinding> empty = CheckPackage(*files, folder.Folder());
  ASSERT_FALSE(empty.empty());
  EXPECT_EQ(empty[0].subject, "install.ini");
  EXPECT_EQ(empty[0].message, "missing");

  const std::string deep = folder.Folder() + "\\" + std::string(500, 'd');
  EXPECT_EQ(CheckPackage(*files, deep)[0].subject, "package folder");
}

}  // namespace
}  // namespace gridmoor
