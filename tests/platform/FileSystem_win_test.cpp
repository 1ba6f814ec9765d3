// What only the Win32 file system promises: sharing through real handles, and attributes and
// the creation time surviving a replace.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/FileException.h"
#include "platform/FileSystem.h"
#include "platform/ProfileStore.h"
#include "platform/TestFolder.h"

namespace gridmoor {
namespace {

using testing::TestFolder;

// A handle opened the way another program would hold the file: no sharing at all.
class HeldFile {
 public:
  explicit HeldFile(const std::string& path)
      : m_handle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  ~HeldFile() {
    if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
  }
  bool Held() const { return m_handle != INVALID_HANDLE_VALUE; }

 private:
  HANDLE m_handle;
};

TEST(FileSystemWin, AFileHeldWithoutSharingCannotBeOpenedOrWritten) {
  TestFolder dir;
  const std::string before = "[Season]\r\nnumEvents=3\r\n";
  dir.Write("67season.ini", before);
  const std::string path = dir.Path("67season.ini");
  auto files = MakeNativeFileSystem();
  ProfileStore profiles(*files);
  {
    HeldFile other(path);
    ASSERT_TRUE(other.Held());
    try {
      files->OpenExclusiveForRead(path);
      FAIL() << "opened a file held without sharing";
    } catch (const CFileException& e) {
      EXPECT_EQ(e.Cause(), kCauseSharingViolation);
      EXPECT_EQ(e.FileName(), path);
    }
    EXPECT_EQ(profiles.WritePrivateProfileStringA("Season", "NumEvents", "4", path), 0);
    EXPECT_FALSE(files->ReplaceFileContents(path, before, "clobbered"));
  }
  EXPECT_EQ(dir.Read("67season.ini"), before);
  EXPECT_EQ(dir.Listing(), "67season.ini;");
}

TEST(FileSystemWin, ReplaceKeepsAttributesAndCreationTime) {
  TestFolder dir;
  dir.Write("gp.ini", "[Season]\r\nnumEvents=3\r\n");
  const std::string path = dir.Path("gp.ini");
  auto files = MakeNativeFileSystem();
  FileStatus status = files->GetStatus(path);
  status.attributes = kAttributeHidden | kAttributeArchive;
  status.creationTime = 946684800;  // 2000-01-01
  status.lastWriteTime = 1000000000;
  files->SetStatus(path, status);
  const FileStatus before = files->GetStatus(path);
  ASSERT_NE(before.attributes & kAttributeHidden, 0u);

  ASSERT_TRUE(files->ReplaceFileContents(path, "[Season]\r\nnumEvents=3\r\n",
                                        "[Season]\r\nnumEvents=4\r\n"));
  const FileStatus after = files->GetStatus(path);
  EXPECT_EQ(after.attributes & (kAttributeHidden | kAttributeArchive | kAttributeReadOnly),
            before.attributes & (kAttributeHidden | kAttributeArchive | kAttributeReadOnly));
  EXPECT_NE(after.lastWriteTime, 1000000000);
  EXPECT_EQ(dir.Read("gp.ini"), "[Season]\r\nnumEvents=4\r\n");
  EXPECT_EQ(dir.Listing(), "gp.ini;");
  // Wine on a file system without birth times reports the last write time as the creation
  // time, so there is no creation time of its own to keep.
  if (before.creationTime != 946684800) {
    GTEST_SKIP() << "this file system stores no creation time (it reads "
                 << before.creationTime << ")";
  }
  EXPECT_EQ(after.creationTime, 946684800);
}

TEST(FileSystemWin, TimesOfAReadOnlyFileCanBeSet) {
  TestFolder dir;
  dir.Write("67season.ini", "x");
  dir.SetReadOnly("67season.ini", true);
  auto files = MakeNativeFileSystem();
  FileStatus status = files->GetStatus(dir.Path("67season.ini"));
  ASSERT_NE(status.attributes & kAttributeReadOnly, 0u);
  status.lastWriteTime = 1000000000;
  files->SetStatus(dir.Path("67season.ini"), status);
  EXPECT_EQ(files->GetStatus(dir.Path("67season.ini")).lastWriteTime, 1000000000);
  EXPECT_NE(files->GetStatus(dir.Path("67season.ini")).attributes & kAttributeReadOnly, 0u);
}

}  // namespace
}  // namespace gridmoor
