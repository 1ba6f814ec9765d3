// Registry reads through the ANSI functions.

#include <windows.h>

#include <vector>

#include "platform/Registry.h"

namespace gridmoor {
namespace {

// An open registry key; closing is the destructor's job.
class UniqueKey {
 public:
  UniqueKey() = default;
  UniqueKey(const UniqueKey&) = delete;
  UniqueKey& operator=(const UniqueKey&) = delete;
  ~UniqueKey() {
    if (m_key != nullptr) RegCloseKey(m_key);
  }
  HKEY* Out() { return &m_key; }
  HKEY Get() const { return m_key; }

 private:
  HKEY m_key = nullptr;
};

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
  }
  return HKEY_CURRENT_USER;
}

class WinRegistry : public Registry {
 public:
  long ReadText(RegistryRoot root, const std::string& subkey, const std::string& valueName,
                unsigned access, std::size_t bufferSize, std::string& text) override {
    UniqueKey key;
    LONG status = RegOpenKeyExA(RootKey(root), subkey.c_str(), 0, access, key.Out());
    if (status != ERROR_SUCCESS) return status;

    std::vector<BYTE> buffer(bufferSize + 1, 0);  // one spare byte to close an unclosed string
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(bufferSize);
    status = RegQueryValueExA(key.Get(), valueName.empty() ? nullptr : valueName.c_str(), nullptr,
                              &type, buffer.data(), &size);
    if (status != ERROR_SUCCESS) return status;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return kRegistryWrongType;
    // A value stored without its NUL must still fit with one.
    if (size == 0 || buffer[size - 1] != 0) {
      if (size >= bufferSize) return kRegistryMoreData;
    }
    text.assign(reinterpret_cast<const char*>(buffer.data()));
    return kRegistryOk;
  }
};

}  // namespace

std::unique_ptr<Registry> MakeNativeRegistry() { return std::make_unique<WinRegistry>(); }

}  // namespace gridmoor
