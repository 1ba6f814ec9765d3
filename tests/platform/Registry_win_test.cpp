// Registry reads against a key the test creates and removes.

#include <windows.h>

#include <gtest/gtest.h>

#include <random>

#include "platform/Registry.h"

namespace gridmoor {
namespace {

class RegistryWin : public ::testing::Test {
 protected:
  void SetUp() override {
    m_subkey = "Software\\GridmoorTest\\" + std::to_string(std::random_device{}());
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &m_key, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(m_key);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_subkey.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\GridmoorTest");
  }
  void Set(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExA(m_key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
  long Read(const std::string& name, std::size_t size, std::string& text) {
    return MakeNativeRegistry()->ReadText(RegistryRoot::LocalMachine, m_subkey, name,
                                          kKeyQueryValue, size, text);
  }

  std::string m_subkey;
  HKEY m_key = nullptr;
};

// Stored with its NUL or without one, the text must fit with one.
class RegistryStoredSize : public RegistryWin, public ::testing::WithParamInterface<DWORD> {};

TEST_P(RegistryStoredSize, TextMustFitWithItsNul) {
  Set("Directory", REG_SZ, "C:\\GPL", GetParam());
  std::string text;
  EXPECT_EQ(Read("Directory", 7, text), kRegistryOk);
  EXPECT_EQ(text, "C:\\GPL");
  EXPECT_EQ(Read("Directory", 6, text), kRegistryMoreData);
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutNul, RegistryStoredSize, ::testing::Values(7u, 6u));

TEST_F(RegistryWin, ReadsTheDefaultValueByEmptyName) {
  Set(nullptr, REG_SZ, "htmlfile", 9);
  std::string text;
  EXPECT_EQ(Read("", 100, text), kRegistryOk);
  EXPECT_EQ(text, "htmlfile");
}

TEST_F(RegistryWin, MissingValuesKeysAndOtherTypesAreRefused) {
  const DWORD number = 7;
  Set("Number", REG_DWORD, &number, sizeof number);
  std::string text = "kept";
  EXPECT_EQ(Read("Number", 100, text), kRegistryWrongType);
  EXPECT_EQ(Read("Missing", 100, text), kRegistryNotFound);
  EXPECT_EQ(MakeNativeRegistry()->ReadText(RegistryRoot::LocalMachine, m_subkey + "\\None", "",
                                           kKeyQueryValue, 100, text),
            kRegistryNotFound);
  EXPECT_EQ(text, "kept");
}

}  // namespace
}  // namespace gridmoor
