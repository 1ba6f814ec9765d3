#include "cli/SeasonCommands.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <set>
#include <sstream>

#include "cli/ConsoleHost.h"
#include "engine/FileErrorText.h"
#include "engine/SeasonUpdate.h"
#include "engine/SeasonEvents.h"
#include "engine/SeasonHistory.h"
#include "engine/SeasonService.h"
#include "engine/TrackPackage.h"
#include "engine/WriteAccessCheck.h"
#include "platform/FileException.h"

namespace gridmoor::cli {
namespace {

const char* const kSeasonFiles[] = {kSeasonFileName, kChampionshipFileName};

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

std::string NumberList(const std::vector<int>& numbers) {
  std::string text;
  for (const int number : numbers) text += (text.empty() ? "" : ", ") + std::to_string(number);
  return text;
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
    if (name.size() == key.size() &&
        std::equal(name.begin(), name.end(), key.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) ==
                 std::tolower(static_cast<unsigned char>(b));
        }))
      return value;
  }
  return std::nullopt;
}

std::vector<std::string> Marks(const SeasonEvent& event) {
  std::vector<std::string> marks;
  if (!event.hasSection) marks.push_back("no section");
  if (event.hasSection && event.trackFolderMissing) marks.push_back("folder missing");
  if (event.sharesFolder) marks.push_back("folder named twice");
  return marks;
}

std::string DateText(const SeasonEvent& event) {
  if (!event.month && !event.day) return "";
  return event.month.value_or("?") + "/" + event.day.value_or("?");
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
                    ReadableText(event.numberOfLaps.value_or("")), ReadableText(DateText(event)),
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
    console.out << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
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

  nlohmann::json json = {{"version", kJsonVersion},
                         {"game", files->NativePath(game->folder)},
                         {"files", nlohmann::json::array()}};
  for (const char* fileName : kSeasonFiles) {
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
    console.out << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  return status;
}

// -------------------------------------------------------------------------------------- remove

struct RemoveOptions : ChangeOptions {
  std::vector<std::string> tracks;
  bool deleteFiles = false;
};

// The read-only marks among `paths`, asked about one by one (a dry run only says it would ask).
// Answers false when one was not confirmed.
bool ConfirmClearingMarks(Console& console, FileSystem& files,
                          const std::vector<std::string>& paths, bool yes, bool dryRun,
                          std::vector<std::string>& marked) {
  for (const std::string& path : paths) {
    if (!HasReadOnlyMark(files, path)) continue;
    const std::string name = files.NativePath(path);
    if (dryRun) {
      console.out << "would ask: " << name << " is read-only; clear the mark?"
                  << (yes ? " (--yes answers yes)\n" : " (status 11 unless answered yes)\n");
    } else if (!AskYesNo(console, name + " is read-only. Clear the mark?", yes)) {
      return false;
    }
    marked.push_back(path);
  }
  return true;
}

// The first read-only mark among `marked` that cannot be cleared, as one line; "" when all are.
std::string ClearMarks(FileSystem& files, const std::vector<std::string>& marked) {
  for (const std::string& path : marked) {
    try {
      ClearReadOnlyMark(files, path);
    } catch (const CFileException& error) {
      return "the read-only mark of " + files.NativePath(path) +
             " could not be cleared: " + FileErrorText(error.Cause());
    }
  }
  return {};
}

int RunRemove(Console& console, const RemoveOptions& options) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  if (options.deleteFiles) {
    // Only a plain name stays inside tracks\: "..", "a\b" or "C:x" would reach elsewhere.
    for (const std::string& track : options.tracks) {
      if (track.empty() || !IsPlainFileName(track)) {
        console.err << "remove: \"" << track
                    << "\" is not a plain folder name; --delete-files refuses it\n";
        return kExitUsage;
      }
    }
  }
  int status = kExitOk;
  const std::optional<GameFolder> game = FindGame(*files, console, options.game, status);
  if (!game) return status;
  SeasonService service(*files, game->folder, [] { return IsGameRunning(); });
  // A deleted folder must leave no event naming it in either file.
  const SeasonFileChoice choice{true, options.championship || options.deleteFiles};
  const SeasonChange change = service.PlanRemove(options.tracks, choice, options.deleteFiles);
  return RunChange(console, *files, service, "remove", change, options,
                   options.deleteFiles ? "Remove these events and delete the files?"
                                       : "Remove these events?");
}

