#include "engine/GameFolder.h"

#include <algorithm>

#include "engine/ProfileValue.h"

namespace gridmoor {

namespace {

// The value is read into a buffer of the engine's value length and its NUL.
constexpr std::size_t kValueBufferSize = kMaxValueLength + 1;

}  // namespace

std::string GetGamePathFromRegistry(Registry& registry) {
  std::string text;
  long status = registry.ReadText(RegistryRoot::LocalMachine, kGameSetupKey, kGameSetupValue,
                                  kKeyQueryValue | kKeySetValue, kValueBufferSize, text);
  // Only reading is needed: a user who may not write under HKEY_LOCAL_MACHINE still finds the
  // game. A value that is missing, not text or too long would read no better a second time.
  if (status != kRegistryOk && status != kRegistryMoreData && status != kRegistryWrongType) {
    text.clear();
    status = registry.ReadText(RegistryRoot::LocalMachine, kGameSetupKey, kGameSetupValue,
                               kKeyQueryValue, kValueBufferSize, text);
  }
  if (status != kRegistryOk) return std::string();
  text.resize(std::min(text.find('\0'), text.size()));
  if (text.size() >= kValueBufferSize) return std::string();
  return text;
}

std::string FolderOfChosenFile(const std::string& path) {
  const std::size_t cut = path.rfind('\\');
  return cut == std::string::npos ? path : path.substr(0, cut);
}

}  // namespace gridmoor
