#pragma once
// The commands that read or change the season files outside an install: list, remove, restore,
// and those that shape the season (add, sort, move, set).

#include <string>

#include "cli/Cli.h"
#include "cli/SeasonConsoleHost.h"
#include "engine/SeasonService.h"

namespace gridmoor::cli {

// Registers the subcommands on `app`. Each, when run, sets `status` to its exit status.
void AddSeasonCommands(CLI::App& app, Console& console, int& status);
// The commands that shape the season through the season service (cli/ShapeCommands.cpp):
// add, sort, move and set.
void AddShapeCommands(CLI::App& app, Console& console, int& status);

}  // namespace gridmoor::cli
