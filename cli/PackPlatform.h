#pragma once
// What pack needs of the system: where the Windows program is, and a finished file put in its
// place.

#include <string>

namespace gridmoor::cli {

// The gridmoor.exe pack puts in front of the zip: on Windows the one beside gridmoor-cli.exe, on
// Linux the one the Debian package installs (share/gridmoor/ beside the program's bin/).
std::string DefaultWindowsProgram();

// Renames the finished file `temporary` to `target`, replacing a file there in one step. False
// when it cannot; `temporary` then stays for its owner to remove.
bool ReplaceWithFinished(const std::string& temporary, const std::string& target);

}  // namespace gridmoor::cli
