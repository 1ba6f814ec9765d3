#include "cli/SeasonCommands.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <set>
#include <sstream>

#include "cli/ConsoleHost.h"
#include "engine/FileErrorText.h"
#include "engine/SeasonDisplay.h"
#include "engine/SeasonUpdate.h"
#include "engine/SeasonEvents.h"
#include "engine/SeasonHistory.h"
#include "engine/SeasonService.h"
#include "engine/TrackPackage.h"
#include "engine/WriteAccessCheck.h"
#include "platform/FileException.h"

namespace gridmoor::cli {
namespace {

// A file error as one line: the cause's text and the file's name.
std::string OneLine(const CFileException& error) {
  return std::string(FileErrorText(error.Cause())) + " " + error.FileName();
}

nlohmann::json Text(const std::optional<std::string>& value) {
  return value ? nlohmann::json(ReadableText(*value)) : nlohmann::json(nullptr);
}

// A number as the game reads it: the leading integer of the text ("14 ; default 68" is 14).
nlohmann::json Number(const std::optional<std::string>& value) {
  return value ? nlohmann::json(ParseEventCount(*value)) : nlohmann::json(nullptr);
}

std::optional<GameFolder> FindGame(FileSystem& files, Console& console, const GameOptions& options,
                                   int& status) {
  std::string error;
  std::optional<GameFolder> game = LocateGame(files, options, error);
  if (!game) {
    console.err << "error: " << error << "\n";
    status = kExitNoGameFolder;
  }
  return game;
}

// ---------------------------------------------------------------------------------------- list

// The first value of `key` (letter case aside, as the game reads keys), or nullopt.
std::optional<std::string> LookUp(const std::vector<std::pair<std::string, std::string>>& values,
                                  const std::string& key) {
  for (const auto& [name, value] : values) {
    if (SameFoldedName(name, key)) return value;
  }
  return std::nullopt;
}

std::vector<std::string> Marks(const SeasonEvent& event) {
  std::vector<std::string> marks;
  for (const EventMark mark : EventMarks(event)) {
    marks.push_back(mark == EventMark::kNoSection       ? "no section"
                    : mark == EventMark::kFolderMissing ? "folder missing"
                                                        : "folder named twice");
  }
  return marks;
}

void PrintEvents(std::ostream& out, const std::string& fileName, const SeasonEvents& season) {
  if (!season.fileExists) {
    out << fileName << ": missing\n";
    return;
  }
  out << fileName << ": " << season.count << (season.count == 1 ? " event" : " events") << "\n";
  const std::vector<std::string> headings = {"#", "Name", "Folder", "Laps", "Date", "Marks"};
  std::vector<std::vector<std::string>> rows;
  for (const SeasonEvent& event : season.events) {
    std::string marks;
    for (const std::string& mark : Marks(event)) marks += (marks.empty() ? "" : ", ") + mark;
    rows.push_back({std::to_string(event.number), ReadableText(event.name.value_or("")),
                    ReadableText(event.trackDirectory.value_or("")),
                    ReadableText(event.numberOfLaps.value_or("")), ReadableText(EventDateText(event)),
                    marks});
  }
  if (!rows.empty()) {
    std::vector<std::size_t> widths(headings.size());
    for (std::size_t c = 0; c < headings.size(); ++c) {
      widths[c] = headings[c].size();
      for (const auto& row : rows) widths[c] = std::max(widths[c], row[c].size());
    }
    const auto printRow = [&](const std::vector<std::string>& row) {
      std::string line = " ";
      for (std::size_t c = 0; c < row.size(); ++c) {
        std::string cell = row[c];
        if (c + 1 < row.size()) cell.resize(widths[c], ' ');
        line += " " + cell;
      }
      while (!line.empty() && line.back() == ' ') line.pop_back();
      out << line << "\n";
    };
    printRow(headings);
    for (const auto& row : rows) printRow(row);
  }
  if (season.count > kMaxSeasonEventNumber)
    out << "  the count " << season.count << " is past " << kMaxSeasonEventNumber
        << "; later events are not listed\n";
  if (!season.missingSections.empty())
    out << "  count and sections disagree: no section for event "
        << NumberList(season.missingSections) << "\n";
  if (!season.sectionsAboveCount.empty())
    out << "  count and sections disagree: sections above the count (not read by the game): Event "
        << NumberList(season.sectionsAboveCount) << "\n";
  if (!season.repeatedSections.empty())
    out << "  repeated sections (only the first is read): Event "
        << NumberList(season.repeatedSections) << "\n";
}

// The shape is documented in docs/json.md; a change to it raises kJsonVersion.
nlohmann::json EventsJson(FileSystem& files, const std::string& path, const std::string& fileName,
                          const SeasonEvents& season, const std::string& gameFolder) {
  nlohmann::json file = {{"file", fileName},
                         {"path", files.NativePath(path)},
                         {"exists", season.fileExists},
                         {"count", season.count},
                         {"countText", Text(season.countText)}};
  nlohmann::json events = nlohmann::json::array();
  for (const SeasonEvent& event : season.events) {
    nlohmann::json values = nlohmann::json::object();
    for (const auto& [key, value] : event.values) {
      if (!values.contains(ReadableText(key))) values[ReadableText(key)] = ReadableText(value);
    }
    const bool plain = event.trackDirectory && IsPlainFileName(*event.trackDirectory);
    events.push_back(
        {{"number", event.number},
         {"name", Text(event.name)},
         {"shortname", Text(LookUp(event.values, "shortname"))},
         {"trackDirectory", Text(event.trackDirectory)},
         {"trackFolder", plain && !event.trackFolderMissing
                             ? nlohmann::json(files.NativePath(gameFolder + "\\tracks\\" +
                                                               *event.trackDirectory))
                             : nlohmann::json(nullptr)},
         {"numberOfLaps", Number(event.numberOfLaps)},
         {"month", Number(event.month)},
         {"day", Number(event.day)},
         {"startingGrid", Text(LookUp(event.values, "startingGrid"))},
         {"values", std::move(values)},
         {"hasSection", event.hasSection},
         {"folderMissing", event.trackFolderMissing},
         {"folderNamedTwice", event.sharesFolder}});
  }
  file["events"] = std::move(events);
  file["missingSections"] = season.missingSections;
  file["sectionsAboveCount"] = season.sectionsAboveCount;
  file["repeatedSections"] = season.repeatedSections;
  file["countAgrees"] = !season.Disagrees();
  return file;
}

struct ListOptions {
  GameOptions game;
  bool json = false;
  bool available = false;
  bool names = false;
};

// list --available: the track folders no event of 67season.ini names, and whether `add` can
// put them back.
int ListAvailable(Console& console, FileSystem& files, const GameFolder& game,
                  const ListOptions& options) {
  const SeasonService service(files, game.folder);
  const std::vector<AvailableTrack> tracks = service.AvailableTracks();
  if (options.names) {
    for (const AvailableTrack& track : tracks) console.out << track.folder << "\n";
    return kExitOk;
  }
  if (options.json) {
    nlohmann::json json = {{"version", kJsonVersion},
                           {"game", files.NativePath(game.folder)},
                           {"available", nlohmann::json::array()}};
    for (const AvailableTrack& track : tracks)
      json["available"].push_back({{"trackDirectory", ReadableText(track.folder)},
                                   {"known", track.known}});
    console.Raw() << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return kExitOk;
  }
  if (tracks.empty()) console.out << "Every track folder in tracks\\ has an event in 67season.ini.\n";
  for (const AvailableTrack& track : tracks) {
    console.out << "  " << ReadableText(track.folder)
                << (track.known ? "  (add puts its event back)"
                                : "  (its event is not known: install its package)")
                << "\n";
  }
  return kExitOk;
}

int RunList(Console& console, const ListOptions& options) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  int status = kExitOk;
  const std::optional<GameFolder> game = FindGame(*files, console, options.game, status);
  if (!game) return status;
  if (options.available) return ListAvailable(console, *files, *game, options);
  if (options.names) {
    // For shell completion (remove, move): the folders the events of 67season.ini name, once
    // each, as written.
    try {
      const ProfileDocument document =
          ProfileDocument::Load(*files, SeasonFilePath(game->folder, kSeasonFileName));
      std::vector<std::string> printed;
      for (const SeasonEvent& event : ReadSeasonEvents(document, *files, game->folder).events) {
        if (!event.trackDirectory || event.trackDirectory->empty()) continue;
        if (std::find(printed.begin(), printed.end(), *event.trackDirectory) != printed.end())
          continue;
        printed.push_back(*event.trackDirectory);
        console.out << *event.trackDirectory << "\n";
      }
      return kExitOk;
    } catch (const CFileException& error) {
      console.err << kSeasonFileName << ": cannot be read: " << OneLine(error) << "\n";
      return kExitNotWritable;
    }
  }

