#include "cli/Cli.h"

#include <istream>
#include <ostream>

#include "platform/FileException.h"
#include "platform/ProcessList.h"

namespace gridmoor::cli {

namespace {

std::string& CommandLineStorage() {
  static std::string text;
  return text;
}

}  // namespace

// The platform's own way to the game (cli/GameLookup_*.cpp).
std::optional<GameFolder> LocateInstalledGame(FileSystem& files, const GameOptions& options,
                                              std::string& error);

std::optional<GameFolder> LocateGame(FileSystem& files, const GameOptions& options,
                                     std::string& error) {
  if (options.game.empty()) return LocateInstalledGame(files, options, error);
  std::string folder = options.game;
  // The engine appends "\seasons\..." itself.
  while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  if (!IsFolder(files, folder)) {
    error = "the game folder given with --game does not exist: " + options.game;
    return std::nullopt;
  }
  return GameFolder{folder, "--game"};
}

bool IsGameRunning() { return IsProgramRunning("gpl.exe"); }

bool AskYesNo(Console& console, const std::string& question, bool assumeYes) {
  console.out << question << " [y/N] ";
  if (assumeYes) {
    console.out << "yes (--yes)\n";
    return true;
  }
  if (!console.inIsTerminal) {
    console.out << "no (standard input is not a terminal; --yes answers yes)\n";
    return false;
  }
  console.out.flush();
  std::string answer;
  if (!std::getline(console.in, answer)) return false;
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

const std::string& CommandLineText() { return CommandLineStorage(); }

void SetCommandLine(int argc, const char* const* argv) {
  std::string& text = CommandLineStorage();
  text = "gridmoor-cli";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    text += ' ';
    if (!arg.empty() && arg.find_first_of(" \t\"'") == std::string::npos) {
      text += arg;
      continue;
    }
    text += '"';
    for (char c : arg) {
      if (c == '"' || c == '\\') text += '\\';
      text += c;
    }
    text += '"';
  }
}

const char* ExitStatusHelp() {
  return "Exit statuses:\n"
         "  0  success\n"
         "  2  usage: unknown command or option, missing value\n"
         "  3  invalid package (or check found errors)\n"
         "  4  no game folder found\n"
         "  5  season files not writable\n"
         "  6  season full (64 events)\n"
         "  7  copy of the track files failed\n"
         "  8  update of the season files failed\n"
         "  9  the game (gpl.exe) is running\n"
         " 10  nothing to remove or restore\n"
         "With several packages, the status of the first that failed.";
}

}  // namespace gridmoor::cli
