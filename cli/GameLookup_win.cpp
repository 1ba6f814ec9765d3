// Windows: the game's setup entry in the registry, as the dialog finds it.

#include <CLI/CLI.hpp>

#include "cli/Cli.h"
#include "engine/GameFolder.h"
#include "platform/FileException.h"
#include "platform/Registry.h"

namespace gridmoor::cli {

void AddGameOptions(CLI::App& command, GameOptions& options) {
  command.add_option("--game", options.game, "The game folder (default: from the registry)");
  // Accepted so that scripts get a clear word instead of "unknown option".
  command.add_option("--prefix", options.prefix, "Linux only: the Wine prefix")
      ->check(CLI::Validator(
          [](std::string&) {
            return std::string("--prefix names a Wine prefix, which only the Linux program "
                               "reads; on Windows the game is found through the registry");
          },
          "", "no Wine prefix on Windows"));
}

std::optional<GameFolder> LocateInstalledGame(FileSystem& files, const GameOptions&,
                                              std::string& error) {
  std::unique_ptr<Registry> registry = MakeNativeRegistry();
  std::string folder = GetGamePathFromRegistry(*registry);
  const std::string tried = std::string("HKEY_LOCAL_MACHINE\\") + kGameSetupKey + ", value " +
                            kGameSetupValue;
  if (folder.empty()) {
    error = "no game folder: no usable entry " + tried + "; give --game DIR";
    return std::nullopt;
  }
  if (!IsFolder(files, folder)) {
    error = "no game folder: " + folder + " (from " + tried + ") does not exist";
    return std::nullopt;
  }
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return GameFolder{folder, "registry: " + tried};
}

}  // namespace gridmoor::cli
