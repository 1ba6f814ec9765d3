#include "cli/SeasonCommands.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace gridmoor::cli {

void AddSeasonCommands(CLI::App& app, Console& console, int& status) {
  for (const char* name : {"list", "remove", "restore"}) {
    CLI::App* command = app.add_subcommand(name, "Not yet available");
    command->allow_extras();
    command->callback([&console, &status, name] {
      console.err << name << ": not yet\n";
      status = kExitUsage;
    });
  }
}

}  // namespace gridmoor::cli
