#include "ui/LinkLaunch.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace gridmoor::ui {
namespace {

constexpr const char* kAddress = "https://www.lapscope.example/";

// ---------------------------------------------------------------------------------------------
// Building the browser command

struct CommandCase {
  const char* name;
  std::string registered;
  std::string expected;
};

class BrowserCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(BrowserCommand, IsCutAtThePlaceholderAndGetsTheAddress) {
  std::string command = "untouched";
  ASSERT_TRUE(BuildBrowserCommand(GetParam().registered, kAddress, command));
  EXPECT_EQ(command, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, BrowserCommand,
    ::testing::Values(
        CommandCase{"QuotedPlaceholder", R"("C:\Program Files\Browser\browser.exe" "%1")",
                    R"("C:\Program Files\Browser\browser.exe"  https://www.lapscope.example/)"},
        CommandCase{"QuotedPlaceholderThenSwitches", R"("C:\B\b.exe" -url "%1" -new)",
                    R"("C:\B\b.exe" -url  https://www.lapscope.example/)"},
        CommandCase{"PlainPlaceholderThenSwitches", R"(C:\B\b.exe %1 -nohome -new)",
                    R"(C:\B\b.exe  https://www.lapscope.example/)"},
        CommandCase{"PlaceholderGlued", R"(C:\B\b.exe -url=%1)",
                    R"(C:\B\b.exe -url= https://www.lapscope.example/)"},
        CommandCase{"NoPlaceholder", R"("C:\B\b.exe" -nohome)",
                    R"("C:\B\b.exe" -nohome https://www.lapscope.example/)"},
        CommandCase{"QuotedWinsOverEarlierPlain", R"(C:\B\b%1.exe "%1")",
                    R"(C:\B\b%1.exe  https://www.lapscope.example/)"}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return info.param.name; });

TEST(BrowserCommandLength, FitsTheBufferOrIsRefusedWhole) {
  const std::string address = kAddress;
  // registered + space + address + NUL must fit the 520-byte buffer.
  const std::size_t fits = kCommandBufferSize - 1 - 1 - address.size();
  std::string command = "untouched";
  ASSERT_TRUE(BuildBrowserCommand(std::string(fits, 'x'), address, command));
  EXPECT_EQ(command.size(), kCommandBufferSize - 1);

  command = "untouched";
  EXPECT_FALSE(BuildBrowserCommand(std::string(fits + 1, 'x'), address, command));
  EXPECT_FALSE(BuildBrowserCommand("b.exe %1", std::string(600, 'a'), command));
  EXPECT_EQ(command, "untouched");
  // What the placeholder cut away does not count.
  EXPECT_TRUE(BuildBrowserCommand("b.exe %1" + std::string(600, 'x'), address, command));
}

// ---------------------------------------------------------------------------------------------
// The order of the attempts

struct FakeSystem {
  int shellResult = 42;
  std::map<std::string, std::string> classesRoot;
  int runResult = 33;
  std::vector<std::string> calls;

