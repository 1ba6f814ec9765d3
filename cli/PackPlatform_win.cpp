#include <windows.h>

#include <vector>

#include "cli/PackPlatform.h"

namespace gridmoor::cli {

std::string DefaultWindowsProgram() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return "gridmoor.exe";
    if (length < path.size()) {
      std::string own(path.data(), length);
      const std::size_t slash = own.find_last_of("\\/");
      return (slash == std::string::npos ? std::string() : own.substr(0, slash + 1)) +
             "gridmoor.exe";
    }
    path.resize(path.size() * 2);
  }
}

bool ReplaceWithFinished(const std::string& temporary, const std::string& target) {
  return MoveFileExA(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace gridmoor::cli
