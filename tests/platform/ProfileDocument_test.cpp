#include "platform/ProfileDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>

#include "platform/FileException.h"
#include "platform/MemoryFileSystem.h"
#include "platform/ProfileStore.h"
#include "platform/TestFolder.h"

namespace gridmoor {
namespace {

using testing::MemoryFileSystem;
using testing::TestFolder;

// Random profile texts and edits drawn from a small alphabet, so that names collide, sections
// repeat, and values need quoting often enough.
class RandomProfiles {
 public:
  explicit RandomProfiles(unsigned seed) : m_random(seed) {}

  std::string Text() {
    static const char* const kLines[] = {
        "[Season]", "[season]", "[Event1]", " [Event2] ;x", "[Event3]", "[]", "numEvents=2",
        "NumEvents = 12x", "name=\"q\"", "k", " k = v ", "trackDirectory=a", ";c", "", "x=1=2",
        "[Event1", "\xEF\xBB\xBF[a]"};
    static const char* const kEnds[] = {"\r\n", "\n", "\r", ""};
    std::string text;
    for (int i = Pick(12); i > 0; --i) text += std::string(kLines[Pick(17)]) + kEnds[Pick(4)];
    return text;
  }

  struct Edit {
    int kind;  // 0 set, 1 delete key, 2 delete section
    std::string section, key, value;
  };
  Edit NextEdit() {
    static const char* const kSections[] = {"Season", "EVENT1", "Event2", "Event3", "", "new"};
    static const char* const kKeys[] = {"NumEvents", "k", "name", "trackDirectory", "x"};
    static const char* const kValues[] = {"13", "", " a", "\"x\"", "'y'", "v w", "a\"", "64"};
    return Edit{Pick(3), kSections[Pick(6)], kKeys[Pick(5)], kValues[Pick(8)]};
  }

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

 private:
  std::mt19937 m_random;
};

// The document exists so the season update can make all its writes in memory and save once;
// that is only sound when it leaves exactly what the same writes one by one leave.
TEST(ProfileDocument, EditsSavedOnceLeaveTheBytesOfTheWritesOneByOne) {
  for (unsigned seed = 1; seed <= 400; ++seed) {
    RandomProfiles random(seed);
    const std::string before = random.Text();
    MemoryFileSystem oneByOne, once;
    oneByOne.files["a.ini"] = once.files["a.ini"] = before;
    ProfileStore store(oneByOne);
    ProfileDocument document = ProfileDocument::Load(once, "a.ini");

    for (int i = random.Pick(10); i >= 0; --i) {
      const RandomProfiles::Edit e = random.NextEdit();
      const char* key = e.kind == 2 ? nullptr : e.key.c_str();
      const char* value = e.kind == 0 ? e.value.c_str() : nullptr;
      store.WritePrivateProfileStringA(e.section.c_str(), key, value, "a.ini");
      if (e.kind == 0) document.Set(e.section, e.key, e.value);
      if (e.kind == 1) document.DeleteKey(e.section, e.key);
      if (e.kind == 2) document.DeleteSection(e.section);
      if (e.kind == 0) {
        ASSERT_EQ(document.Get(e.section, e.key), e.value) << "seed " << seed;
      }
    }
    ASSERT_TRUE(document.Save()) << "seed " << seed;
    ASSERT_EQ(once.files["a.ini"], oneByOne.files["a.ini"]) << "seed " << seed;
    EXPECT_EQ(once.reads, 1);
    EXPECT_LE(once.replaces, 1);
  }
}

// The one-pass listing the season scan uses answers what a lookup per section would.
TEST(ProfileDocument, ValuesOfAKeyAgreeWithLookupsSectionBySection) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    RandomProfiles random(seed);
    MemoryFileSystem files;
    files.files["a.ini"] = random.Text();
    const ProfileDocument document = ProfileDocument::Load(files, "a.ini");
    for (const char* key : {"k", "NUMEVENTS", "trackDirectory", "x"}) {
      std::vector<std::pair<std::string, std::string>> expected;
      std::vector<std::string> seen;
      for (const std::string& section : document.SectionNames()) {
        std::string folded = section;
        for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (std::find(seen.begin(), seen.end(), folded) != seen.end()) continue;
        seen.push_back(folded);
        if (const auto value = document.Get(section, key)) expected.emplace_back(section, *value);
      }
      ASSERT_EQ(document.ValuesOfKey(key), expected) << "seed " << seed << ", key " << key;
    }
  }
}

