// tracks and verify: the installed tracks as their records and the season name them, and which
// recorded files changed since their install. Both only read.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/Commands.h"
#include "cli/ConsoleHost.h"
#include "engine/GameFiles.h"
#include "engine/TrackPackage.h"
#include "engine/TrackRecords.h"

namespace gridmoor::cli {

namespace {

struct TracksOptions {
  GameOptions game;
  bool json = false;
};

struct VerifyOptions {
  GameOptions game;
  std::vector<std::string> tracks;
};

std::optional<GameFolder> FindGame(FileSystem& files, Console& console, const GameOptions& options) {
  std::string error;
  std::optional<GameFolder> game = LocateGame(files, options, error);
  if (!game) console.err << "error: " << error << "\n";
  return game;
}

// "12.3 MiB", "840 B".
std::string SizeText(std::uint64_t bytes) {
  const char* const units[] = {"B", "KiB", "MiB", "GiB"};
  double value = static_cast<double>(bytes);
  int unit = 0;
  while (value >= 1024 && unit < 3) {
    value /= 1024;
    ++unit;
  }
  if (unit == 0) return std::to_string(bytes) + " B";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
  return text;
}

std::string EventsText(const std::vector<EventNaming>& events) {
  std::string text;
  for (const EventNaming& event : events)
    text += (text.empty() ? "" : ", ") + event.fileName + " Event" + std::to_string(event.number);
  return text;
}

// The shape is documented in docs/json.md.
nlohmann::json TrackJson(FileSystem& files, const std::string& game, const InstalledTrack& track) {
  const std::optional<TrackRecord>& record = track.record.record;
  nlohmann::json events = nlohmann::json::array();
  for (const EventNaming& event : track.events)
    events.push_back({{"file", event.fileName}, {"number", event.number}});
  nlohmann::json sets = nlohmann::json::array();
  for (const std::string& set : track.sets) sets.push_back(ReadableText(set));
  nlohmann::json package = nullptr;
  if (record) {
    package = {{"path", ReadableText(record->package.path)},
               {"kind", record->package.kind},
               {"name", ReadableText(record->package.name)}};
  }
  return {{"trackDirectory", ReadableText(track.folder)},
          {"trackFolder", files.NativePath(game + kTracksFolder + track.folder)},
          {"name", ReadableText(track.name)},
          {"bytes", track.bytes},
          {"files", track.fileCount},
          {"recorded", record.has_value()},
          {"recordProblem", track.record.problem.empty()
                                ? nlohmann::json(nullptr)
                                : nlohmann::json(ReadableText(track.record.problem))},
          {"installed", record ? nlohmann::json(record->installedTime) : nlohmann::json(nullptr)},
          {"version", record && !record->version.empty() ? nlohmann::json(ReadableText(record->version))
                                                         : nlohmann::json(nullptr)},
          {"package", std::move(package)},
          {"events", std::move(events)},
          {"sets", std::move(sets)}};
}

int RunTracks(Console& console, const TracksOptions& options) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  const std::optional<GameFolder> game = FindGame(*files, console, options.game);
  if (!game) return kExitNoGameFolder;
  const std::vector<InstalledTrack> tracks = ListInstalledTracks(*files, game->folder);
  if (options.json) {
    nlohmann::json json = {{"version", kJsonVersion},
                           {"game", files->NativePath(game->folder)},
                           {"tracks", nlohmann::json::array()}};
    for (const InstalledTrack& track : tracks)
      json["tracks"].push_back(TrackJson(*files, game->folder, track));
    console.Raw() << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return kExitOk;
  }
  if (tracks.empty())
    console.out << "no track folders in " << files->NativePath(game->folder + "\\tracks") << "\n";
  for (const InstalledTrack& track : tracks) {
    console.out << ReadableText(track.folder)
                << (track.name.empty() ? "" : "  " + ReadableText(track.name)) << "\n";
    console.out << "    " << track.fileCount << (track.fileCount == 1 ? " file, " : " files, ")
                << SizeText(track.bytes) << "; ";
    if (const std::optional<TrackRecord>& record = track.record.record) {
      console.out << "installed " << record->installedTime << " from "
                  << ReadableText(record->package.path) << " (" << record->package.kind
                  << (record->version.empty() ? "" : ", version " + ReadableText(record->version))
                  << ")\n";
    } else if (!track.record.problem.empty()) {
      console.out << "record not readable: " << ReadableText(track.record.problem) << "\n";
    } else {
      console.out << "not recorded (installed before Gridmoor kept records, or by hand)\n";
    }
    console.out << "    events: " << (track.events.empty() ? "none" : EventsText(track.events));
    if (!track.sets.empty()) {
      std::string sets;
      for (const std::string& set : track.sets) sets += (sets.empty() ? "" : ", ") + set;
      console.out << "; sets: " << ReadableText(sets);
    }
    console.out << "\n";
  }
  return kExitOk;
}

int RunVerify(Console& console, const VerifyOptions& options) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  const std::optional<GameFolder> game = FindGame(*files, console, options.game);
  if (!game) return kExitNoGameFolder;
  std::vector<std::string> folders = options.tracks;
  if (folders.empty()) {
    for (const InstalledTrack& track : ListInstalledTracks(*files, game->folder))
      folders.push_back(track.folder);
  }
  int status = kExitOk;
  const auto worse = [&status](int found) {
    if (status == kExitOk) status = found;
  };
  for (const std::string& folder : folders) {
    if (!IsPlainFileName(folder) || folder.empty()) {
      console.err << "verify: \"" << folder << "\" is not a track folder's name\n";
      worse(kExitUsage);
      continue;
    }
    const std::string shown = ReadableText(folder);
    const RecordRead read = ReadTrackRecord(*files, game->folder, folder);
    if (!read.problem.empty()) {
      console.err << "verify: " << shown << ": " << ReadableText(read.problem) << " ("
                  << files->NativePath(TrackRecordPath(game->folder, folder)) << ")\n";
      worse(kExitInvalidFile);
      continue;
    }
    if (!read.record) {
      if (IsFolder(*files, game->folder + kTracksFolder + folder)) {
        console.out << shown << ": not recorded (nothing to compare with)\n";
      } else {
        console.err << "verify: " << shown << ": no such track folder in "
                    << files->NativePath(game->folder + "\\tracks") << "\n";
        worse(kExitNothingToDo);
      }
      continue;
    }
    const std::vector<FileCheck> checks = CheckRecordedFiles(*files, game->folder, *read.record);
    int changed = 0;
    for (const FileCheck& check : checks) changed += check.state != FileState::kUnchanged;
    if (changed == 0) {
      console.out << shown << ": " << checks.size() << " files as installed "
                  << read.record->installedTime << "\n";
      continue;
    }
    console.out << shown << ": " << changed << " of " << checks.size()
                << " files changed since the install of " << read.record->installedTime << "\n";
    for (const FileCheck& check : checks) {
      if (check.state == FileState::kUnchanged) continue;
      console.out << "  " << (check.state == FileState::kMissing ? "missing: " : "changed: ")
                  << files->NativePath(game->folder + "\\" + check.path) << "\n";
    }
    worse(kExitFilesChanged);
  }
  return status;
}

}  // namespace

void AddTrackCommands(CLI::App& app, Console& console, int& status) {
  {
    auto options = std::make_shared<TracksOptions>();
    CLI::App* command = app.add_subcommand(
        "tracks", "List the installed tracks: every folder of tracks\\ with its name, size, "
                  "where and when it was installed from, and the events and sets naming it");
    AddGameOptions(*command, options->game);
    command->add_flag("--json", options->json, "Print JSON");
    command->footer(ExitStatusHelp({4}));
    command->callback([&console, &status, options] { status = RunTracks(console, *options); });
  }
  {
    auto options = std::make_shared<VerifyOptions>();
    CLI::App* command = app.add_subcommand(
        "verify", "Name each file of a recorded track that changed or went missing since its "
                  "install; folders installed without a record are reported as not recorded");
    command->add_option("TRACKDIR", options->tracks,
                        "Track folders to check (default: every folder of tracks\\)");
    AddGameOptions(*command, options->game);
    command->footer(ExitStatusHelp({4, 10, 12, 13}));
    command->callback([&console, &status, options] { status = RunVerify(console, *options); });
  }
}

}  // namespace gridmoor::cli
