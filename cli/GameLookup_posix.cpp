// Linux: the game installed in a Wine prefix, found through the prefix's registry file and
// its drive links.

#include <stdlib.h>

#include <CLI/CLI.hpp>
#include <climits>
#include <cstdlib>
#include <memory>

#include "cli/Cli.h"
#include "engine/GameFolder.h"
#include "engine/ProfileValue.h"
#include "platform/FileException.h"
#include "platform/WineRegistry.h"
#include "platform/posix/PathCase.h"

namespace gridmoor::cli {

namespace {

// system.reg of a used prefix is a few MiB.
constexpr std::size_t kMaxRegistryBytes = 64 * 1024 * 1024;

struct Prefix {
  std::string folder;
  std::string how;
};

// The prefixes to look in, in order: the one given, else WINEPREFIX, Wine's default, and the
// ones that Linux launchers of the game make.
std::vector<Prefix> PrefixesToTry(const GameOptions& options) {
  if (!options.prefix.empty()) return {{options.prefix, "--prefix"}};
  std::vector<Prefix> prefixes;
  if (const char* env = std::getenv("WINEPREFIX"); env && *env) prefixes.push_back({env, "WINEPREFIX"});
  const char* home = std::getenv("HOME");
  const std::string base = home ? home : "";
  for (const char* relative :
       {"/.wine", "/.local/share/grand-prix-legends/pfx", "/.local/share/GPL/pfx"})
    prefixes.push_back({base + relative, std::string("~") + relative});
  return prefixes;
}

std::optional<std::string> RealPath(const std::string& path) {
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), std::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

}  // namespace

void AddGameOptions(CLI::App& command, GameOptions& options) {
  command.add_option("--game", options.game, "The game folder (default: found from the Wine prefix)");
  command.add_option("--prefix", options.prefix,
                     "The Wine prefix the game is installed in (default: the first that holds it of "
                     "WINEPREFIX, ~/.wine, ~/.local/share/grand-prix-legends/pfx, "
                     "~/.local/share/GPL/pfx)");
}

namespace {

// The game in one prefix; `unreadable` tells that the prefix has no registry file to read.
std::optional<GameFolder> LocateInPrefix(FileSystem& files, const Prefix& where,
                                         std::string& error, bool& unreadable) {
  const std::string& prefix = where.folder;
  const std::string regPath = prefix + "/system.reg";
  const std::string tried = "Wine prefix " + prefix + " (" + where.how + ")";
  bool truncated = false;
  std::optional<std::string> reg = files.ReadWholeFile(regPath, kMaxRegistryBytes, &truncated);
  unreadable = !reg;
  if (!reg) {
    error = "no game folder: " + regPath + " cannot be read (" + tried + "); give --game DIR";
    return std::nullopt;
  }
  if (truncated) {
    error = "no game folder: " + regPath + " is larger than 64 MiB; give --game DIR";
    return std::nullopt;
  }

  // A 64-bit prefix shows 32-bit programs such as the game's setup the Wow6432Node view.
  const std::string wow = std::string("Software\\Wow6432Node") + (kGameSetupKey + 8);
  struct View {
    std::string key;
    const char* name;
  };
  std::vector<View> views = {{kGameSetupKey, "32-bit view"}, {wow, "Wow6432Node view"}};
  if (IsWin64Registry(*reg)) std::swap(views[0], views[1]);
  std::optional<WineRegistryText> found;
  const View* view = nullptr;
  for (const View& candidate : views) {
    WineRegistryText text = FindWineRegistryText(*reg, candidate.key, kGameSetupValue);
    if (text.result == WineLookup::kNotText) {
      error = "no game folder: the Directory value under HKLM\\" + candidate.key + " in " +
              regPath + " is not plain text; give --game DIR";
      return std::nullopt;
    }
    if (text.result == WineLookup::kFound) {
      found = std::move(text);
      view = &candidate;
      break;
    }
  }
  if (!found) {
    error = "no game folder: no Directory value under HKLM\\" + std::string(kGameSetupKey) +
            " (nor under Wow6432Node) in " + regPath + "; give --game DIR";
    return std::nullopt;
  }
  const std::string& entry = found->text;
  if (entry.size() > kMaxValueLength) {
    error = "no game folder: the registry's Directory value has " +
            std::to_string(entry.size()) + " characters, more than the " + std::to_string(kMaxValueLength) +
            " the game's tools read";
    return std::nullopt;
  }
  std::string why;
  std::optional<DosPath> dos = ParseDosPath(entry, why);
  if (!dos) {
    error = "no game folder: the registry's Directory value \"" + entry + "\" is unusable: " + why;
    return std::nullopt;
  }
  const std::string link = prefix + "/dosdevices/" + dos->drive + ":";
  std::optional<std::string> drive = RealPath(link);
  if (!drive) {
    error = "no game folder: drive " + std::string(1, static_cast<char>(dos->drive - 'a' + 'A')) +
            ": of \"" + entry + "\" has no entry " + link;
    return std::nullopt;
  }
  std::string folder = *drive;
  for (const std::string& name : dos->folders) folder += (folder == "/" ? "" : "/") + name;
  folder = ResolvePathCase(folder);
  // The engine takes a backslash for a separator: such a folder cannot be addressed.
  if (folder.find('\\') != std::string::npos) {
    error = "no game folder: " + folder + " holds a backslash";
    return std::nullopt;
  }
  if (!IsFolder(files, folder)) {
    error = "no game folder: " + folder + " (\"" + entry + "\" from " + regPath +
            ") does not exist";
    return std::nullopt;
  }
  return GameFolder{folder, tried + ", system.reg, " + view->name + ": \"" + entry + "\""};
}

}  // namespace

std::optional<GameFolder> LocateInstalledGame(FileSystem& files, const GameOptions& options,
                                              std::string& error) {
  const std::vector<Prefix> prefixes = PrefixesToTry(options);
  // A prefix that exists but does not lead to the game says more than one that is missing.
  std::string firstUnreadable, firstFailed;
  for (const Prefix& prefix : prefixes) {
    std::string why;
    bool unreadable = false;
    if (std::optional<GameFolder> game = LocateInPrefix(files, prefix, why, unreadable))
      return game;
    std::string& keep = unreadable ? firstUnreadable : firstFailed;
    if (keep.empty()) keep = why;
  }
  if (!firstFailed.empty()) {
    error = firstFailed;
  } else if (prefixes.size() == 1) {
    error = firstUnreadable;
  } else {
    error = "no game folder: system.reg cannot be read in any Wine prefix tried (";
    for (std::size_t i = 0; i < prefixes.size(); ++i)
      error += (i ? ", " : "") + prefixes[i].folder + " (" + prefixes[i].how + ")";
    error += "); give --game DIR or --prefix DIR";
  }
  return std::nullopt;
}

}  // namespace gridmoor::cli
