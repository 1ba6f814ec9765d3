#include "platform/WineRegistry.h"

#include <gtest/gtest.h>

namespace gridmoor {
namespace {

constexpr const char* kKey = "Software\\Sierra OnLine\\Setup\\GPL";

std::string Reg(const std::string& body) {
  return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n" + body;
}

struct LookupCase {
  const char* name;
  std::string reg;
  WineLookup result;
  std::string text;
};

class WineRegistryLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(WineRegistryLookup, FindsTheDirectoryValue) {
  const WineRegistryText found = FindWineRegistryText(GetParam().reg, kKey, "Directory");
  EXPECT_EQ(found.result, GetParam().result);
  EXPECT_EQ(found.text, GetParam().text);
}

const std::string kHeader = "[Software\\\\Sierra OnLine\\\\Setup\\\\GPL] 1700000000\n#time=1d\n";

INSTANTIATE_TEST_SUITE_P(
    WineRegistry, WineRegistryLookup,
    ::testing::Values(
        LookupCase{"plain", Reg(kHeader + "\"Directory\"=\"C:\\\\Sierra\\\\GPL\"\n"),
                   WineLookup::kFound, "C:\\Sierra\\GPL"},
        LookupCase{"names_in_other_case_and_crlf",
                   Reg("[software\\\\SIERRA ONLINE\\\\setup\\\\gpl] 1\r\n\"DIRECTORY\"=\"D:\\\\g\"\r\n"),
                   WineLookup::kFound, "D:\\g"},
        LookupCase{"expandable_string", Reg(kHeader + "\"Directory\"=str(2):\"C:\\\\GPL\"\n"),
                   WineLookup::kFound, "C:\\GPL"},
        LookupCase{"escapes",
                   Reg(kHeader + "\"Directory\"=\"C:\\\\a\\\"b\\x41\\x00e9\\101\\q\"\n"),
                   WineLookup::kFound, "C:\\a\"bA\xC3\xA9" "Aq"},
        LookupCase{"first_of_two_keys_wins",
                   Reg(kHeader + "\"Other\"=\"x\"\n\n" + kHeader + "\"Directory\"=\"C:\\\\b\"\n"),
                   WineLookup::kNoValue, ""},
        LookupCase{"value_of_a_later_key_is_not_taken",
                   Reg(kHeader + "\n[Software\\\\Other] 1\n\"Directory\"=\"C:\\\\x\"\n"),
                   WineLookup::kNoValue, ""},
        LookupCase{"after_a_huge_line",
                   Reg("[Software\\\\Big] 1\n\"v\"=\"" + std::string(1 << 20, 'a') + "\"\n" +
                       kHeader + "\"Directory\"=\"C:\\\\GPL\"\n"),
                   WineLookup::kFound, "C:\\GPL"},
        LookupCase{"no_key", Reg("[Software\\\\Sierra OnLine] 1\n\"Directory\"=\"C:\\\\x\"\n"),
                   WineLookup::kNoKey, ""},
        LookupCase{"cut_in_the_value", Reg(kHeader + "\"Directory\"=\"C:\\\\Sier"),
                   WineLookup::kNotText, ""},
        LookupCase{"cut_in_the_header", Reg("[Software\\\\Sierra OnLine\\\\Setup\\\\GP"),
                   WineLookup::kNoKey, ""},
        LookupCase{"a_number", Reg(kHeader + "\"Directory\"=dword:00000001\n"),
                   WineLookup::kNotText, ""},
        LookupCase{"embedded_nul", Reg(kHeader + "\"Directory\"=\"C:\\\\a\\0b\"\n"),
                   WineLookup::kNotText, ""},
        LookupCase{"half_a_surrogate", Reg(kHeader + "\"Directory\"=\"C:\\\\\\xd800\"\n"),
                   WineLookup::kNotText, ""},
        LookupCase{"escape_at_the_end", Reg(kHeader + "\"Directory\"=\"C:\\"),
                   WineLookup::kNotText, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WineRegistry, TellsA64BitPrefix) {
  EXPECT_FALSE(IsWin64Registry(Reg("")));
  EXPECT_TRUE(IsWin64Registry("WINE REGISTRY Version 2\n;; x\n\n#arch=win64\n"));
}

struct DosCase {
  const char* path;
  char drive;  // 0: refused
  std::vector<std::string> folders;
};

class WineDosPath : public ::testing::TestWithParam<DosCase> {};

TEST_P(WineDosPath, SplitsOrRefuses) {
  std::string error;
  const std::optional<DosPath> dos = ParseDosPath(GetParam().path, error);
  if (GetParam().drive == 0) {
    EXPECT_FALSE(dos) << GetParam().path;
    EXPECT_FALSE(error.empty());
    return;
  }
  ASSERT_TRUE(dos) << error;
  EXPECT_EQ(dos->drive, GetParam().drive);
  EXPECT_EQ(dos->folders, GetParam().folders);
}

INSTANTIATE_TEST_SUITE_P(
    WineRegistry, WineDosPath,
    ::testing::Values(DosCase{"C:\\Sierra\\GPL", 'c', {"Sierra", "GPL"}},
                      DosCase{"d:/a//b/./c\\", 'd', {"a", "b", "c"}},
                      DosCase{"E:", 'e', {}},
                      DosCase{"C:\\GPL\\..\\..\\etc", 0, {}},
                      DosCase{"C:\\GPL\\ . .", 0, {}},
                      DosCase{"\\\\server\\share\\GPL", 0, {}},
                      DosCase{"Sierra\\GPL", 0, {}},
                      DosCase{"C:GPL", 0, {}},
                      DosCase{"C:\\a|b", 0, {}},
                      DosCase{"C:\\a\nb", 0, {}},
                      DosCase{"1:\\GPL", 0, {}}));

}  // namespace
}  // namespace gridmoor