  nlohmann::json json = {{"version", kJsonVersion},
                         {"game", files->NativePath(game->folder)},
                         {"files", nlohmann::json::array()}};
  for (const SeasonFileId file : kBothSeasonFiles) {
    const char* fileName = SeasonFileNameOf(file);
    try {
      const std::string path = SeasonFilePath(game->folder, fileName);
      const ProfileDocument document = ProfileDocument::Load(*files, path);
      const SeasonEvents season = ReadSeasonEvents(document, *files, game->folder);
      if (options.json) {
        json["files"].push_back(EventsJson(*files, path, fileName, season, game->folder));
      } else {
        PrintEvents(console.out, fileName, season);
      }
    } catch (const CFileException& error) {
      console.err << fileName << ": cannot be read: " << OneLine(error) << "\n";
      status = kExitNotWritable;
    }
  }
  // A folder name that is not UTF-8 is shown with replacement characters rather than failing.
  if (options.json)
    console.Raw() << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  return status;
}

// -------------------------------------------------------------------------------------- remove

struct RemoveOptions : ChangeOptions {
  std::vector<std::string> tracks;
  bool deleteFiles = false;
};

int RunRemove(Console& console, const RemoveOptions& options) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  int status = kExitOk;
  const std::optional<GameFolder> game = FindGame(*files, console, options.game, status);
  if (!game) return status;
  SeasonService service(*files, game->folder);
  // A deleted folder must leave no event naming it in either file.
  const SeasonFileChoice choice{true, options.championship || options.deleteFiles};
  return RunChange(console, *files, service, "remove",
                   service.PlanRemove(options.tracks, choice, options.deleteFiles), options);
}

