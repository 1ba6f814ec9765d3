// The contract of the native file system, the same in both builds.

#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/FileException.h"
#include "platform/TestFolder.h"

namespace gridmoor {
namespace {

using testing::TestFolder;

// Runs `op` and answers the cause and file name of the CFileException it throws.
std::pair<int, std::string> FailureOf(const std::function<void()>& op) {
  try {
    op();
  } catch (const CFileException& e) {
    return {e.Cause(), e.FileName()};
  }
  return {kCauseNone, ""};
}

class FileSystemTest : public ::testing::Test {
 protected:
  std::unique_ptr<FileSystem> m_files = MakeNativeFileSystem();
  TestFolder m_dir;
};

struct FailureCase {
  const char* what;
  std::function<void(FileSystem&, const TestFolder&)> op;
  int cause;
};

class FileSystemFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FileSystemFailure, ThrowsCauseAndName) {
  auto files = MakeNativeFileSystem();
  TestFolder dir;
  dir.Write("present.ini", "x");
  EXPECT_EQ(FailureOf([&] { GetParam().op(*files, dir); }).first, GetParam().cause);
}

const FailureCase kFailures[] = {
    {"open a missing file",
     [](FileSystem& f, const TestFolder& d) {
       f.OpenExclusiveForRead(d.Path("missing.ini"));
     },
     kCauseFileNotFound},
    {"open in a missing folder",
     [](FileSystem& f, const TestFolder& d) {
       f.OpenExclusiveForRead(d.Path("seasons\\67season.ini"));
     },
     kCauseBadPath},
    {"open a folder",
     [](FileSystem& f, const TestFolder& d) {
       f.OpenExclusiveForRead(d.Folder());
     },
     kCauseAccessDenied},
    {"status of a missing file",
     [](FileSystem& f, const TestFolder& d) {
       f.GetStatus(d.Path("missing.ini"));
     },
     kCauseFileNotFound},
    {"status in a missing folder",
     [](FileSystem& f, const TestFolder& d) {
       f.GetStatus(d.Path("no\\such.ini"));
     },
     kCauseBadPath},
    {"set status of a missing file",
     [](FileSystem& f, const TestFolder& d) {
       f.SetStatus(d.Path("missing.ini"), FileStatus{kAttributeNormal, 0, 0, 0});
     },
     kCauseFileNotFound},
    {"create a folder under a missing one",
     [](FileSystem& f, const TestFolder& d) {
       f.CreateDirectoryLevel(d.Path("tracks\\monza"));
     },
     kCauseBadPath},
    {"copy a missing source",
     [](FileSystem& f, const TestFolder& d) {
       f.CopyFileOverwrite(d.Path("missing"), d.Path("copy"));
     },
     kCauseFileNotFound},
    {"copy into a missing folder",
     [](FileSystem& f, const TestFolder& d) {
       f.CopyFileOverwrite(d.Path("present.ini"), d.Path("replay\\rpy"));
     },
     kCauseBadPath},
    {"read an existing file in a missing folder",
     [](FileSystem& f, const TestFolder& d) {
       f.ReadExistingFile(d.Path("seasons\\gp.ini"), 100);
     },
     kCauseBadPath},
    {"read an existing file larger than allowed",
     [](FileSystem& f, const TestFolder& d) {
       f.ReadExistingFile(d.Path("present.ini"), 0);
     },
     kCauseGeneric},
};

INSTANTIATE_TEST_SUITE_P(Table, FileSystemFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) {
                           std::string name = info.param.what;
                           for (char& c : name) {
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST_F(FileSystemTest, ErrorsNameThePathAsGiven) {
  const std::string path = m_dir.Folder() + "\\seasons\\\\67season.ini";
  EXPECT_EQ(FailureOf([&] { m_files->OpenExclusiveForRead(path); }).second, path);
  const std::string from = m_dir.Path("dat");
  EXPECT_EQ(FailureOf([&] { m_files->CopyFileOverwrite(from, m_dir.Path("x.dat")); }).second,
            from);
  m_dir.Write("dat", "d");
  const std::string to = m_dir.Path("tracks\\x\\x.dat");
  EXPECT_EQ(FailureOf([&] { m_files->CopyFileOverwrite(from, to); }).second, to);
}

TEST_F(FileSystemTest, CurrentDirectoryAnswersOnlyWhatFitsTheBuffer) {
  const std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(m_files->CurrentDirectory(cwd.size() + 1), cwd);
  EXPECT_EQ(m_files->CurrentDirectory(cwd.size()), std::nullopt);
}

TEST_F(FileSystemTest, CreateDirectoryLevelAcceptsAnExistingFolder) {
  m_files->CreateDirectoryLevel(m_dir.Path("tracks"));
  EXPECT_TRUE(std::filesystem::is_directory(m_dir.Native("tracks")));
  m_dir.Write("tracks/keep", "k");
  m_files->CreateDirectoryLevel(m_dir.Path("tracks"));
  EXPECT_EQ(m_dir.Read("tracks/keep"), "k");
}

TEST_F(FileSystemTest, CopyOverwritesAndKeepsTheSourcesContent) {
  m_dir.Write("race.lp", "new bytes");
  m_dir.Write("old.lp", "older and longer bytes");
  m_files->CopyFileOverwrite(m_dir.Path("race.lp"), m_dir.Path("old.lp"));
  EXPECT_EQ(m_dir.Read("old.lp"), "new bytes");
  EXPECT_EQ(m_dir.Read("race.lp"), "new bytes");
  EXPECT_EQ(m_dir.Listing(), "old.lp;race.lp;");
}

TEST_F(FileSystemTest, CopyOntoAReadOnlyTargetFailsAndLeavesIt) {
  m_dir.Write("dat", "new");
  m_dir.Write("monza.dat", "old");
  m_dir.SetReadOnly("monza.dat", true);
  EXPECT_EQ(FailureOf([&] { m_files->CopyFileOverwrite(m_dir.Path("dat"), m_dir.Path("monza.dat")); })
                .first,
            kCauseAccessDenied);
  EXPECT_EQ(m_dir.Read("monza.dat"), "old");
  EXPECT_EQ(m_dir.Listing(), "dat;monza.dat;");
}

TEST_F(FileSystemTest, CopyOfAFileOntoItselfKeepsIt) {
  m_dir.Write("dat", "precious");
  EXPECT_NE(FailureOf([&] { m_files->CopyFileOverwrite(m_dir.Path("dat"), m_dir.Path("dat")); })
                .first,
            kCauseNone);
  EXPECT_EQ(m_dir.Read("dat"), "precious");
}

TEST_F(FileSystemTest, ExclusiveOpenShutsOutEveryOtherAccessUntilClosed) {
  m_dir.Write("67season.ini", "[Season]\r\nnumEvents=3\r\n");
  const std::string path = m_dir.Path("67season.ini");
  {
    auto held = m_files->OpenExclusiveForRead(path);
    EXPECT_EQ(FailureOf([&] { m_files->OpenExclusiveForRead(path); }).first,
              kCauseSharingViolation);
    EXPECT_EQ(m_files->ReadWholeFile(path, 1000), std::nullopt);
    EXPECT_EQ(FailureOf([&] { m_files->ReadExistingFile(path, 1000); }).first,
              kCauseSharingViolation);
    EXPECT_FALSE(m_files->ReplaceFileContents(path, "clobbered"));
    EXPECT_EQ(FailureOf([&] { m_files->CopyFileOverwrite(path, m_dir.Path("copy")); }).first,
              kCauseSharingViolation);
  }
  EXPECT_EQ(m_dir.Read("67season.ini"), "[Season]\r\nnumEvents=3\r\n");
  EXPECT_EQ(m_dir.Listing(), "67season.ini;");
  EXPECT_NE(m_files->OpenExclusiveForRead(path), nullptr);
}

TEST_F(FileSystemTest, StatusRoundTripsReadOnlyAndTimes) {
  m_dir.Write("gp.ini", "x");
  const std::string path = m_dir.Path("gp.ini");
  FileStatus status = m_files->GetStatus(path);
  EXPECT_EQ(status.attributes & (kAttributeReadOnly | kAttributeDirectory), 0u);
  status.attributes |= kAttributeReadOnly;
  status.lastWriteTime = 1000000000;
  status.lastAccessTime = 1000000060;
  m_files->SetStatus(path, status);

  FileStatus readBack = m_files->GetStatus(path);
  EXPECT_NE(readBack.attributes & kAttributeReadOnly, 0u);
  EXPECT_EQ(readBack.lastWriteTime, 1000000000);
  EXPECT_EQ(readBack.lastAccessTime, 1000000060);

  readBack.attributes &= ~kAttributeReadOnly;
  m_files->SetStatus(path, readBack);
  EXPECT_EQ(m_files->GetStatus(path).attributes & kAttributeReadOnly, 0u);
  EXPECT_EQ(m_files->GetStatus(path).lastWriteTime, 1000000000);
}

TEST_F(FileSystemTest, ReadWholeFileCutsAtMaxBytesAndSaysSo) {
  m_dir.Write("readme.txt", "0123456789");
  bool truncated = false;
  EXPECT_EQ(m_files->ReadWholeFile(m_dir.Path("readme.txt"), 4, &truncated), "0123");
  EXPECT_TRUE(truncated);
  EXPECT_EQ(m_files->ReadWholeFile(m_dir.Path("readme.txt"), 10, &truncated), "0123456789");
  EXPECT_FALSE(truncated);
  EXPECT_EQ(m_files->ReadWholeFile(m_dir.Path("missing.txt"), 10), std::nullopt);
}

TEST_F(FileSystemTest, ReadExistingFileTellsMissingFromPresent) {
  EXPECT_EQ(m_files->ReadExistingFile(m_dir.Path("gp.ini"), 10), std::nullopt);
  m_dir.Write("gp.ini", "");
  EXPECT_EQ(m_files->ReadExistingFile(m_dir.Path("gp.ini"), 10), "");
}

TEST_F(FileSystemTest, ReplaceCreatesAMissingFileInAnExistingFolder) {
  EXPECT_TRUE(m_files->ReplaceFileContents(m_dir.Path("new.ini"), "[a]\r\nb=c\r\n"));
  EXPECT_EQ(m_dir.Read("new.ini"), "[a]\r\nb=c\r\n");
  EXPECT_EQ(m_dir.Listing(), "new.ini;");
}

TEST_F(FileSystemTest, ReplaceIntoAMissingFolderFailsAndCreatesNothing) {
  EXPECT_FALSE(m_files->ReplaceFileContents(m_dir.Path("seasons\\gp.ini"), "x"));
  EXPECT_EQ(m_dir.Listing(), "");
}

TEST_F(FileSystemTest, ReplaceRefusesAReadOnlyFileAndLeavesItByteForByte) {
  m_dir.Write("67season.ini", "old\r\n");
  m_dir.SetReadOnly("67season.ini", true);
  EXPECT_FALSE(m_files->ReplaceFileContents(m_dir.Path("67season.ini"), "new\r\n"));
  EXPECT_EQ(m_dir.Read("67season.ini"), "old\r\n");
  EXPECT_EQ(m_dir.Listing(), "67season.ini;");
}

TEST_F(FileSystemTest, ReplaceSwapsTheContentAndLeavesNoTemporaryFile) {
  m_dir.Write("67season.ini", std::string(100000, 'a'));
  EXPECT_TRUE(m_files->ReplaceFileContents(m_dir.Path("67season.ini"), "short"));
  EXPECT_EQ(m_dir.Read("67season.ini"), "short");
  EXPECT_TRUE(m_files->ReplaceFileContents(m_dir.Path("67season.ini"), ""));
  EXPECT_EQ(m_dir.Read("67season.ini"), "");
  EXPECT_EQ(m_dir.Listing(), "67season.ini;");
}

}  // namespace
}  // namespace gridmoor
