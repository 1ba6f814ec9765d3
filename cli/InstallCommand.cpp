// install [PACKAGE...]: each package folder one install run of the engine, as the dialog's
// "Install Track" runs it, or with --dry-run the plan of that run.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/Commands.h"
#include "cli/ConsoleHost.h"
#include "cli/Terminal.h"
#include "cli/DryRunFileSystem.h"
#include "cli/PackageFolder.h"
#include "cli/PackageList.h"
#include "cli/SeasonConsoleHost.h"
#include "engine/StepKeepingFiles.h"
#include "engine/FileErrorText.h"
#include "engine/GameFiles.h"
#include "engine/InstallRun.h"
#include "engine/PackageCheck.h"
#include "engine/SeasonHistory.h"
#include "engine/SeasonCommand.h"
#include "engine/SeasonService.h"
#include "engine/SeasonUpdate.h"
#include "engine/TrackPackage.h"
#include "engine/TrackRecords.h"
#include "engine/WriteAccessCheck.h"
#include "platform/FileException.h"

namespace gridmoor::cli {

namespace {

struct InstallOptions {
  std::vector<std::string> packages;
  GameOptions game;
  bool championship = false;
  bool noReplay = false;
  bool yes = false;
  bool dryRun = false;
  bool force = false;
  bool quiet = false;
  bool json = false;
  bool libraryOnly = false;
};

// What became of each package, for the line of totals.
struct Totals {
  int installed = 0;  // a new event
  int refreshed = 0;  // an event naming its folder already
  int refused = 0;    // nothing copied or written
  int failed = 0;     // stopped partway
};

int StatusOf(InstallOutcome outcome) {
  switch (outcome) {
    case InstallOutcome::kDone:
      return kExitOk;
    case InstallOutcome::kRefused:
      return kExitNotWritable;
    case InstallOutcome::kSeasonFull:
      return kExitSeasonFull;
    case InstallOutcome::kUpdateFailed:
      return kExitUpdateFailed;
    case InstallOutcome::kCopyFailed:
    case InstallOutcome::kBothFailed:  // the copy failed first
      return kExitCopyFailed;
  }
  return kExitUpdateFailed;
}

// One engine run, copy first, answered as an exit status; `outcome` gets how it ended (nullopt
// when an error escaped).
int RunEngine(ConsoleHost& host, FileSystem& files, const TrackPackage& track, bool libraryOnly,
              std::optional<InstallOutcome>* ended = nullptr) {
  try {
    const InstallOutcome outcome = libraryOnly ? InstallTrackIntoLibrary(host, files, track)
                                               : InstallTrackCopyFirst(host, files, track);
    if (ended) *ended = outcome;
    if (outcome == InstallOutcome::kRefused && host.Declined()) return kExitNotConfirmed;
    return StatusOf(outcome);
  } catch (const CFileException& error) {
    // Clearing a read-only mark failed.
    host.ShowMessage("the read-only mark could not be cleared: " +
                         std::string(FileErrorText(error.Cause())) + "\r\n" + error.FileName(),
                     MessageButtons::Ok, MessageIcon::Stop);
    return kExitNotWritable;
  }
}

// The package's errors the install would meet only partway (a replay named but missing, a
// track file missing...), printed; answers whether there were any. A replay left out with
// --no-replay is not copied, so its faults do not count.
bool RefuseFaultyPackage(Console& console, FileSystem& files, const std::string& package,
                         bool noReplay) {
  bool refused = false;
  for (const PackageFinding& finding : CheckPackage(files, package)) {
    if (!StopsInstall(finding, noReplay)) continue;
    console.err << "error: " << files.NativePath(package) << ": " << finding.subject << ": "
                << finding.message << "\n";
    refused = true;
  }
  return refused;
}

// `path` relative to `folder` when it lies inside it, as the system names it (on Linux with '/'
// and the names as they are on disk), so it can be pasted after the folder printed above it.
std::string Inside(FileSystem& files, const std::string& enginePath, const std::string& folder) {
  const std::string path = files.NativePath(enginePath);
  const std::string base = files.NativePath(folder);
  if (path.size() > base.size() + 1 && path.compare(0, base.size(), base) == 0 &&
      (path[base.size()] == '\\' || path[base.size()] == '/'))
    return path.substr(base.size() + 1);
  return path;
}

// Where the package came from, for the track's record: the archive rather than the staging
// folder it was unpacked into.
PackageOrigin OriginOf(const PackageSource& source) {
  if (source.archive.empty()) return FolderOrigin(source.folder);
  std::error_code error;
  const std::filesystem::path archive = std::filesystem::absolute(source.archive, error);
  const std::string path = error ? source.archive : archive.string();
  const std::string inside = source.shown.size() > source.archive.size()
                                 ? source.shown.substr(source.archive.size())
                                 : std::string();
  return {path, "archive", std::filesystem::path(source.archive).filename().string() + inside};
}

// Asks whether to replace another track in the package's folder; kExitOk when the install may
// go on (always, in a dry run, which only says that it would ask).
int ConfirmFolder(Console& console, FileSystem& files, const InstallOptions& options,
                  const std::string& gameFolder, const TrackPackage& track) {
  ChangeOptions change;
  change.yes = options.yes;
  change.dryRun = options.dryRun;
  ConsoleSeasonHost host(console, files, "install", change);
  SeasonService service(files, gameFolder);
  const SeasonOutcome asked = ConfirmTrackFolder(service, host, track, options.dryRun);
  if (!asked.problem || options.dryRun) return kExitOk;
  host.ShowOutcome(asked);
  return host.Status();
}

// The line that says where a collector's install put the event.
std::string LibraryLine(const TrackPackage& track) {
  return "kept in the library; `gridmoor-cli add " + ReadableText(track.trackDirectory) +
         "` adds it";
}

RunChoices ChoicesFor(const InstallOptions& options, const std::string& gameFolder) {
  return RunChoices{gameFolder, options.championship, options.noReplay, options.yes,
                    options.quiet};
}

std::optional<ProfileDocument> LoadQuietly(FileSystem& files, const std::string& path) {
  try {
    return ProfileDocument::Load(files, path);
  } catch (const CFileException&) {
    return std::nullopt;
  }
}

// What became of one package, counted in `totals`; its name in --json.
const char* Count(Totals& totals, int status, bool appended) {
  if (status == kExitOk) {
    ++(appended ? totals.installed : totals.refreshed);
    return appended ? "installed" : "refreshed";
  }
  if (status == kExitCopyFailed || status == kExitUpdateFailed) {
    ++totals.failed;
    return "failed";
  }
  ++totals.refused;
  return "refused";
}

int InstallPackage(Console& console, FileSystem& native, SeasonService& service,
                   const InstallOptions& options, const PackageSource& source,
                   const std::string& gameFolder, Totals& totals, nlohmann::json& record) {
  const std::string& package = source.folder;
  PackageFolderFileSystem files(native, package);
  ConsoleHost host(console, files, package, ChoicesFor(options, gameFolder), false);
  const auto recordMessages = [&] {
    for (const ConsoleHost::Shown& shown : host.Messages())
      record["messages"].push_back({{"kind", shown.kind}, {"text", ReadableText(shown.text)}});
  };
  TrackPackage track;
  if (!LoadPackage(host, files, track) ||
      RefuseFaultyPackage(console, native, package, options.noReplay)) {
    console.err << "refused: " << native.NativePath(package)
                << ": the package has errors; nothing was copied\n";
    record["result"] = Count(totals, kExitInvalidPackage, false);
    record["status"] = kExitInvalidPackage;
    recordMessages();
    return kExitInvalidPackage;
  }
  record["name"] = ReadableText(track.name);
  record["trackDirectory"] = ReadableText(track.trackDirectory);
  record["trackFolder"] = native.NativePath(gameFolder + kTracksFolder + track.trackDirectory);
  record["libraryOnly"] = options.libraryOnly;
  // A track the full season refuses copies nothing: there is nothing to ask.
  const bool refusedFull =
      !options.libraryOnly && WouldPassSeasonLimit(files, gameFolder, track.trackDirectory);
  if (const int confirmed =
          refusedFull ? kExitOk : ConfirmFolder(console, files, options, gameFolder, track)) {
    record["result"] = Count(totals, confirmed, false);
    record["status"] = confirmed;
    return confirmed;
  }
  // A track the full season refuses is named once, by the refusal, not as being installed too.
  if (!options.quiet && !refusedFull) {
    console.out << "installing " << ReadableText(track.name) << " into "
                << native.NativePath(gameFolder + kTracksFolder + track.trackDirectory) << "\n";
  }
  const std::optional<ProfileDocument> season = LoadQuietly(files, gameFolder + kSeasonFile);
  const bool appended = options.libraryOnly || !season ||
                        PlaceTrack(*season, track.trackDirectory).appended;
  std::optional<InstallOutcome> outcome;
  // The files it replaces go into the command's undo step first; a copy the step cannot hold is
  // not made.
  StepKeepingFiles keeping(files, service, track, /*required=*/true);
  const int status = RunEngine(host, keeping, track, options.libraryOnly, &outcome);
  // Remembered, so `remove` and `add` can take the track out and put it back without its package.
  if (!options.libraryOnly && outcome && RecordsTrack(*outcome)) service.RememberInstalled(track);
  if (outcome && CopiedTrackFiles(*outcome))
    WriteTrackRecord(files, gameFolder, track, OriginOf(source), host.IsReplayChecked());
  if (options.libraryOnly && status == kExitOk && !options.quiet)
    console.out << "  " << LibraryLine(track) << "\n";
  record["result"] = Count(totals, status, appended);
  record["status"] = status;
  recordMessages();
  return status;
}

// Where the run put the track in one season file, from the file as it was before the run.
void PrintSeasonPlan(Console& console, bool written, const TrackPackage& track,
                     const std::optional<ProfileDocument>& before, const char* label) {
  console.out << "  " << label << ": ";
  if (!before) {
    console.out << (written ? "written (it could not be read first)\n" : "not written\n");
    return;
  }
  const EventPlacement placement = PlaceTrack(*before, track.trackDirectory);
  if (!written && placement.appended) {
    console.out << "not written\n";
    return;
  }
  console.out << "Event" << placement.event << (placement.appended ? " appended" : " refreshed")
              << ", count " << placement.count
              << (written ? "" : " (unchanged: the event already holds these values)") << "\n";
  for (const EventValue& value : EventValues(track))
    console.out << "      " << value.key << "=" << *value.value << "\n";
}

// Whether `plan` replaced `path` after its first `from` replaces.
bool WrittenSince(const DryRunFileSystem& plan, std::size_t from, const std::string& path) {
  for (std::size_t i = from; i < plan.Replaces().size(); ++i) {
    if (plan.Replaces()[i].path == path) return true;
  }
  return false;
}

// Plans one package's run over `plan`, which holds the earlier packages' planned changes, and
// prints what this run adds to them.
int PlanPackage(Console& console, DryRunFileSystem& plan, const InstallOptions& options,
                const std::string& package, const std::string& gameFolder) {
  const std::size_t clearedFrom = plan.ClearedReadOnly().size();
  const std::size_t foldersFrom = plan.CreatedFolders().size();
  const std::size_t copiesFrom = plan.Copies().size();
  const std::size_t replacesFrom = plan.Replaces().size();
  PackageFolderFileSystem files(plan, package);
  ConsoleHost host(console, files, package, ChoicesFor(options, gameFolder), true);
  TrackPackage track;
  const bool loaded = LoadPackage(host, files, track);
  std::vector<PackageFinding> errors;
  for (const PackageFinding& finding : CheckPackage(plan, package)) {
    if (StopsInstall(finding, loaded && options.noReplay)) errors.push_back(finding);
  }
  if (!loaded || !errors.empty()) {
    console.out << "  would refuse: invalid package (status 3)\n";
    for (const PackageFinding& finding : errors)
      console.out << "    " << finding.subject << ": " << finding.message << "\n";
    return kExitInvalidPackage;
  }
  console.out << "  track " << ReadableText(track.name) << " ("
              << Inside(plan, gameFolder + kTracksFolder + track.trackDirectory, gameFolder)
              << "), replay "
              << (host.IsReplayChecked() ? track.replayfilename
                  : host.ReplayAvailable() ? "left out (--no-replay)" : "none")
              << "\n";

  const std::string seasonPath = gameFolder + kSeasonFile;
  const std::string championshipPath = gameFolder + kChampionshipFile;
  const std::optional<ProfileDocument> season = LoadQuietly(plan, seasonPath);
  const std::optional<ProfileDocument> championship = LoadQuietly(plan, championshipPath);

  if (options.libraryOnly || !WouldPassSeasonLimit(files, gameFolder, track.trackDirectory))
    ConfirmFolder(console, files, options, gameFolder, track);
  int status = RunEngine(host, files, track, options.libraryOnly);

  for (std::size_t i = clearedFrom; i < plan.ClearedReadOnly().size(); ++i)
    console.out << "  clear read-only mark: " << Inside(plan, plan.ClearedReadOnly()[i], gameFolder)
                << "\n";
  for (std::size_t i = foldersFrom; i < plan.CreatedFolders().size(); ++i)
    console.out << "  create folder: " << Inside(plan, plan.CreatedFolders()[i], gameFolder) << "\n";
  for (std::size_t i = copiesFrom; i < plan.Copies().size(); ++i) {
    const DryRunFileSystem::Copy& copy = plan.Copies()[i];
    console.out << "  copy " << Inside(plan, copy.from, package) << " -> "
                << Inside(plan, copy.to, gameFolder)
                << (copy.overwrite ? " (overwrite)" : " (new)") << "\n";
  }
  // A refused run, or one whose copy failed, writes neither file.
  const bool ran = status == kExitOk || status == kExitUpdateFailed;
  if (options.libraryOnly) {
    if (status == kExitOk)
      console.out << "  67season.ini, gp.ini: unchanged; " << LibraryLine(track) << "\n";
  } else if (ran) {
    PrintSeasonPlan(console, WrittenSince(plan, replacesFrom, seasonPath), track, season,
                    "67season.ini");
    if (options.championship) {
      PrintSeasonPlan(console, WrittenSince(plan, replacesFrom, championshipPath), track,
                      championship, "gp.ini");
    }
  }
  for (const ConsoleHost::Shown& shown : host.Messages()) {
    if (shown.kind == "summary") continue;
    const std::string text = TerminalText(shown.text, "      ");
    if (shown.kind == "question") {
      console.out << "  would ask: " << text << "\n"
                  << (options.yes ? "    (--yes answers yes)\n"
                                  : "    (answered yes for this plan; the real run asks on a "
                                    "terminal, and without one stops unless --yes)\n");
    } else {
      console.out << "  would fail: " << text << "\n";
    }
  }
  console.out << "  result: " << (status == kExitOk ? "would install" : "would not complete")
              << " (status " << status << ")\n";
  return status;
}

void PrintTotals(Console& console, const Totals& totals) {
  console.out << "installed " << totals.installed << ", refreshed " << totals.refreshed
              << ", refused " << totals.refused << ", failed " << totals.failed << "\n";
}

int RunInstall(Console& terminal, const InstallOptions& options) {
  // With --json, standard output holds the JSON alone; what a run says (questions, failures)
  // goes to standard error.
  Console jsonConsole{terminal.err, terminal.err, terminal.in, terminal.inIsTerminal, false};
  Console& console = options.json ? jsonConsole : terminal;
  std::unique_ptr<FileSystem> native = MakeNativeFileSystem();
  // One plan for all packages: each run sees what the earlier ones would have changed. A dry
  // run reads everything through it, the registry file too, so no access time moves.
  DryRunFileSystem plan(*native);
  FileSystem& files = options.dryRun ? static_cast<FileSystem&>(plan) : *native;
  std::string error;
  std::optional<GameFolder> game = LocateGame(files, options.game, error);
  if (!game) {
    console.err << "error: " << error << "\n";
    return kExitNoGameFolder;
  }
  if (!options.quiet || options.dryRun)
    console.out << "game folder: " << files.NativePath(game->folder) << " (" << game->how << ")\n";
  // Archives are unpacked before the undo step is kept, so a slow unpack holds no step open.
  PackageList packages(*native, options.packages);
  packages.SkipOlderVersions(*native);
  for (const std::string& line : packages.Skipped())
    console.err << "note: skipped " << line << "\n";

  // The engine refuses what the real run would (a file or the undo folder this user cannot
  // write, found before anything is copied; the game running unless --force) and keeps the one
  // undo step of the whole command. A dry run looks through the plan, which changes nothing.
  SeasonService service(files, game->folder);
  ChangeOptions change;
  change.yes = options.yes;
  change.dryRun = options.dryRun;
  change.force = options.force;
  ConsoleSeasonHost host(console, files, "install", change);
  // A collector's install writes no season file, so the game may run; its step holds the track
  // files and the library.
  SeasonOutcome begun;
  if (!options.libraryOnly) {
    begun = BeginSeasonCommand(service, host, {true, options.championship}, CommandLineText(),
                               options.dryRun);
  } else if (!options.dryRun && !service.BeginCommand(CommandLineText())) {
    begun.problem = MakeProblem(SeasonRefusal::kUndoNotKept, "", "the undo step cannot be written",
                                HistoryFolder(game->folder));
  }
  // A dry run goes on past the game running, to show the rest of what the real run would do.
  const bool refusedRunning = begun.problem.refusal == SeasonRefusal::kGameRunning;
  if (begun.problem && !(options.dryRun && refusedRunning)) {
    host.ShowOutcome(begun);
    return host.Status();
  }

  int first = kExitOk;
  Totals totals;
  nlohmann::json records = nlohmann::json::array();
  // Ctrl+C stops the copy at its next file, and the whole command is undone.
  const InterruptNote interrupt;
  try {
  for (const PackageSource& source : packages.Items()) {
    int status = source.status;
    nlohmann::json record = {{"package", ReadableText(source.shown)},
                             {"name", nullptr},
                             {"trackDirectory", nullptr},
                             {"trackFolder", nullptr},
                             {"messages", nlohmann::json::array()}};
    if (!source.error.empty()) {
      console.err << "error: " << source.error << "\n";
      ++totals.refused;
      record["result"] = "refused";
      record["status"] = status;
      record["messages"].push_back({{"kind", "error"}, {"text", ReadableText(source.error)}});
    } else {
      if (!options.quiet || options.dryRun)
        console.out << (options.dryRun ? "plan for package " : "package ") << source.shown << "\n";
      status = options.dryRun
                   ? PlanPackage(console, plan, options, source.folder, game->folder)
                   : InstallPackage(console, *native, service, options, source, game->folder,
                                    totals, record);
    }
    records.push_back(std::move(record));
    console.out.flush();
    if (first == kExitOk) first = status;
  }
  } catch (const Interrupted&) {
    const std::string undone = service.UndoCommand();
    console.err << "\ninterrupted: "
                << (undone.empty() ? "nothing was changed"
                                   : "what this install had copied and written is undone; the game "
                                     "folder is as it was")
                << "\n";
    return kExitInterrupted;
  }
  if (!options.dryRun) {
    EndSeasonCommand(service);
    if (!options.json) PrintTotals(console, totals);
  }
  if (options.json) {
    // The shape is documented in docs/json.md.
    const nlohmann::json json = {{"version", kJsonVersion},
                                 {"game", files.NativePath(game->folder)},
                                 {"packages", std::move(records)},
                                 {"totals",
                                  {{"installed", totals.installed},
                                   {"refreshed", totals.refreshed},
                                   {"refused", totals.refused},
                                   {"failed", totals.failed}}},
                                 {"status", refusedRunning ? kExitGameRunning : first}};
    terminal.Raw() << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  }
  return refusedRunning ? kExitGameRunning : first;
}

}  // namespace

void AddInstallCommand(CLI::App& app, Console& console, int& status) {
  auto options = std::make_shared<InstallOptions>();
  CLI::App* command = app.add_subcommand(
      "install", "Install track packages into the game, each one as the dialog's Install Track");
  command->add_option("PACKAGE", options->packages,
                      "Package folders, archives (zip, 7z, rar, self-extracting .exe) and folders of "
                      "them, installed in this order (default: the current folder)");
  AddGameOptions(*command, options->game);
  CLI::Option* championship =
      command->add_flag("--championship", options->championship, "Also add the track to gp.ini");
  command->add_flag("--library-only", options->libraryOnly,
                    "Copy the track and keep its event only in the event library (for add or a "
                    "set later), leaving the season files as they are; works when the season is "
                    "full")
      ->excludes(championship);
  command->add_flag("--no-replay", options->noReplay, "Leave the package's replay out");
  command->add_flag("--yes,-y", options->yes, "Answer every question Yes");
  command->add_flag("--quiet,-q", options->quiet, "Print only failures and the line of totals");
  command->add_flag("--dry-run", options->dryRun,
                    "Change nothing; print what the install would copy and write");
  command->add_flag("--force", options->force, "Install even while the game runs");
  command->add_flag("--json", options->json,
                    "Print each package's result and the totals as JSON (what the run says goes "
                    "to standard error)")
      ->excludes("--dry-run");
  command->footer(ExitStatusHelp({3, 4, 5, 6, 7, 8, 9, 11, 130}) +
                  "\nWith several packages, the status of the first that failed.");
  command->callback([&console, &status, options] { status = RunInstall(console, *options); });
}

}  // namespace gridmoor::cli
