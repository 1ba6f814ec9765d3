#include "engine/GameFolder.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace gridmoor {
namespace {

// Answers each read from a script and records the rights asked for.
class ScriptedRegistry : public Registry {
 public:
  struct Answer {
    long status;
    std::string text;
  };
  std::deque<Answer> answers;
  std::vector<unsigned> accessAsked;

  long ReadText(RegistryRoot root, const std::string& subkey, const std::string& valueName,
                unsigned access, std::size_t bufferSize, std::string& text) override {
    EXPECT_EQ(root, RegistryRoot::LocalMachine);
    EXPECT_EQ(subkey, "Software\\Sierra OnLine\\Setup\\GPL");
    EXPECT_EQ(valueName, "Directory");
    EXPECT_EQ(bufferSize, 100u);
    accessAsked.push_back(access);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected read";
      return kRegistryNotFound;
    }
    Answer answer = answers.front();
    answers.pop_front();
    text = answer.text;
    return answer.status;
  }
};

struct LookupCase {
  const char* name;
  std::vector<ScriptedRegistry::Answer> answers;
  std::vector<unsigned> accessAsked;
  std::string folder;
};

class GamePathFromRegistryTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(GamePathFromRegistryTest, AnswersTheFolderOrNothing) {
  ScriptedRegistry registry;
  registry.answers.assign(GetParam().answers.begin(), GetParam().answers.end());
  EXPECT_EQ(GetGamePathFromRegistry(registry), GetParam().folder);
  EXPECT_EQ(registry.accessAsked, GetParam().accessAsked);
  EXPECT_TRUE(registry.answers.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, GamePathFromRegistryTest,
    ::testing::Values(
        LookupCase{"Found", {{kRegistryOk, "C:\\Games\\GPL"}}, {3}, "C:\\Games\\GPL"},
        LookupCase{"TrailingBackslashKept", {{kRegistryOk, "C:\\Games\\GPL\\"}}, {3},
                   "C:\\Games\\GPL\\"},
        // A user without the right to set values still finds the game.
        LookupCase{"ReadOnlyRightsSuffice",
                   {{kRegistryAccessDenied, ""}, {kRegistryOk, "D:\\GPL"}},
                   {3, 1},
                   "D:\\GPL"},
        LookupCase{"DeniedBoth", {{kRegistryAccessDenied, "junk"}, {kRegistryAccessDenied, "junk"}},
                   {3, 1}, ""},
        // Value problems are not about rights: no second try.
        LookupCase{"TooLong", {{kRegistryMoreData, "C:\\a"}}, {3}, ""},
        LookupCase{"HundredCharactersDoNotFit", {{kRegistryOk, std::string(100, 'x')}}, {3}, ""},
        LookupCase{"NinetyNineFit", {{kRegistryOk, std::string(99, 'x')}}, {3},
                   std::string(99, 'x')}),
    [](const auto& info) { return info.param.name; });

TEST(FolderOfChosenFileTest, CutsAtTheLastBackslash) {
  const struct {
    const char* path;
    const char* folder;
  } cases[] = {
      {"C:\\Games\\GPL\\gpl.exe", "C:\\Games\\GPL"},
      {"C:\\gpl.exe", "C:"},
      {"gpl.exe", "gpl.exe"},
      {"\\\\server\\share\\gpl.exe", "\\\\server\\share"},
  };
  for (const auto& c : cases) EXPECT_EQ(FolderOfChosenFile(c.path), c.folder) << c.path;
}

}  // namespace
}  // namespace gridmoor
