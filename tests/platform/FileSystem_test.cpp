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
  int cause;
  const char* named;  // the path the error names, relative to the folder ("" for the folder)
  std::function<void(FileSystem&, const TestFolder&)> op;
};

class FileSystemFailure : public FileSystemTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FileSystemFailure, ThrowsCauseAndNamesThePathAsGiven) {
  m_dir.Write("present.ini", "x");
  const auto [cause, name] = FailureOf([&] { GetParam().op(*m_files, m_dir); });
  EXPECT_EQ(cause, GetParam().cause);
  EXPECT_EQ(name, *GetParam().named ? m_dir.Path(GetParam().named) : m_dir.Folder());
}

using Dir = const TestFolder&;
const FailureCase kFailures[] = {
    {"open a missing file", kCauseFileNotFound, "missing.ini",
     [](FileSystem& f, Dir d) { f.OpenExclusiveForRead(d.Path("missing.ini")); }},
    {"open in a missing folder", kCauseBadPath, "seasons\\67season.ini",
     [](FileSystem& f, Dir d) { f.OpenExclusiveForRead(d.Path("seasons\\67season.ini")); }},
    {"a doubled separator is named as given", kCauseBadPath, "seasons\\\\67season.ini",
     [](FileSystem& f, Dir d) { f.OpenExclusiveForRead(d.Path("seasons\\\\67season.ini")); }},
    {"open a folder", kCauseAccessDenied, "",
     [](FileSystem& f, Dir d) { f.OpenExclusiveForRead(d.Folder()); }},
    {"status of a missing file", kCauseFileNotFound, "missing.ini",
     [](FileSystem& f, Dir d) { f.GetStatus(d.Path("missing.ini")); }},
    {"status in a missing folder", kCauseBadPath, "no\\such.ini",
     [](FileSystem& f, Dir d) { f.GetStatus(d.Path("no\\such.ini")); }},
    {"set status of a missing file", kCauseFileNotFound, "missing.ini",
     [](FileSystem& f, Dir d) {
       f.SetStatus(d.Path("missing.ini"), FileStatus{kAttributeNormal, 0, 0, 0});
     }},
    {"create a folder under a missing one", kCauseBadPath, "tracks\\monza",
     [](FileSystem& f, Dir d) { f.CreateDirectoryLevel(d.Path("tracks\\monza")); }},
    {"copy a missing source", kCauseFileNotFound, "missing",
     [](FileSystem& f, Dir d) { f.CopyFileOverwrite(d.Path("missing"), d.Path("copy")); }},
    {"copy into a missing folder", kCauseBadPath, "replay\\rpy",
     [](FileSystem& f, Dir d) { f.CopyFileOverwrite(d.Path("present.ini"), d.Path("replay\\rpy")); }},
    {"read an existing file in a missing folder", kCauseBadPath, "seasons\\gp.ini",
     [](FileSystem& f, Dir d) { f.ReadExistingFile(d.Path("seasons\\gp.ini"), 100); }},
    {"read an existing file larger than allowed", kCauseGeneric, "present.ini",
     [](FileSystem& f, Dir d) { f.ReadExistingFile(d.Path("present.ini"), 0); }},
};

