#pragma once
// The commands of gridmoor-cli other than the season commands (cli/SeasonCommands.h). Each
// registers its subcommand on `app`; when run, it sets `status` to its exit status.

#include <string>
#include <vector>

#include "cli/Cli.h"
#include "engine/PackageCheck.h"

namespace gridmoor::cli {

// install [PACKAGE...]: one install run per package folder, or the plan of it (--dry-run).
void AddInstallCommand(CLI::App& app, Console& console, int& status);
// check [PACKAGE...]: what the dialog would refuse or quietly cut, one line each (or --json).
void AddCheckCommand(CLI::App& app, Console& console, int& status);
// The findings as check prints them, one line each, and the line counting them.
void PrintFindings(Console& console, const std::string& argument,
                   const std::vector<PackageFinding>& findings);
// pack FOLDER: the checked package as a setup file (the Windows program with the zip behind it)
// and a plain zip, for the track's maker to ship.
void AddPackCommand(CLI::App& app, Console& console, int& status);
// new FOLDER --name NAME --dir TRACKDIR: a package skeleton that passes check --strict.
void AddNewCommand(CLI::App& app, Console& console, int& status);
// where: the game folder the other commands would use, and how it was found.
void AddWhereCommand(CLI::App& app, Console& console, int& status);
// tracks and verify: the installed tracks and their records (TrackCommands.cpp).
void AddTrackCommands(CLI::App& app, Console& console, int& status);

}  // namespace gridmoor::cli