// ------------------------------------------------------------------------------------- restore

struct RestoreOptions : ChangeOptions {
  bool list = false;
  bool json = false;
  bool redo = false;
  std::string room;
};

// "500M", "2G", "1048576": bytes; nullopt for anything else.
std::optional<std::uint64_t> ParseRoom(const std::string& text) {
  std::size_t used = 0;
  unsigned long long value = 0;
  try {
    value = std::stoull(text, &used);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  const std::string unit = text.substr(used);
  const int shift = unit.empty() ? 0 : unit == "K" || unit == "KiB" ? 10 : unit == "M" || unit == "MiB" ? 20
                    : unit == "G" || unit == "GiB" ? 30 : -1;
  if (shift < 0 || value > (UINT64_MAX >> shift)) return std::nullopt;
  return std::uint64_t{value} << shift;
}

std::string SizeText(std::uint64_t bytes) {
  if (bytes < 10 * 1024) return std::to_string(bytes) + " bytes";
  if (bytes < 10 * 1024 * 1024) return std::to_string(bytes >> 10) + " KiB";
  return std::to_string(bytes >> 20) + " MiB";
}

int RunRestore(Console& console, const RestoreOptions& options) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  int status = kExitOk;
  const std::optional<GameFolder> game = FindGame(*files, console, options.game, status);
  if (!game) return status;
  SeasonService service(*files, game->folder);
  if (!service.Settled().empty()) console.err << "note: " << service.Settled() << "\n";
  if (!options.room.empty()) {
    const std::optional<std::uint64_t> room = ParseRoom(options.room);
    if (!room) {
      console.err << "restore: --room " << options.room << ": give a size such as 500M or 2G\n";
      return kExitUsage;
    }
    if (!SetStepRoomLimit(*files, game->folder, *room)) {
      console.err << "restore: " << files->NativePath(HistoryFolder(game->folder))
                  << ": the setting could not be written\n";
      return kExitNotWritable;
    }
    console.out << "Steps may keep up to " << SizeText(*room) << " of track files.\n";
    if (!options.list) return kExitOk;
  }
  if (options.list) {
    const std::vector<HistoryStep> steps = service.ListSteps();
    if (options.json) {
      // The shape is documented in docs/json.md.
      nlohmann::json json = {{"version", kJsonVersion},
                             {"game", files->NativePath(game->folder)},
                             {"steps", nlohmann::json::array()}};
      for (const HistoryStep& step : steps) {
        nlohmann::json changes = nlohmann::json::array();
        for (const std::string& change : step.changes) changes.push_back(ReadableText(change));
        nlohmann::json holds = nlohmann::json::array();
        for (const std::string& held : step.holds) holds.push_back(ReadableText(held));
        json["steps"].push_back({{"number", step.number},
                                 {"time", step.time},
                                 {"command", ReadableText(step.command)},
                                 {"changes", std::move(changes)},
                                 {"holds", std::move(holds)},
                                 {"bytes", step.bytes},
                                 {"redo", step.redo}});
      }
      console.Raw() << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
      return steps.empty() ? kExitNothingToDo : kExitOk;
    }
    if (steps.empty()) {
      console.err << "restore: no undo steps kept in "
                  << files->NativePath(HistoryFolder(game->folder)) << "\n";
      return kExitNothingToDo;
    }
    bool redoShown = false;
    for (const HistoryStep& step : steps) {
      if (step.redo && !redoShown) {
        console.out << "undone, for redo (next first):\n";
        redoShown = true;
      }
      console.out << "  " << (step.redo ? "redo" : std::to_string(step.number)) << "  " << step.time
                  << "  " << step.command << "  (" << SizeText(step.bytes) << ")\n";
      for (const std::string& change : step.changes) console.out << "       " << change << "\n";
      if (!step.holds.empty()) {
        console.out << "       holds:";
        for (std::size_t i = 0; i < step.holds.size(); ++i)
          console.out << (i ? ", " : " ") << files->NativePath(step.holds[i]);
        console.out << "\n";
      }
    }
    console.out << "Steps may keep up to " << SizeText(StepRoomLimit(*files, game->folder))
                << " of track files (restore --room SIZE).\n";
    return kExitOk;
  }
  ConsoleSeasonHost host(console, *files, options.redo ? "redo" : "restore", options);
  RunSeasonRestore(service, host, CommandLineText(), options.dryRun, options.redo);
  return host.Status();
}

}  // namespace

