// The profile service over real files: answers and counts, and writes that never lose data.

#include "platform/ProfileStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "platform/FileException.h"
#include "platform/ForwardingFileSystem.h"
#include "platform/TestFolder.h"

namespace gridmoor {
namespace {

using testing::TestFolder;

// The native file system with reads and replaces that fail on request.
class FailingFileSystem : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  std::optional<std::string> ReadExistingFile(const std::string& p, std::size_t max) override {
    if (m_readFailure != kCauseNone) throw CFileException(m_readFailure, p);
    return ForwardingFileSystem::ReadExistingFile(p, max);
  }
  bool ReplaceFileContents(const std::string& p, const std::optional<std::string>& expected,
                           const std::string& bytes) override {
    ++m_replaces;
    return !m_failReplace && ForwardingFileSystem::ReplaceFileContents(p, expected, bytes);
  }

  int m_readFailure = kCauseNone;
  bool m_failReplace = false;
  int m_replaces = 0;
};

class ProfileStoreTest : public ::testing::Test {
 public:  // the case tables arrange through these
  std::string Get(const char* section, const char* key, const std::string& file,
                  unsigned size = 100) {
    std::vector<char> buffer(size + 1, '#');
    const unsigned n = m_store.GetPrivateProfileStringA(section, key, "default", buffer.data(),
                                                        size, file);
    EXPECT_EQ(n, std::strlen(buffer.data()));
    return buffer.data();
  }
  int Write(const char* section, const char* key, const char* value, const std::string& file) {
    return m_store.WritePrivateProfileStringA(section, key, value, file);
  }

