#include "ui/SeasonInstall.h"

#include <gtest/gtest.h>

namespace gridmoor::ui {
namespace {

std::string TemporaryFolder() {
  char path[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, path);
  std::string folder = std::string(path) + "gridmoor-package-choice";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

// What the chooser or a drop hands over, read as the install takes it.
TEST(PackageChoice, FoldersInstallIniAndZipsAreToldApart) {
  const std::string folder = TemporaryFolder();
  const struct {
    std::string path;
    PackageChoice::Kind kind;
    std::string package;
  } rows[] = {
      {folder, PackageChoice::kFolder, folder},
      {folder + "\\", PackageChoice::kFolder, folder},
      {folder + "\\install.ini", PackageChoice::kFolder, folder},
      {folder + "\\INSTALL.INI", PackageChoice::kFolder, folder},
      {"C:\\install.ini", PackageChoice::kFolder, "C:\\"},
      {folder + "\\kestrel-1.2.ZIP", PackageChoice::kZip, folder + "\\kestrel-1.2.ZIP"},
      {folder + "\\readme.txt", PackageChoice::kNone, ""},
      {folder + "\\.zip", PackageChoice::kNone, ""},
      {"", PackageChoice::kNone, ""},
  };
  for (const auto& row : rows) {
    const PackageChoice choice = PackageChoiceOf(row.path);
    EXPECT_EQ(choice.kind, row.kind) << row.path;
    EXPECT_EQ(choice.path, row.package) << row.path;
  }
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
}  // namespace gridmoor::ui
