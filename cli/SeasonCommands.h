#pragma once
// The commands that read or change the season files outside an install: list, remove, restore,
// and those that shape the season (add, sort, move, set).

#include <string>

#include "cli/Cli.h"
#include "engine/SeasonService.h"

namespace gridmoor::cli {

// Registers the subcommands on `app`. Each, when run, sets `status` to its exit status.
void AddSeasonCommands(CLI::App& app, Console& console, int& status);
// The commands that shape the season through the season service (cli/ShapeCommands.cpp):
// add, sort, move and set.
void AddShapeCommands(CLI::App& app, Console& console, int& status);

// What every command that changes the season through the service takes.
struct ChangeOptions {
  GameOptions game;
  bool yes = false;
  bool dryRun = false;
  bool force = false;
  bool championship = false;
};

// Prints what `change` does (or, with dryRun, would do), then checks it with the service: a
// read-only mark is asked about (status 11 when not cleared), any other refusal printed as one
// line; asks `question` when given; commits; prints the end. Answers the exit status.
int RunChange(Console& console, FileSystem& files, SeasonService& service, const char* name,
              const SeasonChange& change, const ChangeOptions& options,
              const std::string& question = {});

// The exit status of a season service refusal.
int StatusOf(const SeasonProblem& problem);
// A refusal as one line (without "; nothing changed"), paths as the player can paste them.
std::string ProblemLine(FileSystem& files, const SeasonProblem& problem);

}  // namespace gridmoor::cli