  TestFolder m_dir;
  std::unique_ptr<FileSystem> m_native = MakeNativeFileSystem();
  FailingFileSystem m_files{*m_native};
  ProfileStore m_store{m_files};
  std::unique_ptr<OpenFile> m_held;  // a handle some cases keep open across the writes
};

struct CountCase {
  const char* value;
  unsigned bufferSize;
  unsigned count;
  const char* copied;
};

class ProfileStoreCounts : public ProfileStoreTest,
                           public ::testing::WithParamInterface<CountCase> {};

TEST_P(ProfileStoreCounts, CutsToTheBufferLessOne) {
  const CountCase& c = GetParam();
  m_dir.Write("install.ini", std::string("[installinfo]\r\nname=") + c.value + "\r\n");
  char buffer[256];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(m_store.GetPrivateProfileStringA("installinfo", "name", "default", buffer,
                                             c.bufferSize, m_dir.Path("install.ini")),
            c.count);
  EXPECT_STREQ(buffer, c.copied);
  EXPECT_EQ(buffer[c.bufferSize], '#');  // nothing written past the buffer
}

const std::string k150(150, 'x');
const std::string k99(99, 'x');

INSTANTIATE_TEST_SUITE_P(Table, ProfileStoreCounts,
                         ::testing::Values(CountCase{"Kestrel", 100, 7, "Kestrel"},
                                           CountCase{"Kestrel", 8, 7, "Kestrel"},
                                           CountCase{"Kestrel", 7, 6, "Kestre"},
                                           CountCase{"Kestrel", 1, 0, ""},
                                           CountCase{"", 100, 0, ""},
                                           CountCase{k150.c_str(), 100, 99, k99.c_str()}));

TEST_F(ProfileStoreTest, ZeroBufferAnswersZeroAndWritesNothing) {
  m_dir.Write("a.ini", "[s]\r\nk=v\r\n");
  char buffer[2] = {'#', '#'};
  EXPECT_EQ(m_store.GetPrivateProfileStringA("s", "k", "d", buffer, 0, m_dir.Path("a.ini")), 0u);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(m_store.GetPrivateProfileStringA("s", "k", "d", nullptr, 10, m_dir.Path("a.ini")), 0u);
}

TEST_F(ProfileStoreTest, MissingFileSectionOrKeyGivesTheDefaultCut) {
  m_dir.Write("a.ini", "[s]\r\nk=v\r\n");
  EXPECT_EQ(Get("s", "k", m_dir.Path("missing.ini")), "default");
  EXPECT_EQ(Get("s", "k", m_dir.Path("no\\such\\a.ini")), "default");
  EXPECT_EQ(Get("t", "k", m_dir.Path("a.ini")), "default");
  EXPECT_EQ(Get("s", "j", m_dir.Path("a.ini")), "default");
  EXPECT_EQ(Get("s", "j", m_dir.Path("a.ini"), 4), "def");
  char buffer[8];
  EXPECT_EQ(m_store.GetPrivateProfileStringA("s", "j", nullptr, buffer, 8, m_dir.Path("a.ini")),
            0u);
  EXPECT_STREQ(buffer, "");
}

TEST_F(ProfileStoreTest, AFileHeldWithoutSharingReadsAsMissing) {
  m_dir.Write("a.ini", "[s]\r\nk=v\r\n");
  auto held = m_files.OpenExclusiveForRead(m_dir.Path("a.ini"));
  EXPECT_EQ(Get("s", "k", m_dir.Path("a.ini")), "default");
}

TEST_F(ProfileStoreTest, NullNamesListSectionsOrKeys) {
  m_dir.Write("a.ini", "[one]\r\nx=1\r\ny=2\r\n[two]\r\n");
  const std::string file = m_dir.Path("a.ini");
  char buffer[32];
  EXPECT_EQ(m_store.GetPrivateProfileStringA(nullptr, nullptr, "", buffer, 32, file), 8u);
  EXPECT_EQ(std::string(buffer, 9), std::string("one\0two\0\0", 9));
  EXPECT_EQ(m_store.GetPrivateProfileStringA("ONE", nullptr, "", buffer, 32, file), 4u);
  EXPECT_EQ(std::string(buffer, 5), std::string("x\0y\0\0", 5));
  // Cut lists end in two NULs and answer the size less two.
  EXPECT_EQ(m_store.GetPrivateProfileStringA(nullptr, nullptr, "", buffer, 6, file), 4u);
  EXPECT_EQ(std::string(buffer, 6), std::string("one\0\0\0", 6));
  EXPECT_EQ(m_store.GetPrivateProfileStringA("three", nullptr, "", buffer, 32, file), 0u);
  EXPECT_EQ(buffer[0], '\0');
}

// Reads as the Windows profile functions answer them, including lists and defaults.
struct WindowsReadCase {
  const char* what;
  std::string file;
  const char* section;  // null: list the sections
  const char* key;      // null: list the keys
  const char* defaultValue;
  unsigned bufferSize;
  unsigned count;
  std::string answer;  // the buffer up to and including the closing NUL(s)
};

class ProfileStoreWindowsReads : public ProfileStoreTest,
                                 public ::testing::WithParamInterface<WindowsReadCase> {};

TEST_P(ProfileStoreWindowsReads, AnswerAsWindowsDoes) {
  const WindowsReadCase& c = GetParam();
  m_dir.Write("a.ini", c.file);
  std::vector<char> buffer(c.bufferSize + 1, '#');
  EXPECT_EQ(m_store.GetPrivateProfileStringA(c.section, c.key, c.defaultValue, buffer.data(),
                                             c.bufferSize, m_dir.Path("a.ini")),
            c.count);
  EXPECT_EQ(std::string(buffer.data(), c.answer.size()), c.answer);
  EXPECT_EQ(buffer[c.bufferSize], '#');
}

const std::string kKeysWithBareLine = "[s]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n";

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileStoreWindowsReads,
    ::testing::Values(
        WindowsReadCase{"KeyListSkipsLinesWithoutEquals", kKeysWithBareLine, "s", nullptr, "",
                        100, 18, std::string("name1\0name2\0name4\0\0", 19)},
        WindowsReadCase{"KeyListSkipsANulLine",
                        std::string("[s]\r\nname1=val1\r\n\0\r\nname4=val4\r\n", 33), "s",
                        nullptr, "", 100, 12, std::string("name1\0name4\0\0", 13)},
        WindowsReadCase{"ALineWithoutEqualsReadsEmpty", kKeysWithBareLine, "s", "name3", "d",
                        100, 0, std::string("\0", 1)},
        WindowsReadCase{"DefaultLosesTrailingBlanks", kKeysWithBareLine, "", "name1",
                        "default  ", 260, 7, std::string("default\0", 8)},
        WindowsReadCase{"InnerBlanksOfTheDefaultStay", kKeysWithBareLine, "none", "name1",
                        "one two  ", 260, 7, std::string("one two\0", 8)},
        // The whole list with its closing NUL fits exactly: answered whole (see
        // docs/profile-files.md for the section-names function of Windows, which cuts here).
        WindowsReadCase{"SectionListThatExactlyFits", "[ section1 ]\r\n[section2]\r\n[section3]\r\n",
                        nullptr, nullptr, "", 28, 27,
                        std::string("section1\0section2\0section3\0\0", 28)}),
    [](const auto& info) { return info.param.what; });

