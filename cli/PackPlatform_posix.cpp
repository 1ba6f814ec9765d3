#include <cstdio>
#include <filesystem>

#include "cli/PackPlatform.h"

namespace gridmoor::cli {

std::string DefaultWindowsProgram() {
  // GRIDMOOR_WINDOWS_PROGRAM is relative to the folder the program is installed in.
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "/usr/share/gridmoor/gridmoor.exe";
  return (self.parent_path() / GRIDMOOR_WINDOWS_PROGRAM).lexically_normal().string();
}

bool ReplaceWithFinished(const std::string& temporary, const std::string& target) {
  return std::rename(temporary.c_str(), target.c_str()) == 0;
}

}  // namespace gridmoor::cli
