#pragma once
// What the program's command line asks for.

#include <string>

namespace gridmoor::ui {

// Whether the command line (the program's name first, as GetCommandLine gives it) holds the
// word /season (or -season), in any letter case.
bool AsksForSeasonWindow(const std::string& commandLine);

}  // namespace gridmoor::ui