TEST_F(ProfileStoreTest, WriteReplacesAddsAndCreates) {
  const std::string file = m_dir.Path("67season.ini");
  EXPECT_NE(Write("Season", "numEvents", "1", file), 0);
  EXPECT_NE(Write("Event 1", "name", "Kestrel Heath", file), 0);
  EXPECT_NE(Write("Season", "NumEvents", "2", file), 0);
  EXPECT_EQ(m_dir.Read("67season.ini"),
            "[Season]\r\nnumEvents=2\r\n[Event 1]\r\nname=Kestrel Heath\r\n");
  EXPECT_EQ(Get("season", "NUMEVENTS", file), "2");
}

TEST_F(ProfileStoreTest, WriteIntoAMissingFolderFailsAndCreatesNothing) {
  EXPECT_EQ(Write("Season", "NumEvents", "1", m_dir.Path("seasons\\67season.ini")), 0);
  EXPECT_EQ(m_dir.Listing(), "");
}

// Every way a write can be kept from happening: it answers 0 and the file stays byte for byte.
struct Refusal {
  const char* name;
  std::function<void(ProfileStoreTest&)> arrange;
  bool sameValueRefused;  // a write that changes nothing is refused too
  bool neverReplaced;     // refused before any replace is tried
};

class RefusedWrite : public ProfileStoreTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedWrite, AnswersZeroAndKeepsTheFile) {
  const std::string before = "[Season]\nnumEvents=12\r\n; keep me\r\n";
  m_dir.Write("67season.ini", before);
  GetParam().arrange(*this);
  EXPECT_EQ(Write("Season", "NumEvents", "13", m_dir.Path("67season.ini")), 0);
  if (GetParam().sameValueRefused) {
    EXPECT_EQ(Write("Season", "NumEvents", "12", m_dir.Path("67season.ini")), 0);
  }
  m_held.reset();
  if (GetParam().neverReplaced) {
    EXPECT_EQ(m_files.m_replaces, 0);
  }
  EXPECT_EQ(m_dir.Read("67season.ini"), before);
  EXPECT_EQ(m_dir.Listing(), "67season.ini;");
}

Refusal ReadFailsWith(const char* name, int cause) {
  return {name, [cause](ProfileStoreTest& t) { t.m_files.m_readFailure = cause; }, true, true};
}

