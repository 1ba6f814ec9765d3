#pragma once
// The commands that read or change the season files outside an install: list, remove, restore.

#include "cli/Cli.h"

namespace gridmoor::cli {

// Registers the subcommands on `app`. Each, when run, sets `status` to its exit status.
void AddSeasonCommands(CLI::App& app, Console& console, int& status);

}  // namespace gridmoor::cli
