#include <cstdio>

#include "cli/PackPlatform.h"

namespace gridmoor::cli {

std::string DefaultWindowsProgram() { return GRIDMOOR_WINDOWS_PROGRAM; }

bool ReplaceWithFinished(const std::string& temporary, const std::string& target) {
  return std::rename(temporary.c_str(), target.c_str()) == 0;
}

}  // namespace gridmoor::cli
