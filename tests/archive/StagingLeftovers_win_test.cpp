// The Windows staging folder: its lock held while it lives, and the leftovers of runs that
// ended without removing theirs taken at the next start, never a folder still in use nor
// anything else in %TEMP%.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "archive/Staging.h"
#include "platform/TestFolder.h"

namespace gridmoor::testing {
namespace {

namespace fs = std::filesystem;

// A folder named as ours, holding a package file and (unless `lock` is false) its lock file.
fs::path MakeStaging(const TestFolder& temp, const std::string& digits, bool lock = true) {
  const fs::path folder = temp.Root() / (std::string(kStagingPrefix) + digits);
  fs::create_directories(folder / "1" / "Pkg");
  std::ofstream(folder / "1" / "Pkg" / "install.ini") << "[Install]\n";
  if (lock) std::ofstream(folder / "lock");
  return folder;
}

TEST(StagingLeftovers, OnlyOurFoldersWhoseLockCanBeTakenAreRemoved) {
  TestFolder temp;
  const fs::path leftover = MakeStaging(temp, "0123456789abcdef");
  const fs::path inUse = MakeStaging(temp, "fedcba9876543210");
  // Made this moment, its lock not yet created: kept.
  const fs::path unlocked = MakeStaging(temp, "00000000aaaaaaaa", false);
  const fs::path notOurs = MakeStaging(temp, "not-a-random-name");
  fs::create_directories(temp.Root() / "other-folder");
  std::ofstream(temp.Root() / (std::string(kStagingPrefix) + "1111111111111111")) << "a file";
  const HANDLE held = CreateFileW((inUse / "lock").wstring().c_str(),
                                  GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  RemoveLeftoverStaging(temp.Folder());
  CloseHandle(held);

  EXPECT_FALSE(fs::exists(leftover));
  EXPECT_TRUE(fs::exists(inUse / "1" / "Pkg" / "install.ini"));
  EXPECT_TRUE(fs::exists(unlocked / "1"));
  EXPECT_TRUE(fs::exists(notOurs / "lock"));
  EXPECT_TRUE(fs::exists(temp.Root() / "other-folder"));
  EXPECT_TRUE(fs::exists(temp.Root() / (std::string(kStagingPrefix) + "1111111111111111")));
}

TEST(StagingLeftovers, AFolderInUseOutlivesTheNextStartAndGoesWithItsOwner) {
  TestFolder temp;
  std::string error;
  std::unique_ptr<StagingFolder> staging = StagingFolder::Make(temp.Folder(), error);
  ASSERT_TRUE(staging) << error;
  const fs::path folder = staging->Path();
  EXPECT_EQ(folder.parent_path(), temp.Root());
  std::ofstream(folder / "unpacked.txt") << "x";

  RemoveLeftoverStaging(temp.Folder());  // another run starting meanwhile
  EXPECT_TRUE(fs::exists(folder / "unpacked.txt"));

  staging.reset();
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_TRUE(fs::is_empty(temp.Root()));
}

}  // namespace
}  // namespace gridmoor::testing
