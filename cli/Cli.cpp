#include "cli/Cli.h"
#include "cli/Terminal.h"

#include <algorithm>
#include <cstdio>
#include <istream>
#include <ostream>

#include "engine/GameFiles.h"
#include "platform/FileException.h"

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

namespace {

// Whether `folder` holds the game's program, spelled in any letter case (the file system finds
// names as Wine does).
bool HoldsGame(FileSystem& files, const std::string& folder) {
  try {
    return (files.GetStatus(folder + "\\gpl.exe").attributes & kAttributeDirectory) == 0;
  } catch (const CFileException&) {
    return false;
  }
}

}  // namespace

std::optional<GameFolder> LocateGame(FileSystem& files, const GameOptions& options,
                                     std::string& error) {
  if (options.game.empty()) {
    std::optional<GameFolder> found = LocateInstalledGame(files, options, error);
    if (found && !HoldsGame(files, found->folder)) {
      error = "the game folder found through " + found->how + " holds no gpl.exe: " +
              files.NativePath(found->folder);
      return std::nullopt;
    }
    return found;
  }
  std::string folder = options.game;
  // The engine appends "\seasons\..." itself.
  while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  if (!IsFolder(files, folder)) {
    error = "the game folder given with --game does not exist: " + options.game;
    return std::nullopt;
  }
  if (!HoldsGame(files, folder)) {
    error = "the folder given with --game holds no gpl.exe, so it is not the game's: " +
            options.game;
    return std::nullopt;
  }
  return GameFolder{folder, "--game"};
}

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
  // Ctrl+C at a question stops the program as usual: nothing is written before the answer.
  const InterruptNote::Paused paused;
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

std::string ExitStatusHelp(std::initializer_list<int> statuses) {
  static const std::pair<int, const char*> kMeanings[] = {
      {kExitOk, "success"},
      {kExitUsage, "usage: unknown command or option, missing value"},
      {kExitInvalidPackage, "invalid package (or check found errors)"},
      {kExitNoGameFolder, "no game folder found (a folder holding gpl.exe)"},
      {kExitNotWritable, "season files not writable (the line names the file and why)"},
      {kExitSeasonFull, "season full (64 events)"},
      {kExitCopyFailed, "copy of the track files failed; the season files are unchanged"},
      {kExitUpdateFailed, "update of the season files failed"},
      {kExitGameRunning, "the game is running (gpl.exe or another program in its folder)"},
      {kExitNothingToDo, "nothing to remove or restore"},
      {kExitNotConfirmed, "not confirmed: a question answered No, or not asked (no terminal, "
                          "no --yes)"},
      {kExitInvalidFile, "a calendar, set or event library file that is not valid (cut, "
                         "hostile, edited into nonsense), or a season file to reorder whose "
                         "count and sections disagree"},
      {kExitFilesChanged, "verify: files of a recorded track changed or missing since its "
                          "install"},
      {kExitInterrupted, "interrupted (Ctrl+C): what the command began is undone"},
  };
  std::string text = "Exit statuses:\n";
  for (const auto& [status, meaning] : kMeanings) {
    bool listed = status == kExitOk || status == kExitUsage;
    for (const int wanted : statuses) listed = listed || wanted == status;
    if (!listed) continue;
    text += (status < 10 ? "  " : status < 100 ? " " : "") + std::to_string(status) + "  " +
            meaning + "\n";
  }
  text.pop_back();
  return text;
}

namespace {

void AppendEscaped(std::string& out, unsigned char c) {
  char code[5];
  std::snprintf(code, sizeof code, "\\x%02x", c);
  out += code;
}

}  // namespace

ControlEscapingBuffer::~ControlEscapingBuffer() {
  // A lead byte 0xC2 the text ended on.
  if (m_afterC2) Emit("\xC2", 1);
}

ControlEscapingBuffer::int_type ControlEscapingBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  return Put(static_cast<unsigned char>(traits_type::to_char_type(c))) ? c : traits_type::eof();
}

int ControlEscapingBuffer::sync() { return m_target->pubsync(); }

bool ControlEscapingBuffer::Emit(const char* bytes, std::size_t size) {
  return m_target->sputn(bytes, static_cast<std::streamsize>(size)) ==
         static_cast<std::streamsize>(size);
}

bool ControlEscapingBuffer::Put(unsigned char c) {
  std::string out;
  if (m_afterC2) {
    m_afterC2 = false;
    m_continuations = 0;
    if (c >= 0x80 && c <= 0x9F) {
      AppendEscaped(out, 0xC2);
      AppendEscaped(out, c);
      return Emit(out.data(), out.size());
    }
    out += '\xC2';
    if (c >= 0x80 && c <= 0xBF) {
      out += static_cast<char>(c);
      return Emit(out.data(), out.size());
    }
  }
  if (c >= 0x80 && c <= 0xBF && m_continuations > 0) {
    --m_continuations;
    out += static_cast<char>(c);
  } else if (c == 0xC2) {
    m_afterC2 = true;
  } else {
    m_continuations = c >= 0xC3 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2
                      : c >= 0xF0 && c <= 0xF4 ? 3 : 0;
    if ((c < 0x20 && c != '\n') || c == 0x7F || (c >= 0x80 && c <= 0x9F))
      AppendEscaped(out, c);
    else
      out += static_cast<char>(c);
  }
  return out.empty() || Emit(out.data(), out.size());
}

std::string NearestCommand(const std::string& typed, const std::vector<std::string>& commands) {
  std::string nearest;
  std::size_t best = 3;  // more than two edits is another word
  for (const std::string& command : commands) {
    // Edit distance, one row at a time.
    std::vector<std::size_t> row(command.size() + 1);
    for (std::size_t j = 0; j <= command.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= typed.size(); ++i) {
      std::size_t diagonal = row[0];
      row[0] = i;
      for (std::size_t j = 1; j <= command.size(); ++j) {
        const std::size_t above = row[j];
        row[j] = std::min({row[j] + 1, row[j - 1] + 1,
                           diagonal + (typed[i - 1] == command[j - 1] ? 0 : 1)});
        diagonal = above;
      }
    }
    if (row.back() < best) {
      best = row.back();
      nearest = command;
    }
  }
  return nearest;
}

}  // namespace gridmoor::cli
