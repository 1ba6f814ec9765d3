#pragma once
// What the commands of gridmoor-cli share: exit statuses, the console, the game folder options
// and their lookup, and the game-running guard. main.cpp builds the command line; each command
// family registers its own subcommands.

#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <streambuf>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace CLI {
class App;
}

namespace gridmoor::cli {

// Exit statuses, documented in --help and the README.
enum ExitStatus : int {
  kExitOk = 0,
  kExitUsage = 2,
  kExitInvalidPackage = 3,
  kExitNoGameFolder = 4,
  kExitNotWritable = 5,
  kExitSeasonFull = 6,
  kExitCopyFailed = 7,
  kExitUpdateFailed = 8,
  kExitGameRunning = 9,
  kExitNothingToDo = 10,
  kExitNotConfirmed = 11,  // a question answered No, or not asked (no terminal, no --yes)
  kExitInvalidFile = 12,   // a calendar, set or library file (or a season file to reorder)
                           // that is not valid
  kExitFilesChanged = 13,
  kExitInterrupted = 130,  // Ctrl+C: what the command began is undone  // verify: a recorded track's files changed or went missing
};

// The process's streams and what they are attached to. `out` and `err` show control
// characters escaped (ControlEscapingBuffer), so text from a package, a season or set file or an
// archive cannot drive the terminal; `rawOut` is standard output as it is, for JSON (which
// escapes them itself) and the progress bar's carriage return.
struct Console {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  bool inIsTerminal = false;
  bool outIsTerminal = false;
  std::ostream* rawOut = nullptr;  // not owned; null: `out`
  std::ostream& Raw() { return rawOut ? *rawOut : out; }
};

// A stream buffer writing through to `target` (not owned) with each byte of a control character
// (C0 but the line break, DEL, C1 as UTF-8 U+0080..U+009F, and a byte 0x80..0x9F outside a
// UTF-8 sequence) written as \xHH, ESC as \x1b; everything else, UTF-8 included, as it is.
// The bytes of one UTF-8 sequence may arrive in separate writes.
class ControlEscapingBuffer : public std::streambuf {
 public:
  explicit ControlEscapingBuffer(std::streambuf* target) : m_target(target) {}
  ~ControlEscapingBuffer() override;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool Put(unsigned char c);
  bool Emit(const char* bytes, std::size_t size);

  std::streambuf* m_target;
  int m_continuations = 0;  // continuation bytes still due in the UTF-8 sequence
  bool m_afterC2 = false;   // the lead byte 0xC2 held back: with 0x80..0x9F it is a C1 control
};

// The version of the JSON that list and check print (docs/json.md); raised when its shape changes.
constexpr int kJsonVersion = 2;

// --game and --prefix, shared by the commands that work on a game folder.
struct GameOptions {
  std::string game;    // --game DIR; empty when not given
  std::string prefix;  // --prefix DIR (Wine prefix, Linux); empty when not given
};
void AddGameOptions(CLI::App& command, GameOptions& options);

// The game folder the options lead to, in the form the engine joins paths to, and how it was
// found ("--game", "registry", "Wine prefix ... (system.reg, 32-bit view)"...). Only a folder
// holding gpl.exe (any letter case) is taken. On failure, nullopt with `error` set to one line
// naming what was tried.
struct GameFolder {
  std::string folder;
  std::string how;
};
std::optional<GameFolder> LocateGame(FileSystem& files, const GameOptions& options,
                                     std::string& error);

// Asks a Yes/No question: on the terminal when standard input is one, Yes when `assumeYes`,
// else No. The question is printed either way.
bool AskYesNo(Console& console, const std::string& question, bool assumeYes);

// The command line as typed, for the undo steps' record.
const std::string& CommandLineText();
// Records the command line (arguments holding blanks or quotes are quoted) for CommandLineText.
void SetCommandLine(int argc, const char* const* argv);

// The --help footer listing `statuses` (0 and 2 always), each with its meaning, in order.
std::string ExitStatusHelp(std::initializer_list<int> statuses);

// The known command nearest to `typed` (a slip of a letter or two), or "" when none is near.
std::string NearestCommand(const std::string& typed, const std::vector<std::string>& commands);

}  // namespace gridmoor::cli
