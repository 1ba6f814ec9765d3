// Reading and changing profile text, table by table.

#include "platform/ProfileText.h"

#include <gtest/gtest.h>

namespace gridmoor {
namespace {

std::string TestName(std::string name) {
  for (char& c : name) {
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

struct ReadCase {
  const char* what;
  std::string_view text;
  const char* section;
  const char* key;
  std::optional<std::string_view> expected;
};

class ProfileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, FindsWhatWindowsFinds) {
  const ReadCase& c = GetParam();
  EXPECT_EQ(FindProfileValue(c.text, c.section, c.key), c.expected);
}

using std::nullopt;
using namespace std::string_view_literals;

const ReadCase kReads[] = {
    {"plain", "[Season]\r\nnumEvents=12\r\n", "Season", "numEvents", "12"},
    {"section case ignored", "[SEASON]\r\nnumEvents=12\r\n", "season", "numEvents", "12"},
    {"key case ignored", "[Season]\r\nNUMEVENTS=12\r\n", "Season", "numevents", "12"},
    {"blanks around the header name", "  [ Season\t]  \r\nn=1\r\n", "Season", "n", "1"},
    {"blanks around the asked names", "[Season]\r\nn=1\r\n", " Season ", "\tn ", "1"},
    {"blanks around key and value", "[s]\r\n\t key \t=  v a l \t\r\n", "s", "key", "v a l"},
    {"header ends at the first bracket", "[a]b]\r\nk=1\r\n", "a", "k", "1"},
    {"text after the header", "[a] ; note\r\nk=1\r\n", "a", "k", "1"},
    {"bracket without close is no header", "[a]\r\n[b\r\nk=1\r\n", "a", "k", "1"},
    {"semicolon line is a comment", "[s]\r\n;k=1\r\nk=2\r\n", "s", "k", "2"},
    {"indented semicolon is a comment", "[s]\r\n  ;k=1\r\n", "s", "k", nullopt},
    {"hash is no comment", "[s]\r\n#k=1\r\n", "s", "#k", "1"},
    {"semicolon after a value is value", "[s]\r\nk=v ;x\r\n", "s", "k", "v ;x"},
    {"first duplicate key wins", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "1"},
    {"first duplicate section wins", "[s]\r\nk=1\r\n[S]\r\nk=2\r\n", "s", "k", "1"},
    {"later duplicate section is not searched", "[s]\r\na=1\r\n[s]\r\nk=2\r\n", "s", "k", nullopt},
    {"missing section", "[s]\r\nk=1\r\n", "t", "k", nullopt},
    {"missing key", "[s]\r\nk=1\r\n", "s", "j", nullopt},
    {"key of another section", "[s]\r\n[t]\r\nk=1\r\n", "s", "k", nullopt},
    {"empty text", "", "s", "k", nullopt},
    {"keys before any section belong to none", "k=1\r\n[s]\r\n", "s", "k", nullopt},
    {"value holds equals signs", "[s]\r\nk=a=b=c\r\n", "s", "k", "a=b=c"},
    {"empty value", "[s]\r\nk=\r\n", "s", "k", ""},
    {"line without equals is a key without value", "[s]\r\nk\r\n", "s", "k", ""},
    {"double quotes removed", "[s]\r\nk=\" a \"\r\n", "s", "k", " a "},
    {"single quotes removed", "[s]\r\nk='a'\r\n", "s", "k", "a"},
    {"only one pair removed", "[s]\r\nk=\"\"a\"\"\r\n", "s", "k", "\"a\""},
    {"mismatched quotes kept", "[s]\r\nk=\"a'\r\n", "s", "k", "\"a'"},
    {"lone quote kept", "[s]\r\nk=\"\r\n", "s", "k", "\""},
    {"LF line ends", "[s]\nj=0\nk=1\n", "s", "k", "1"},
    {"CR line ends", "[s]\rj=0\rk=1\r", "s", "k", "1"},
    {"mixed line ends", "[s]\r\nj=0\rk=1\n", "s", "k", "1"},
    {"no final line end", "[s]\r\nk=1", "s", "k", "1"},
    {"UTF-8 mark before the first header", "\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", "1"},
    {"empty section name", "[]\r\nk=1\r\n", "", "k", "1"},
    {"ASCII case only", "[\xC4]\r\nk=1\r\n", "\xE4", "k", nullopt},
};

INSTANTIATE_TEST_SUITE_P(Table, ProfileRead, ::testing::ValuesIn(kReads),
                         [](const auto& info) { return TestName(info.param.what); });

struct WriteCase {
  const char* what;
  std::string_view before;
  const char* section;
  const char* key;
  const char* value;
  std::string_view after;
};

class ProfileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, ChangesOnlyTheEntry) {
  const WriteCase& c = GetParam();
  const std::string after = SetProfileValue(c.before, c.section, c.key, c.value);
  EXPECT_EQ(after, c.after);
  EXPECT_EQ(FindProfileValue(after, c.section, c.key), std::string_view(c.value));
}

const WriteCase kWrites[] = {
    {"replace keeps the key's spelling", "[Season]\r\nnumEvents=12\r\n", "Season", "NumEvents",
     "13", "[Season]\r\nnumEvents=13\r\n"},
    {"replace keeps spacing before the value", "[s]\r\n  k = old  \r\nz=1\r\n", "s", "K", "new",
     "[s]\r\n  k =new\r\nz=1\r\n"},
    {"replace keeps LF line ends", "[s]\nk=1\nz=2\n", "s", "k", "9", "[s]\nk=9\nz=2\n"},
    {"replace the first duplicate only", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "3",
     "[s]\r\nk=3\r\nk=2\r\n"},
    {"replace a key without equals", "[s]\r\n k \r\n", "s", "k", "v", "[s]\r\n k=v\r\n"},
    {"replace in the last line without end", "[s]\r\nk=1", "s", "k", "22", "[s]\r\nk=22"},
    {"add after the last key, before blanks and comments",
     "; head\r\n[a]\r\nx=1\r\n\r\n; tail of a\r\n[b]\r\ny=2\r\n", "a", "k", "v",
     "; head\r\n[a]\r\nx=1\r\nk=v\r\n\r\n; tail of a\r\n[b]\r\ny=2\r\n"},
    {"add to an empty section", "[a]\r\n[b]\r\n", "a", "k", "v", "[a]\r\nk=v\r\n[b]\r\n"},
    {"add to the last section without a final end", "[a]\r\nx=1", "a", "k", "v",
     "[a]\r\nx=1\r\nk=v\r\n"},
    {"add after a header that ends the file", "[a]", "a", "k", "v", "[a]\r\nk=v\r\n"},
    {"add to the first duplicate section", "[a]\r\nx=1\r\n[A]\r\n", "A", "k", "v",
     "[a]\r\nx=1\r\nk=v\r\n[A]\r\n"},
    {"add to an LF file with a CR LF line", "[a]\nx=1\n", "a", "k", "v", "[a]\nx=1\nk=v\r\n"},
    {"new section at the end", "[a]\r\nx=1\r\n", "Event 3", "name", "Kestrel Heath",
     "[a]\r\nx=1\r\n[Event 3]\r\nname=Kestrel Heath\r\n"},
    {"new section after a missing final end", "[a]\r\nx=1", "b", "k", "v",
     "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
    {"new section after a CR-only end", "[a]\rx=1\r", "b", "k", "v", "[a]\rx=1\r[b]\r\nk=v\r\n"},
    {"new file", "", "Season", "NumEvents", "1", "[Season]\r\nNumEvents=1\r\n"},
    {"bytes before the first section kept", "junk \x01\xFF\r\nk=0\r\n", "s", "k", "1",
     "junk \x01\xFF\r\nk=0\r\n[s]\r\nk=1\r\n"},
    {"a UTF-8 mark is kept, none added", "\xEF\xBB\xBF[s]\r\n", "s", "k", "1",
     "\xEF\xBB\xBF[s]\r\nk=1\r\n"},
    {"only a UTF-8 mark", "\xEF\xBB\xBF", "s", "k", "1", "\xEF\xBB\xBF[s]\r\nk=1\r\n"},
    {"names written trimmed", "", " s ", " k ", "v", "[s]\r\nk=v\r\n"},
    {"empty value", "[s]\r\nk=1\r\n", "s", "k", "", "[s]\r\nk=\r\n"},
    // Values that reading would change are stored in one more pair of quotes.
    {"leading space quoted", "[s]\r\nk=1\r\n", "s", "k", " a", "[s]\r\nk=\" a\"\r\n"},
    {"trailing tab quoted", "", "s", "k", "a\t", "[s]\r\nk=\"a\t\"\r\n"},
    {"quoted value quoted again", "", "s", "k", "\"x\"", "[s]\r\nk=\"\"x\"\"\r\n"},
    {"single-quoted value quoted", "", "s", "k", "'x'", "[s]\r\nk=\"'x'\"\r\n"},
    {"unmatched quotes stay bare", "", "s", "k", "'x\"", "[s]\r\nk='x\"\r\n"},
    {"a lone quote stays bare", "", "s", "k", "\"", "[s]\r\nk=\"\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Table, ProfileWrite, ::testing::ValuesIn(kWrites),
                         [](const auto& info) { return TestName(info.param.what); });

TEST(ProfileText, ListsSectionsAndKeysInFileOrder) {
  const std::string_view text = "k0=1\r\n[a]\r\nx=1\r\n;c\r\n y \r\n[b]\r\n[a]\r\nz=1\r\n";
  EXPECT_EQ(ProfileSectionNames(text), (std::vector<std::string_view>{"a", "b", "a"}));
  // " y " has no '=': Windows lists no such line, though a lookup finds it.
  EXPECT_EQ(ProfileKeyNames(text, "A"), (std::vector<std::string_view>{"x"}));
  EXPECT_EQ(FindProfileValue(text, "a", "y"), std::string_view());
  EXPECT_EQ(ProfileKeyNames(text, "b"), std::vector<std::string_view>{});
  EXPECT_EQ(ProfileKeyNames(text, "c"), std::nullopt);
}

TEST(ProfileText, DeletesTheFirstKeyOrTheWholeSection) {
  const std::string_view text = "[a]\r\nx=1\r\nk=2\r\n;c\r\n[b]\r\nk=3";
  EXPECT_EQ(DeleteProfileKey(text, "A", "K"), "[a]\r\nx=1\r\n;c\r\n[b]\r\nk=3");
  EXPECT_EQ(DeleteProfileKey(text, "b", "k"), "[a]\r\nx=1\r\nk=2\r\n;c\r\n[b]\r\n");
  EXPECT_EQ(DeleteProfileKey(text, "a", "missing"), text);
  EXPECT_EQ(DeleteProfileSection(text, "a"), "[b]\r\nk=3");
  EXPECT_EQ(DeleteProfileSection(text, "b"), "[a]\r\nx=1\r\nk=2\r\n;c\r\n");
  EXPECT_EQ(DeleteProfileSection(text, "c"), text);
}

TEST(ProfileText, RenamesTheFirstHeaderKeepingTheRestOfItsLine) {
  const std::string_view text = "[Event2] ; old\r\nx=1\r\n[ event2 ]\n[]\r\n";
  EXPECT_EQ(RenameProfileSection(text, "EVENT2", "Event1"),
            "[Event1] ; old\r\nx=1\r\n[ event2 ]\n[]\r\n");
  EXPECT_EQ(RenameProfileSection(text, "", "Event9"),
            "[Event2] ; old\r\nx=1\r\n[ event2 ]\n[Event9]\r\n");
  EXPECT_EQ(RenameProfileSection(text, "Event3", "Event1"), std::nullopt);
  for (const char* unreadable : {"a]b", " a", "a\r\n[b", "a "}) {
    EXPECT_EQ(RenameProfileSection(text, "Event2", unreadable), std::nullopt) << unreadable;
  }
}

struct EntryCase {
  const char* section;
  const char* key;
  const char* value;
  bool writable;
};

class ProfileEntryCheck : public ::testing::TestWithParam<EntryCase> {};

TEST_P(ProfileEntryCheck, RefusesWhatWouldNotReadBack) {
  const EntryCase& c = GetParam();
  EXPECT_EQ(IsWritableProfileEntry(c.section, c.key, c.value), c.writable);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileEntryCheck,
    ::testing::Values(EntryCase{"Event 1", "name", "Kestrel Heath", true},
                      EntryCase{"s", "k", "a=b ;[x]", true}, EntryCase{"s", "", "v", true},
                      EntryCase{"s", "k", "two\r\nlines", false},
                      EntryCase{"s", "k", "cr\r[x]", false}, EntryCase{"s\n", "k", "v", false},
                      EntryCase{"s", "k\n", "v", false}, EntryCase{"s]x", "k", "v", false},
                      EntryCase{"s", "a=b", "v", false}, EntryCase{"s", " ;k", "v", false},
                      EntryCase{"s", "[k", "v]", false}));

}  // namespace
}  // namespace gridmoor