INSTANTIATE_TEST_SUITE_P(
    Ways, RefusedWrite,
    ::testing::Values(
        Refusal{"ReadOnly", [](ProfileStoreTest& t) { t.m_dir.SetReadOnly("67season.ini", true); },
                true, false},
        Refusal{"HeldWithoutSharing",
                [](ProfileStoreTest& t) {
                  t.m_held = t.m_files.OpenExclusiveForRead(t.m_dir.Path("67season.ini"));
                },
                true, false},
        Refusal{"ReplaceFails", [](ProfileStoreTest& t) { t.m_files.m_failReplace = true; },
                false, false},
        // An unreadable file is never rewritten from nothing.
        ReadFailsWith("SharingViolation", kCauseSharingViolation),
        ReadFailsWith("HardIO", kCauseHardIO), ReadFailsWith("Generic", kCauseGeneric),
        ReadFailsWith("AccessDenied", kCauseAccessDenied),
        ReadFailsWith("LockViolation", kCauseLockViolation)),
    [](const auto& info) { return info.param.name; });

TEST_F(ProfileStoreTest, AWriteThatChangesNothingLeavesTheFileAlone) {
  m_dir.Write("gp.ini", "[Season]\r\nnumEvents=12\r\n");
  EXPECT_NE(Write("SEASON", "numevents", "12", m_dir.Path("gp.ini")), 0);
  EXPECT_NE(Write("Season", "absent", nullptr, m_dir.Path("gp.ini")), 0);
  EXPECT_EQ(m_files.m_replaces, 0);
}

TEST_F(ProfileStoreTest, NullValueDeletesTheKeyNullKeyTheSection) {
  m_dir.Write("gp.ini", "[a]\r\nx=1\r\ny=2\r\n[b]\r\nz=3\r\n");
  EXPECT_NE(Write("a", "X", nullptr, m_dir.Path("gp.ini")), 0);
  EXPECT_NE(Write("B", nullptr, nullptr, m_dir.Path("gp.ini")), 0);
  EXPECT_EQ(m_dir.Read("gp.ini"), "[a]\r\ny=2\r\n");
  EXPECT_NE(Write("a", "k", nullptr, m_dir.Path("missing.ini")), 0);
  EXPECT_FALSE(m_dir.Exists("missing.ini"));
}

TEST_F(ProfileStoreTest, EntriesThatWouldNotReadBackAreRefused) {
  m_dir.Write("gp.ini", "[a]\r\nx=1\r\n");
  EXPECT_EQ(Write("a", "x", "1\r\n[Season]\r\nnumEvents=0", m_dir.Path("gp.ini")), 0);
  EXPECT_EQ(Write(nullptr, "x", "1", m_dir.Path("gp.ini")), 0);
  EXPECT_EQ(m_dir.Read("gp.ini"), "[a]\r\nx=1\r\n");
}

// A full season written the way the season update writes it.
std::string SeasonFile(int events) {
  std::string text = "; GPL season\r\n[Season]\r\nnumEvents=" + std::to_string(events) + "\r\n";
  for (int i = 1; i <= events; ++i) {
    text += "\r\n[Event " + std::to_string(i) + "]\r\nname=Track " + std::to_string(i) +
            "\r\nshortname=T" + std::to_string(i) + "\r\ntrackDirectory=track" +
            std::to_string(i) + "\r\nnumberOfLaps=50\r\nday=1\r\nmonth=5\r\nstartingGrid=1\r\n";
  }
  return text;
}

TEST_F(ProfileStoreTest, RefreshingAnEventInAFullSeasonChangesOnlyItsValue) {
  const std::string before = SeasonFile(64);
  m_dir.Write("67season.ini", before);
  EXPECT_EQ(Get("Season", "numEvents", m_dir.Path("67season.ini")), "64");
  EXPECT_EQ(Get("Event 64", "trackDirectory", m_dir.Path("67season.ini")), "track64");
  EXPECT_NE(Write("Event 40", "name", "Kestrel Heath", m_dir.Path("67season.ini")), 0);
  std::string expected = before;
  const std::string old = "name=Track 40\r\n";
  expected.replace(expected.find(old), old.size(), "name=Kestrel Heath\r\n");
  EXPECT_EQ(m_dir.Read("67season.ini"), expected);
}

}  // namespace
}  // namespace gridmoor