void AddSeasonCommands(CLI::App& app, Console& console, int& status) {
  {
    auto options = std::make_shared<ListOptions>();
    CLI::App* list = app.add_subcommand(
        "list", "Show the events of seasons\\67season.ini and gp.ini, with marks where a track "
                "folder is missing, two events name one folder, or count and sections disagree");
    AddGameOptions(*list, options->game);
    list->add_flag("--json", options->json, "Print JSON");
    list->add_flag("--available", options->available,
                   "The track folders in tracks\\ that no event names, and whether add can put "
                   "them back");
    // For shell completion: one track folder a line.
    list->add_flag("--names", options->names, "The folders only: those events name, or with --available, those none names")
        ->group("");
    list->footer(ExitStatusHelp({4, 5}));
    list->callback([&console, &status, options] { status = RunList(console, *options); });
  }
  {
    auto options = std::make_shared<RemoveOptions>();
    CLI::App* remove = app.add_subcommand(
        "remove", "Take every event naming TRACKDIR out of 67season.ini (and gp.ini), moving "
                  "later events down and lowering the count; every other byte stays");
    remove->add_option("TRACKDIR", options->tracks, "Track folder as the events name it (letter "
                                                    "case counts)")
        ->required();
    AddGameOptions(*remove, options->game);
    remove->add_flag("--championship", options->championship, "Also remove from gp.ini");
    remove->add_flag("--delete-files", options->deleteFiles,
                     "Also delete tracks\\TRACKDIR and the replay that came with it, and remove its "
                     "events from both season files (they move into the undo step: restore brings "
                     "them back); a name that is not a plain folder name is refused (status 2)");
    remove->add_flag("--yes,-y", options->yes, "Answer the question with Yes");
    remove->add_flag("--dry-run", options->dryRun, "Print what would change; change nothing");
    remove->add_flag("--force", options->force, "Go on while the game runs");
    remove->footer(ExitStatusHelp({2, 4, 5, 8, 9, 10, 11, 12}));
    remove->callback([&console, &status, options] { status = RunRemove(console, *options); });
  }
  {
    auto options = std::make_shared<RestoreOptions>();
    CLI::App* restore = app.add_subcommand(
        "restore", "Put back everything the last command changed in the game folder (season "
                   "files, sets, track files); run again, it steps further back");
    AddGameOptions(*restore, options->game);
    restore->add_flag("--list", options->list, "Show the kept steps, newest first");
    restore->add_flag("--json", options->json, "With --list: print JSON")->needs("--list");
    restore->add_flag("--yes,-y", options->yes,
                      "Answer the questions Yes (a read-only mark, files changed since)");
    restore->add_flag("--dry-run", options->dryRun, "Print what would change; change nothing");
    restore->add_flag("--force", options->force, "Go on while gpl.exe runs");
    restore->add_option("--room", options->room,
                        "Let the steps keep up to SIZE of track files (default 1G; the oldest steps "
                        "holding files go first)");
    restore->footer(ExitStatusHelp({2, 4, 5, 8, 9, 10, 11}));
    restore->callback([&console, &status, options] { status = RunRestore(console, *options); });
  }
  {
    auto options = std::make_shared<RestoreOptions>();
    options->redo = true;
    CLI::App* redo = app.add_subcommand(
        "redo", "Put back what the last restore took back; until a new command changes the game "
                "folder");
    AddGameOptions(*redo, options->game);
    redo->add_flag("--yes,-y", options->yes,
                   "Answer the questions Yes (a read-only mark, files changed since)");
    redo->add_flag("--dry-run", options->dryRun, "Print what would change; change nothing");
    redo->add_flag("--force", options->force, "Go on while gpl.exe runs");
    redo->footer(ExitStatusHelp({4, 5, 8, 9, 10, 11}));
    redo->callback([&console, &status, options] { status = RunRestore(console, *options); });
  }
}

}  // namespace gridmoor::cli
