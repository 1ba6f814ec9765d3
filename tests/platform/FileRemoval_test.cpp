// Deleting files and folder trees through the native file system, the same in both builds.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FileSystem.h"
#include "platform/TestFolder.h"

namespace gridmoor {
namespace {

using testing::TestFolder;
namespace fs = std::filesystem;

TEST(FileRemovalTest, RemoveFileHonoursTheReadOnlyMarkAndLeavesFolders) {
  const std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  TestFolder dir;
  dir.Write("plain", "x");
  dir.Write("locked", "x");
  dir.SetReadOnly("locked", true);
  fs::create_directory(dir.Native("folder"));

  EXPECT_TRUE(files->RemoveFile(dir.Path("plain")));
  EXPECT_TRUE(files->RemoveFile(dir.Path("never there")));
  EXPECT_FALSE(files->RemoveFile(dir.Path("locked")));
  EXPECT_FALSE(files->RemoveFile(dir.Path("folder")));
  EXPECT_EQ(dir.Listing(), "folder;locked;");
}

TEST(FileRemovalTest, RemoveFolderTreeTakesEverythingInsideAndNothingElse) {
  const std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  TestFolder dir;
  fs::create_directories(dir.Native("track") / "sub");
  dir.Write("track/dat", "x");
  dir.Write("track/sub/locked", "x");
  dir.SetReadOnly("track/sub/locked", true);
  dir.Write("outside", "kept");
  fs::create_directory(dir.Native("elsewhere"));
  dir.Write("elsewhere/kept", "kept");
  std::error_code noLinks;
  fs::create_directory_symlink(dir.Native("elsewhere"), dir.Native("track") / "link", noLinks);

  EXPECT_TRUE(files->RemoveFolderTree(dir.Path("track")));
  EXPECT_EQ(dir.Listing(), "elsewhere;outside;");
  EXPECT_EQ(dir.Read("elsewhere/kept"), "kept");  // a link inside is never followed
  EXPECT_TRUE(files->RemoveFolderTree(dir.Path("track")));  // already gone
}

}  // namespace
}  // namespace gridmoor