TEST(ProfileDocument, AnswersLookupsAsTheProfileReadsDo) {
  MemoryFileSystem files;
  files.files["a.ini"] = std::string("[s]\r\nk = \"v\" \r\nbare\r\nnul=a\0b\r\n[t]\r\n[S]\r\nz=1\r\n", 40);
  const ProfileDocument document = ProfileDocument::Load(files, "a.ini");
  EXPECT_EQ(document.Get("S", "K"), "v");
  EXPECT_EQ(document.Get("s", "bare"), "");
  EXPECT_EQ(document.Get("s", "nul"), "a");
  EXPECT_EQ(document.Get("s", "z"), std::nullopt);  // only the first [s] is searched
  EXPECT_EQ(document.SectionNames(), (std::vector<std::string>{"s", "t", "S"}));
  EXPECT_EQ(document.KeyNames("s"), (std::vector<std::string>{"k", "nul"}));
  EXPECT_EQ(document.KeyNames("u"), std::nullopt);
}

// Another program's change between the read and the save is never overwritten.
TEST(ProfileDocument, SaveRefusesAFileChangedSinceItWasRead) {
  struct Case {
    const char* what;
    std::optional<std::string> atLoad, atSave;
  };
  for (const Case& c : {Case{"changed", "[s]\r\nk=1\r\n", "[s]\r\nk=2\r\n"},
                        Case{"grown", "[s]\r\nk=1\r\n", "[s]\r\nk=1\r\nj=2\r\n"},
                        Case{"created", std::nullopt, "[s]\r\n"},
                        Case{"deleted", "[s]\r\nk=1\r\n", std::nullopt}}) {
    TestFolder dir;
    if (c.atLoad) dir.Write("a.ini", *c.atLoad);
    auto files = MakeNativeFileSystem();
    ProfileDocument document = ProfileDocument::Load(*files, dir.Path("a.ini"));
    std::filesystem::remove(dir.Native("a.ini"));
    if (c.atSave) dir.Write("a.ini", *c.atSave);
    ASSERT_TRUE(document.Set("s", "k", "mine"));
    EXPECT_FALSE(document.Save()) << c.what;
    EXPECT_EQ(dir.Read("a.ini"), c.atSave.value_or("")) << c.what;
    EXPECT_EQ(dir.Listing(), c.atSave ? "a.ini;" : "") << c.what;
  }
}

TEST(ProfileDocument, AnUnreadableFileIsNeverTakenForAnEmptyOne) {
  TestFolder dir;
  dir.Write("a.ini", "[Season]\r\nnumEvents=12\r\n");
  auto files = MakeNativeFileSystem();
  {
    auto held = files->OpenExclusiveForRead(dir.Path("a.ini"));
    EXPECT_THROW(ProfileDocument::Load(*files, dir.Path("a.ini")), CFileException);
  }
  try {
    ProfileDocument::Load(*files, dir.Path("seasons\\a.ini"));
    FAIL() << "a missing folder loaded";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.Cause(), kCauseBadPath);
  }
  EXPECT_FALSE(ProfileDocument::Load(*files, dir.Path("b.ini")).Existed());
}

TEST(ProfileDocument, SavesOnlyWhatChangedAndOnlyWhereAllowed) {
  TestFolder dir;
  dir.Write("a.ini", "[s]\r\nk=1\r\n");
  auto files = MakeNativeFileSystem();
  ProfileDocument document = ProfileDocument::Load(*files, dir.Path("a.ini"));
  ASSERT_TRUE(document.Set("s", "k", "1"));
  EXPECT_FALSE(document.Changed());
  EXPECT_TRUE(document.Save());

  dir.SetReadOnly("a.ini", true);
  EXPECT_FALSE(document.Save());  // nothing to write, but the file may not be written
  ASSERT_TRUE(document.Set("s", "k", "2"));
  EXPECT_FALSE(document.Save());
  dir.SetReadOnly("a.ini", false);
  ASSERT_TRUE(document.Save());
  EXPECT_EQ(dir.Read("a.ini"), "[s]\r\nk=2\r\n");
  // The saved text is what the next save compares with.
  ASSERT_TRUE(document.Set("s", "k", "3"));
  ASSERT_TRUE(document.Save());
  EXPECT_EQ(dir.Read("a.ini"), "[s]\r\nk=3\r\n");
  EXPECT_EQ(dir.Listing(), "a.ini;");
}

TEST(ProfileDocument, RenamesAndRefusesUnwritableEdits) {
  MemoryFileSystem files;
  files.files["a.ini"] = "[Event2]\r\nk=1\r\n";
  ProfileDocument document = ProfileDocument::Load(files, "a.ini");
  EXPECT_TRUE(document.RenameSection("event2", "Event1"));
  EXPECT_FALSE(document.RenameSection("Event2", "Event3"));
  EXPECT_FALSE(document.Set("Event1", "k", "two\r\nlines"));
  EXPECT_FALSE(document.Set("Event1", "a=b", "v"));
  EXPECT_EQ(document.Text(), "[Event1]\r\nk=1\r\n");
}

}  // namespace
}  // namespace gridmoor