INSTANTIATE_TEST_SUITE_P(Table, FileSystemFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) {
                           std::string name = info.param.what;
                           for (char& c : name) {
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

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
    EXPECT_FALSE(m_files->ReplaceFileContents(path, "[Season]\r\nnumEvents=3\r\n", "clobbered"));
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

// A replace either answers true with the new bytes in place, or false with the file as it was;
// no temporary file is ever left beside it.
// Only files of our temporary name pattern go; everything else in the folder stays.
TEST_F(FileSystemTest, RemoveStaleTemporariesDeletesOurLeftoversOnly) {
  for (const char* name : {"67season.ini.~0123abcd", "race.lp.~ffffffff", "rdonly.~00000000",
                           "67season.ini", "a.~0123ABCD", "a.~0123abc", "a.~0123abcde",
                           "a.~0123abcg", ".~01234567", "a.-01234567", "b.~01234567.bak"}) {
    m_dir.Write(name, "x");
  }
  m_dir.SetReadOnly("rdonly.~00000000", true);
  std::filesystem::create_directory(m_dir.Native("folder.~01234567"));

  EXPECT_EQ(m_files->RemoveStaleTemporaries(m_dir.Folder()), 3);
  EXPECT_EQ(m_dir.Listing(),
            ".~01234567;67season.ini;a.-01234567;a.~0123ABCD;a.~0123abc;a.~0123abcde;"
            "a.~0123abcg;b.~01234567.bak;folder.~01234567;");
  EXPECT_EQ(m_files->RemoveStaleTemporaries(m_dir.Path("missing")), 0);
}

// A batch as a season command makes it: the undo step alone, then both season files and a new
// file of ours. `meddle` makes one of them a file the batch must not replace.
struct BatchCase {
  const char* what;
  std::function<std::unique_ptr<OpenFile>(FileSystem&, const TestFolder&)> meddle;
  std::size_t replaced;
  const char* contents;  // step, 67season.ini, gp.ini and active ("-": missing), one space apart
};

class FileSystemBatch : public FileSystemTest, public ::testing::WithParamInterface<BatchCase> {};

TEST_P(FileSystemBatch, ReplacesInOrderUpToTheFirstFileItMustNotReplace) {
  m_dir.Write("step", "s0");
  m_dir.Write("67season.ini", "a0");
  m_dir.Write("gp.ini", "b0");
  std::unique_ptr<OpenFile> held = GetParam().meddle(*m_files, m_dir);
  EXPECT_EQ(m_files->ReplaceFilesInOrder({{{m_dir.Path("step"), "s0", "s1"}},
                                          {{m_dir.Path("67season.ini"), "a0", "a1"},
                                           {m_dir.Path("gp.ini"), "b0", "b1"},
                                           {m_dir.Path("active"), std::nullopt, "B"}}}),
            GetParam().replaced);
  held.reset();
  const bool active = m_dir.Exists("active");
  EXPECT_EQ(m_dir.Read("step") + " " + m_dir.Read("67season.ini") + " " + m_dir.Read("gp.ini") +
                " " + (active ? m_dir.Read("active") : "-"),
            GetParam().contents);
  // No temporary file outlives the batch.
  EXPECT_EQ(m_dir.Listing(),
            active ? "67season.ini;active;gp.ini;step;" : "67season.ini;gp.ini;step;");
}

using Held = std::unique_ptr<OpenFile>;
INSTANTIATE_TEST_SUITE_P(
    Table, FileSystemBatch,
    ::testing::Values(
        BatchCase{"AllGoIn", [](FileSystem&, Dir) { return Held(); }, 4, "s1 a1 b1 B"},
        BatchCase{"StepChangedSinceRead",
                  [](FileSystem&, Dir d) { d.Write("step", "theirs"); return Held(); }, 0,
                  "theirs a0 b0 -"},
        BatchCase{"SeasonFileReadOnly",
                  [](FileSystem&, Dir d) { d.SetReadOnly("67season.ini", true); return Held(); },
                  1, "s1 a0 b0 -"},
        // What comes before the refused file goes in, as one replace after the other would.
        BatchCase{"SecondFileChangedSinceRead",
                  [](FileSystem&, Dir d) { d.Write("gp.ini", "theirs"); return Held(); }, 2,
                  "s1 a1 theirs -"},
        BatchCase{"SecondFileHeldByAnother",
                  [](FileSystem& f, Dir d) { return f.OpenExclusiveForRead(d.Path("gp.ini")); },
                  2, "s1 a1 b0 -"},
        BatchCase{"NewFileCreatedMeanwhile",
                  [](FileSystem&, Dir d) { d.Write("active", "A"); return Held(); }, 3,
                  "s1 a1 b1 A"}),
    [](const auto& info) { return info.param.what; });

struct ReplaceCase {
  const char* what;
  std::optional<std::string> before;  // the file's bytes, nullopt for no file
  bool readOnly;
  std::optional<std::string> expected;  // what the caller read (nullopt: no file)
  const char* name;
  std::string bytes;
  bool replaced;
  const char* listing;
};

class FileSystemReplace : public FileSystemTest, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(FileSystemReplace, IsWholeOrNothing) {
  const ReplaceCase& c = GetParam();
  if (c.before) m_dir.Write("67season.ini", *c.before);
  if (c.readOnly) m_dir.SetReadOnly("67season.ini", true);
  EXPECT_EQ(m_files->ReplaceFileContents(m_dir.Path(c.name), c.expected, c.bytes), c.replaced);
  EXPECT_EQ(m_dir.Read(c.replaced ? c.name : "67season.ini"),
            c.replaced ? c.bytes : c.before.value_or(""));
  EXPECT_EQ(m_dir.Listing(), c.listing);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileSystemReplace,
    ::testing::Values(
        ReplaceCase{"CreatesAMissingFile", std::nullopt, false, std::nullopt, "new.ini",
                    "[a]\r\nb=c\r\n", true, "new.ini;"},
        ReplaceCase{"MissingFolder", std::nullopt, false, std::nullopt, "seasons\\gp.ini", "x",
                    false, ""},
        ReplaceCase{"ReadOnlyRefused", "old\r\n", true, "old\r\n", "67season.ini", "new\r\n",
                    false, "67season.ini;"},
        ReplaceCase{"Shorter", std::string(100000, 'a'), false, std::string(100000, 'a'),
                    "67season.ini", "short", true, "67season.ini;"},
        ReplaceCase{"Empty", "[Season]\r\n", false, "[Season]\r\n", "67season.ini", "", true,
                    "67season.ini;"},
        // Someone else's change between the caller's read and its replace is kept.
        ReplaceCase{"ChangedSinceRead", "numEvents=13\r\n", false, "numEvents=12\r\n",
                    "67season.ini", "new", false, "67season.ini;"},
        ReplaceCase{"GrewSinceRead", "numEvents=12\r\nmore", false, "numEvents=12\r\n",
                    "67season.ini", "new", false, "67season.ini;"},
        ReplaceCase{"CreatedSinceRead", "theirs", false, std::nullopt, "67season.ini", "new",
                    false, "67season.ini;"},
        ReplaceCase{"DeletedSinceRead", std::nullopt, false, "old", "67season.ini", "new", false,
                    ""}),
    [](const auto& info) { return info.param.what; });

}  // namespace
}  // namespace gridmoor
