#pragma once
// What the program's command line asks for.

#include <string>
#include <vector>

namespace gridmoor::ui {

// The words after the program's name on the command line (the name first, as GetCommandLine
// gives it), split at spaces and tabs outside double quotes, the quotes dropped.
std::vector<std::string> CommandLineWords(const std::string& commandLine);

// Whether the command line holds the word /season (or -season), in any letter case.
bool AsksForSeasonWindow(const std::string& commandLine);

// The package the command line names (a folder or a zip; what Windows passes for a file dropped
// on the program's icon): its first word other than /season. Empty when there is none.
std::string PackageArgument(const std::string& commandLine);

}  // namespace gridmoor::ui
