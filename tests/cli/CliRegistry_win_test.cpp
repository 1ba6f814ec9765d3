// Windows: the game found through its setup entry, which the test sets and puts back.

#include <windows.h>

#include <gtest/gtest.h>

#include "cli/CliFixture.h"
#include "platform/ProfileText.h"

namespace gridmoor::testing {
namespace {

constexpr const char* kSetupKey = "Software\\Sierra OnLine\\Setup\\GPL";

// Sets the entry's Directory value for the life of the object, then puts back what was there.
class SetupEntry {
 public:
  explicit SetupEntry(const std::string* directory) {
    char old[512] = {};
    DWORD size = sizeof old;
    m_had = RegGetValueA(HKEY_LOCAL_MACHINE, kSetupKey, "Directory", RRF_RT_REG_SZ, nullptr, old,
                         &size) == ERROR_SUCCESS;
    m_old = old;
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSetupKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    if (directory) {
      RegSetValueExA(key, "Directory", 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(directory->c_str()),
                     static_cast<DWORD>(directory->size() + 1));
    } else {
      RegDeleteValueA(key, "Directory");
    }
    RegCloseKey(key);
  }
  ~SetupEntry() {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSetupKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    if (m_had) {
      RegSetValueExA(key, "Directory", 0, REG_SZ, reinterpret_cast<const BYTE*>(m_old.c_str()),
                     static_cast<DWORD>(m_old.size() + 1));
    } else {
      RegDeleteValueA(key, "Directory");
    }
    RegCloseKey(key);
  }
  SetupEntry(const SetupEntry&) = delete;
  SetupEntry& operator=(const SetupEntry&) = delete;

 private:
  bool m_had = false;
  std::string m_old;
};

TEST(CliRegistry, WhereAndInstallFindTheGameThroughItsEntry) {
  CliFixture fixture;
  const std::string game = fixture.Game();
  SetupEntry entry(&game);
  const CliResult where = RunCli({"where"});
  ASSERT_EQ(where.status, 0) << where.err;
  // A console program's text output ends its lines in CR LF.
  EXPECT_EQ(where.out.substr(0, where.out.find('\r')), game);
  EXPECT_NE(where.out.find("registry"), std::string::npos) << where.out;

  const CliResult install = RunCli({"install", fixture.Package("alder")});
  ASSERT_EQ(install.status, 0) << install.out << install.err;
  EXPECT_EQ(std::string(FindProfileValue(fixture.Read("seasons/67season.ini"), "Event6",
                                         "trackDirectory")
                            .value_or("")),
            "alder");
}

TEST(CliRegistry, NoEntryIsOneLineAndStatus4) {
  SetupEntry entry(nullptr);
  const CliResult where = RunCli({"where"});
  EXPECT_EQ(where.status, 4);
  EXPECT_EQ(std::count(where.err.begin(), where.err.end(), '\n'), 1) << where.err;
  EXPECT_NE(where.err.find("Sierra OnLine\\Setup\\GPL"), std::string::npos) << where.err;
}

}  // namespace
}  // namespace gridmoor::testing