  LaunchSteps Steps() {
    return LaunchSteps{
        [this](const std::string& address, int show) {
          calls.push_back("shell " + address + " " + std::to_string(show));
          return shellResult;
        },
        [this](const std::string& key, std::string& value) -> long {
          calls.push_back("registry " + key);
          auto found = classesRoot.find(key);
          if (found == classesRoot.end()) return ERROR_FILE_NOT_FOUND;
          value = found->second;
          return ERROR_SUCCESS;
        },
        [this](const std::string& command, int show) {
          calls.push_back("run " + command + " " + std::to_string(show));
          return runResult;
        }};
  }
};

const std::map<std::string, std::string> kRegistered = {
    {".htm", "htmlfile"}, {"htmlfile\\shell\\open\\command", "\"C:\\B\\b.exe\" \"%1\""}};

struct LaunchCase {
  const char* name;
  int shellResult;
  std::map<std::string, std::string> classesRoot;
  int runResult;
  int expected;
  std::string steps;  // the calls in order: S(hell), K(ey read), R(un)
};

class LaunchUrlSteps : public ::testing::TestWithParam<LaunchCase> {};

TEST_P(LaunchUrlSteps, FallBackToTheRegisteredBrowserOnlyWhenTheShellFails) {
  FakeSystem system;
  system.shellResult = GetParam().shellResult;
  system.classesRoot = GetParam().classesRoot;
  system.runResult = GetParam().runResult;
  EXPECT_EQ(LaunchUrl(kAddress, SW_SHOW, system.Steps()), GetParam().expected);
  std::string steps;
  for (const std::string& call : system.calls) steps += call[0] == 's' ? 'S' : call[1] == 'e' ? 'K' : 'R';
  EXPECT_EQ(steps, GetParam().steps);
  EXPECT_EQ(system.calls.front(), std::string("shell ") + kAddress + " 5");
  if (steps.back() == 'R') {
    EXPECT_EQ(system.calls.back(), std::string("run \"C:\\B\\b.exe\"  ") + kAddress + " 5");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Registry, LaunchUrlSteps,
    ::testing::Values(
        LaunchCase{"ShellSucceeds", 42, kRegistered, 33, 42, "S"},
        LaunchCase{"Registered", SE_ERR_NOASSOC, kRegistered, 33, 33, "SKKR"},
        LaunchCase{"RunFails", 0, kRegistered, ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND, "SKKR"},
        LaunchCase{"NoHtmKey", SE_ERR_NOASSOC, {}, 33, SE_ERR_NOASSOC, "SK"},
        LaunchCase{"NoCommandKey", SE_ERR_NOASSOC, {{".htm", "htmlfile"}}, 33, SE_ERR_NOASSOC, "SKK"},
        LaunchCase{"CommandTooLong", SE_ERR_NOASSOC,
                   {{".htm", "htmlfile"}, {"htmlfile\\shell\\open\\command", std::string(519, 'x')}},
                   33, SE_ERR_NOASSOC, "SKK"}),
    [](const ::testing::TestParamInfo<LaunchCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------------------------
// The error box's words

TEST(LaunchErrorText, NamesEachCode) {
  const std::map<int, std::string> reasons = {
      {0, "The operating system is out\nof memory or resources."},
      {2, "The specified file was not found."},
      {3, "The specified path was not found."},
      {5, "The operating system denied\naccess to the specified file."},
      {8, "There was not enough memory to complete the operation."},
      {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
      {26, "A sharing violation occurred. "},
      {27, "The filename association is\nincomplete or invalid."},
      {28, "The DDE transaction could not\nbe completed because the request timed out."},
      {29, "The DDE transaction failed."},
      {30, "The DDE transaction could not\nbe completed because other DDE transactions\n"
           "were being processed."},
      {31, "There is no application associated\nwith the given filename extension."},
      {32, "The specified dynamic-link library was not found."},
      {4, "Unknown Error (4) occurred."},
      {-7, "Unknown Error (-7) occurred."},
      {33, "Unknown Error (33) occurred."}};
  for (const auto& [code, reason] : reasons) {
    EXPECT_EQ(LaunchErrorText(code), "Can't open link:\n\n" + reason) << "code " << code;
  }
}

// ---------------------------------------------------------------------------------------------
// Reading a key's default value

class ReadKeyDefaultTest : public ::testing::Test {
 protected:
  static constexpr const char* kRoot = "Software\\GridmoorLinkTest";

  void SetUp() override { Remove(); }
  void TearDown() override { Remove(); }

  static void Put(const std::string& subkey, const char* defaultValue, DWORD type = REG_SZ) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kRoot) + subkey).c_str(), 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (defaultValue != nullptr) {
      RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(defaultValue),
                     static_cast<DWORD>(std::strlen(defaultValue) + 1));
    }
    RegCloseKey(key);
  }
  static void Remove() {
    for (const char* subkey : {"\\Text", "\\Empty", "\\None", "\\Long", "\\Number", ""}) {
      RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kRoot) + subkey).c_str());
    }
  }
  static long Read(const std::string& subkey, std::string& value) {
    const std::unique_ptr<Registry> registry = MakeNativeRegistry();
    return ReadKeyDefault(*registry, RegistryRoot::CurrentUser, std::string(kRoot) + subkey,
                          value);
  }
};

TEST_F(ReadKeyDefaultTest, ReadsTextAndRefusesWhatIsNoCommand) {
  Put("\\Text", "htmlfile");
  Put("\\Empty", "");
  Put("\\None", nullptr);
  const std::string tooLong(300, 'x');
  Put("\\Long", tooLong.c_str());
  Put("\\Number", "\x01\x02\x03", REG_BINARY);

  std::string value = "unchanged";
  EXPECT_EQ(Read("\\Text", value), ERROR_SUCCESS);
  EXPECT_EQ(value, "htmlfile");

  value = "unchanged";
  EXPECT_EQ(Read("\\Missing", value), ERROR_FILE_NOT_FOUND);
  EXPECT_NE(Read("\\Empty", value), ERROR_SUCCESS);
  EXPECT_NE(Read("\\None", value), ERROR_SUCCESS);
  EXPECT_NE(Read("\\Long", value), ERROR_SUCCESS);
  EXPECT_NE(Read("\\Number", value), ERROR_SUCCESS);
  EXPECT_EQ(value, "unchanged");
}

}  // namespace
}  // namespace gridmoor::ui