// ------------------------------------------------------------------------------------- restore

struct RestoreOptions {
  GameOptions game;
  bool list = false;
  bool yes = false;
  bool dryRun = false;
  bool force = false;
};

std::string SizeText(const std::optional<std::size_t>& size) {
  return size ? std::to_string(*size) + " bytes" : "missing";
}

int RunRestore(Console& console, const RestoreOptions& options) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  int status = kExitOk;
  const std::optional<GameFolder> game = FindGame(*files, console, options.game, status);
  if (!game) return status;

  if (options.list) {
    const std::vector<HistoryStep> steps = ListSeasonSteps(*files, game->folder);
    if (steps.empty()) {
      console.err << "restore: no undo steps kept in " << HistoryFolder(game->folder) << "\n";
      return kExitNothingToDo;
    }
    for (const HistoryStep& step : steps) {
      console.out << "  " << step.number << "  " << step.time << "  " << step.command << "\n";
      for (const std::string& change : step.changes) console.out << "       " << change << "\n";
    }
    return kExitOk;
  }

  // Check first without writing: the refusals below must leave every byte as it is.
  RestoreReport report = RestoreNewestStep(*files, game->folder, /*dryRun=*/true);
  if (report.status == RestoreStatus::kNothingKept) {
    console.err << "restore: nothing to restore: no undo steps kept in "
                << files->NativePath(HistoryFolder(game->folder)) << "\n";
    return kExitNothingToDo;
  }
  // Only the files the restore changes must be writable; the read-only mark is asked about below.
  std::vector<std::string> paths;
  for (const RestoredFile& file : report.files) {
    if (!file.unchanged) paths.push_back(SeasonFilePath(game->folder, file.fileName));
  }
  if (report.status == RestoreStatus::kReadOnly) paths.push_back(report.failedFile);
  if (const std::optional<std::string> blocker = FindWriteBlocker(*files, game->folder, paths)) {
    console.err << "restore: " << *blocker << "; nothing changed\n";
    return kExitNotWritable;
  }
  // The game-running refusal is the season service's.
  const SeasonService service(*files, game->folder, [] { return IsGameRunning(); });
  const SeasonProblem refused =
      service.CheckCommand(SeasonFileChoice{false, false}, {CommandLineText(), options.force, false});
  if (refused.refusal == SeasonRefusal::kGameRunning) {
    if (options.dryRun) {
      console.out << "would refuse: gpl.exe is running (status 9; --force goes on)\n";
      return kExitGameRunning;
    }
    console.err << "restore: gpl.exe is running and may write the season back; close it first "
                   "(or --force); nothing changed\n";
    return kExitGameRunning;
  }
  if (report.status == RestoreStatus::kReadOnly) {
    std::vector<std::string> marked;
    if (!ConfirmClearingMarks(console, *files, {report.failedFile}, options.yes, options.dryRun,
                              marked)) {
      console.err << "restore: the read-only mark stays (answer yes on a terminal, or give "
                     "--yes); nothing changed\n";
      return kExitNotConfirmed;
    }
    if (options.dryRun) return options.yes ? kExitOk : kExitNotConfirmed;
    if (const std::string failed = ClearMarks(*files, marked); !failed.empty()) {
      console.err << "restore: " << failed << "; nothing changed\n";
      return kExitNotWritable;
    }
    report = RestoreNewestStep(*files, game->folder, /*dryRun=*/true);
  }
  if (report.status == RestoreStatus::kReadOnly) {
    // The other file is marked too: one more question.
    std::vector<std::string> marked;
    if (!ConfirmClearingMarks(console, *files, {report.failedFile}, options.yes, false, marked)) {
      console.err << "restore: the read-only mark stays; nothing restored\n";
      return kExitNotConfirmed;
    }
    if (const std::string failed = ClearMarks(*files, marked); !failed.empty()) {
      console.err << "restore: " << failed << "; nothing restored\n";
      return kExitNotWritable;
    }
    report = RestoreNewestStep(*files, game->folder, /*dryRun=*/true);
  }
  if (report.status == RestoreStatus::kRestored && !options.dryRun)
    report = RestoreNewestStep(*files, game->folder, /*dryRun=*/false);
  switch (report.status) {
    case RestoreStatus::kNothingKept:
      console.err << "restore: nothing to restore: no undo steps kept in "
                  << HistoryFolder(game->folder) << "\n";
      return kExitNothingToDo;
    case RestoreStatus::kReadOnly:
      console.err << "restore: " << files->NativePath(report.failedFile)
                  << " is read-only; nothing changed\n";
      return kExitNotWritable;
    case RestoreStatus::kFailed:
      console.err << "restore: " << files->NativePath(report.failedFile)
                  << " could not be read or written; the step is kept, run restore again\n";
      return kExitUpdateFailed;
    case RestoreStatus::kRestored:
      break;
  }
  console.out << (options.dryRun ? "Would restore" : "Restored") << " step " << report.step.number
              << " (" << report.step.time << ", before: " << report.step.command << ")\n";
  for (const RestoredFile& file : report.files) {
    console.out << "  " << file.fileName << ": ";
    if (file.unchanged) {
      console.out << "unchanged\n";
    } else if (!file.keptSize) {
      console.out << (options.dryRun ? "would be deleted" : "deleted")
                  << " (it did not exist before)\n";
    } else {
      console.out << SizeText(file.currentSize) << " -> " << *file.keptSize << " bytes\n";
    }
    if (file.changedSince) {
      console.out << "  " << file.fileName
                  << " was changed after that command (by the game or another program); "
                  << (options.dryRun ? "that change would be undone too"
                                     : "that change is undone too, its bytes kept in " +
                                           file.replacedCopy)
                  << "\n";
    }
  }
  for (const std::string& event : report.eventsWithoutFolder) {
    console.out << "  note: " << (options.dryRun ? "would put" : "puts") << " back " << event
                << ", whose track folder is missing\n";
  }
  if (!options.dryRun && !report.stepDropped) {
    console.err << "restore: the step file could not be deleted; a second restore repeats it\n";
  }
  return status;
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
    // For shell completion: with --available, one track folder a line.
    list->add_flag("--names", options->names, "With --available: the folders only")->group("");
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
                     "events from both season files (restore does not bring the files back)");
    remove->add_flag("--yes,-y", options->yes, "Answer the question with Yes");
    remove->add_flag("--dry-run", options->dryRun, "Print what would change; change nothing");
    remove->add_flag("--force", options->force, "Go on while gpl.exe runs");
    remove->footer(ExitStatusHelp({4, 5, 8, 9, 10, 11, 12}));
    remove->callback([&console, &status, options] { status = RunRemove(console, *options); });
  }
  {
    auto options = std::make_shared<RestoreOptions>();
    CLI::App* restore = app.add_subcommand(
        "restore", "Put back the season files as they were before the last change a "
                   "gridmoor-cli command made; run again, it steps further back");
    AddGameOptions(*restore, options->game);
    restore->add_flag("--list", options->list, "Show the kept steps, newest first");
    restore->add_flag("--yes,-y", options->yes, "Answer the question about a read-only mark Yes");
    restore->add_flag("--dry-run", options->dryRun, "Print what would change; change nothing");
    restore->add_flag("--force", options->force, "Go on while gpl.exe runs");
    restore->footer(ExitStatusHelp({4, 5, 8, 9, 10, 11}));
    restore->callback([&console, &status, options] { status = RunRestore(console, *options); });
  }
}

}  // namespace gridmoor::cli
