#pragma once
// The commands of gridmoor-cli other than the season commands (cli/SeasonCommands.h). Each
// registers its subcommand on `app`; when run, it sets `status` to its exit status.

#include "cli/Cli.h"

namespace gridmoor::cli {

// install [PACKAGE...]: one install run per package folder, or the plan of it (--dry-run).
void AddInstallCommand(CLI::App& app, Console& console, int& status);
// check [PACKAGE...]: what the dialog would refuse or quietly cut, one line each (or --json).
void AddCheckCommand(CLI::App& app, Console& console, int& status);
// new FOLDER --name NAME --dir TRACKDIR: a package skeleton that passes check --strict.
void AddNewCommand(CLI::App& app, Console& console, int& status);
// where: the game folder the other commands would use, and how it was found.
void AddWhereCommand(CLI::App& app, Console& console, int& status);
// tracks and verify: the installed tracks and their records (TrackCommands.cpp).
void AddTrackCommands(CLI::App& app, Console& console, int& status);

}  // namespace gridmoor::cli
