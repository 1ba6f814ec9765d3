#pragma once
// Where the game lives: its setup entry in the registry, and the folder of a chosen gpl.exe.

#include <string>

#include "platform/Registry.h"

namespace gridmoor {

constexpr const char* kGameSetupKey = "Software\\Sierra OnLine\\Setup\\GPL";
constexpr const char* kGameSetupValue = "Directory";

// The "Directory" value of the game's setup entry under HKEY_LOCAL_MACHINE (at most 99
// characters), or "" when there is none.
std::string GetGamePathFromRegistry(Registry& registry);

// The folder of a chosen file: the path cut at its last backslash ("C:\gpl.exe" gives "C:");
// a path without a backslash stays whole.
std::string FolderOfChosenFile(const std::string& path);

}  // namespace gridmoor
