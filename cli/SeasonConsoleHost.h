#pragma once
// The terminal as the host of a season command: it prints the plan and the outcome, answers the
// engine's questions from the player at the terminal, --yes (every question but the game's) and
// --force (the game running), and turns the outcome into an exit status. It decides nothing
// about the season files; the engine runs the command (engine/SeasonCommand.h).

#include <string>
#include <vector>

#include "cli/Cli.h"
#include "engine/SeasonCommand.h"

namespace gridmoor::cli {

// What every command that changes the season through the engine takes.
struct ChangeOptions {
  GameOptions game;
  bool yes = false;
  bool dryRun = false;
  bool force = false;
  bool championship = false;
};

class ConsoleSeasonHost : public SeasonHost {
 public:
  // `name` begins each line about a refusal ("set use"). `files` names paths.
  ConsoleSeasonHost(Console& console, FileSystem& files, std::string name,
                    const ChangeOptions& options);

  void ShowPlan(const std::vector<SeasonEffect>& effects, bool dryRun) override;
  bool Ask(const SeasonQuestion& question, bool dryRun) override;
  void ShowOutcome(const SeasonOutcome& outcome) override;

  // The game folder the engine's plan names its deletions under ("delete tracks\\x"), so they
  // are printed as the system names them; empty: as the engine words them.
  void SetGameFolder(std::string folder) { m_gameFolder = std::move(folder); }
  // set import: the events whose track folder is not installed ("file: name (folder)"), said
  // in one line a file instead of one effect each.
  void SetNotInstalled(std::vector<std::string> events) { m_notInstalled = std::move(events); }

  // The exit status of the outcome shown last.
  int Status() const { return m_status; }

 private:
  void ShowRestore(const RestoreReport& report, bool dryRun);

  Console& m_console;
  FileSystem& m_files;  // not owned
  std::string m_name;
  std::string m_gameFolder;
  std::vector<std::string> m_notInstalled;
  ChangeOptions m_options;
  int m_status = kExitOk;
};

// The exit status of a season refusal.
int StatusOf(const SeasonProblem& problem);
// A refusal as one line, with what the command line offers to go on (--force, --yes).
std::string ProblemLine(FileSystem& files, const SeasonProblem& problem);

// A name typed at the terminal in the game's 8-bit text: UTF-8 (a Linux terminal) made Latin-1
// where every character has a byte there; anything else (a Windows console's own bytes, a
// character the game cannot hold) as typed, for the engine to take or refuse.
std::string GameText(std::string typed);

// Runs a planned change through the engine with the terminal as host; answers the exit status.
int RunChange(Console& console, FileSystem& files, SeasonService& service, const char* name,
              const SeasonChange& change, const ChangeOptions& options);

}  // namespace gridmoor::cli
