// What only the POSIX file system promises: mode bits survive a replace and a copy, and a copy
// is whole or not there, on one file system or across two.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

#include "platform/FileException.h"

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

// Another user's file in a folder anyone may write: root keeps its owner, anyone else is refused
// (and told why beforehand) rather than making it their own.
TEST(FileSystemPosix, AReplaceNeverGivesTheFileAnotherOwner) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  testing::TestFolder dir;
  chmod(dir.Root().c_str(), 0777);
  dir.Write("67season.ini", "old");
  chown(dir.Native("67season.ini").c_str(), 65534, 65534);
  ASSERT_TRUE(MakeNativeFileSystem()->ReplaceFileContents(dir.Path("67season.ini"), "old", "new"));
  struct stat st {};
  stat(dir.Native("67season.ini").c_str(), &st);
  EXPECT_EQ(st.st_uid, 65534u);

  chown(dir.Native("67season.ini").c_str(), 0, 0);
  const pid_t child = fork();
  if (child == 0) {
    if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) _exit(2);
    std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
    const bool told = !files->ReplaceBlocker(dir.Path("67season.ini")).empty();
    const bool replaced = files->ReplaceFileContents(dir.Path("67season.ini"), "new", "mine");
    _exit(told && !replaced ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(dir.Read("67season.ini"), "new");
  stat(dir.Native("67season.ini").c_str(), &st);
  EXPECT_EQ(st.st_uid, 0u);
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

// Runs `op` with writes limited to 4 KiB per file, so a write stops half way (EFBIG), as on a
// full disk.
template <typename Op>
auto WithSmallFileLimit(Op op) {
  struct rlimit saved {};
  getrlimit(RLIMIT_FSIZE, &saved);
  const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  auto result = op();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, savedHandler);
  return result;
}

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 4099);
  return bytes;
}

TEST(FileSystemPosix, ACopyThatFailsHalfWayKeepsTheOldTargetAndNoTemporary) {
  testing::TestFolder dir;
  dir.Write("dat", Pattern(100000));
  dir.Write("zandvoort.dat", "old");
  auto files = MakeNativeFileSystem();
  const int cause = WithSmallFileLimit([&] {
    try {
      files->CopyFileOverwrite(dir.Path("dat"), dir.Path("zandvoort.dat"));
    } catch (const CFileException& e) {
      return e.Cause();
    }
    return static_cast<int>(kCauseNone);
  });
  EXPECT_EQ(cause, kCauseDiskFull);
  EXPECT_EQ(dir.Read("zandvoort.dat"), "old");
  EXPECT_EQ(dir.Listing(), "dat;zandvoort.dat;");
}

// copy_file_range may refuse a pair of files on two file systems; read and write take over.
TEST(FileSystemPosix, CopyBetweenFileSystemsMovesEveryByte) {
  if (!std::filesystem::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm to copy from";
  const std::string source = "/dev/shm/gridmoor-copy-" + std::to_string(getpid());
  const std::string bytes = Pattern(3 * 1024 * 1024 + 17);
  {
    std::ofstream out(source, std::ios::binary);
    out << bytes;
  }
  testing::TestFolder dir;
  MakeNativeFileSystem()->CopyFileOverwrite(source, dir.Path("race.lp"));
  std::filesystem::remove(source);
  EXPECT_TRUE(dir.Read("race.lp") == bytes);
  EXPECT_EQ(dir.Listing(), "race.lp;");
}

}  // namespace
}  // namespace gridmoor
