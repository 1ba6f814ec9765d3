// What only the POSIX file system promises: mode bits survive a replace and a copy.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "platform/FileSystem.h"
#include "platform/TestFolder.h"

namespace gridmoor {
namespace {

mode_t ModeOf(const std::filesystem::path& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

TEST(FileSystemPosix, ReplaceKeepsTheModeBits) {
  testing::TestFolder dir;
  dir.Write("gp.ini", "old");
  chmod(dir.Native("gp.ini").c_str(), 0640);
  ASSERT_TRUE(MakeNativeFileSystem()->ReplaceFileContents(dir.Path("gp.ini"), "old", "new"));
  EXPECT_EQ(dir.Read("gp.ini"), "new");
  EXPECT_EQ(ModeOf(dir.Native("gp.ini")), 0640u);
}

TEST(FileSystemPosix, CopyTakesTheSourcesModeAndWriteTime) {
  testing::TestFolder dir;
  dir.Write("track.ini", "t");
  chmod(dir.Native("track.ini").c_str(), 0604);
  const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  utimensat(AT_FDCWD, dir.Native("track.ini").c_str(), times, 0);
  auto files = MakeNativeFileSystem();
  files->CopyFileOverwrite(dir.Path("track.ini"), dir.Path("copy.ini"));
  EXPECT_EQ(ModeOf(dir.Native("copy.ini")), 0604u);
  EXPECT_EQ(files->GetStatus(dir.Path("copy.ini")).lastWriteTime, 1000000000);
}

// The file size limit makes the write stop half way with EFBIG, as a full disk would.
TEST(FileSystemPosix, AReplaceThatFailsHalfWayKeepsTheOldFileAndNoTemporary) {
  testing::TestFolder dir;
  const std::string before = "[Season]\r\nnumEvents=12\r\n";
  dir.Write("67season.ini", before);
  auto files = MakeNativeFileSystem();

  struct rlimit saved {};
  getrlimit(RLIMIT_FSIZE, &saved);
  const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool replaced = files->ReplaceFileContents(dir.Path("67season.ini"), before,
                                                      std::string(10000, 'x'));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, savedHandler);

  EXPECT_FALSE(replaced);
  EXPECT_EQ(dir.Read("67season.ini"), before);
  EXPECT_EQ(dir.Listing(), "67season.ini;");
}

}  // namespace
}  // namespace gridmoor
