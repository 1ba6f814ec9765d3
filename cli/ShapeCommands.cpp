// The commands that shape the season through the engine's season service: add, sort, move and
// the sets. Each only parses, asks and prints; the service plans, refuses and commits.

#include <CLI/CLI.hpp>

#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/ConsoleHost.h"
#include "cli/SeasonCommands.h"
#include "cli/SeasonConsoleHost.h"
#include "engine/SeasonDisplay.h"
#include "engine/SeasonService.h"
#include "engine/SeasonUpdate.h"

namespace gridmoor::cli {

namespace {

void AddChangeOptions(CLI::App& command, ChangeOptions& options, bool seasonFiles) {
  AddGameOptions(command, options.game);
  command.add_flag("--dry-run", options.dryRun, "Print what would change; change nothing");
  command.add_flag("--yes,-y", options.yes,
                   seasonFiles ? "Answer the questions Yes (a read-only mark, the command's own)"
                               : "Answer the questions Yes (replacing what exists)");
  if (!seasonFiles) return;
  command.add_flag("--force", options.force, "Go on while the game runs");
}

// The game folder and the service on it; nullopt after printing why there is none.
std::optional<GameFolder> FindGameFolder(FileSystem& files, Console& console,
                                         const GameOptions& options) {
  std::string error;
  std::optional<GameFolder> game = LocateGame(files, options, error);
  if (!game) console.err << "error: " << error << "\n";
  return game;
}

}  // namespace

namespace {

SeasonFileChoice ChoiceOf(const ChangeOptions& options) {
  return SeasonFileChoice{true, options.championship};
}

// Runs `body` with the native file system and the service on the game folder.
template <typename Body>
int WithService(Console& console, const GameOptions& game, Body body) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  const std::optional<GameFolder> folder = FindGameFolder(*files, console, game);
  if (!folder) return kExitNoGameFolder;
  SeasonService service(*files, folder->folder);
  return body(*files, service);
}

void PrintSetEvents(std::ostream& out, const char* fileName, const SeasonEvents& events) {
  out << fileName << ": " << events.count << (events.count == 1 ? " event\n" : " events\n");
  for (const SeasonEvent& event : events.events) {
    out << "  " << event.number << "  " << ReadableText(event.name.value_or("")) << "  ("
        << ReadableText(event.trackDirectory.value_or("")) << ")  " << EventDateText(event) << "\n";
  }
}

nlohmann::json SetJson(const SetSummary& set) {
  return {{"name", ReadableText(set.name)},
          {"saved", set.savedTime},
          {"seasonEvents", set.seasonEvents},
          {"championshipEvents", set.championshipEvents},
          {"active", set.active},
          {"changedSinceSaved", set.changedSinceSaved}};
}

void PrintJson(Console& console, const nlohmann::json& json) {
  console.Raw() << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

// One function a command: each registers its options and what its callback runs.

void AddAddCommand(CLI::App& app, Console& console, int& status) {
  struct Options : ChangeOptions {
    std::vector<std::string> tracks;
  };
  auto options = std::make_shared<Options>();
  CLI::App* add = app.add_subcommand(
      "add", "Put the event Gridmoor keeps of each track back into 67season.ini (appended; "
             "refreshed where an event names the folder); see list --available");
  add->add_option("TRACKDIR", options->tracks, "Track folder (letter case counts)")->required();
  add->add_flag("--championship", options->championship, "Also add to gp.ini");
  AddChangeOptions(*add, *options, true);
  add->footer(ExitStatusHelp({4, 5, 6, 8, 9, 10, 11, 12}));
  add->callback([&console, &status, options] {
    status = WithService(console, options->game, [&](FileSystem& files, SeasonService& service) -> int {
      return RunChange(console, files, service, "add",
                       service.PlanAdd(options->tracks, ChoiceOf(*options)), *options);
    });
  });
}

void AddSortCommand(CLI::App& app, Console& console, int& status) {
  struct Options : ChangeOptions {
    std::string by = "date";
  };
  auto options = std::make_shared<Options>();
  CLI::App* sort = app.add_subcommand(
      "sort", "Reorder the events of 67season.ini (and gp.ini), numbered 1 to N again; each "
              "event's lines and every other byte of the file are kept");
  sort->add_option("--by", options->by, "date (month, then day), name or folder")
      ->check(CLI::IsMember({"date", "name", "folder"}))
      ->capture_default_str();
  sort->add_flag("--championship", options->championship, "Also sort gp.ini");
  AddChangeOptions(*sort, *options, true);
  sort->footer(ExitStatusHelp({4, 5, 8, 9, 11, 12}));
  sort->callback([&console, &status, options] {
    const SortKey key = options->by == "name"     ? SortKey::kName
                        : options->by == "folder" ? SortKey::kFolder
                                                  : SortKey::kDate;
    status = WithService(console, options->game, [&](FileSystem& files, SeasonService& service) -> int {
      return RunChange(console, files, service, "sort", service.PlanSort(key, ChoiceOf(*options)),
                       *options);
    });
  });
}

void AddMoveCommand(CLI::App& app, Console& console, int& status) {
  struct Options : ChangeOptions {
    std::string track;
    int to = 0;
  };
  auto options = std::make_shared<Options>();
  CLI::App* move = app.add_subcommand(
      "move", "Move the event naming TRACKDIR to number N, the others keeping their order");
  move->add_option("TRACKDIR", options->track, "Track folder (letter case counts)")->required();
  move->add_option("--to", options->to, "The event's new number, 1 to the count")->required();
  move->add_flag("--championship", options->championship, "Also move it in gp.ini");
  AddChangeOptions(*move, *options, true);
  move->footer(ExitStatusHelp({2, 4, 5, 8, 9, 10, 11, 12}));
  move->callback([&console, &status, options] {
    status = WithService(console, options->game, [&](FileSystem& files, SeasonService& service) -> int {
      return RunChange(console, files, service, "move",
                       service.PlanMove(options->track, options->to, ChoiceOf(*options)),
                       *options);
    });
  });
}

void AddSetSaveCommand(CLI::App* set, Console& console, int& status) {
  struct Options : ChangeOptions {
    std::string name;
  };
  auto options = std::make_shared<Options>();
  CLI::App* save = set->add_subcommand("save", "Save both season files as set NAME (replacing "
                                               "a set of that name) and make it the active set");
  save->add_option("NAME", options->name, "1 to 40 letters, digits, spaces, - _ .")->transform(GameText)->required();
  AddChangeOptions(*save, *options, false);
  save->footer(ExitStatusHelp({2, 4, 5, 8, 11, 12}));
  save->callback([&console, &status, options] {
    status = WithService(console, options->game, [&](FileSystem& files, SeasonService& service) -> int {
      return RunChange(console, files, service, "set save", service.PlanSetSave(options->name),
                       *options);
    });
  });
}

void AddSetUseCommand(CLI::App* set, Console& console, int& status) {
  struct Options : ChangeOptions {
    std::string name;
  };
  auto options = std::make_shared<Options>();
  CLI::App* use = set->add_subcommand(
      "use", "Make set NAME the season files; the files it replaces are saved into the active "
             "set first (none active: into a new set, whose name is printed)");
  use->add_option("NAME", options->name, "The set (letter case aside)")->transform(GameText)->required();
  AddChangeOptions(*use, *options, true);
  use->footer(ExitStatusHelp({4, 5, 6, 8, 9, 10, 11, 12}));
  use->callback([&console, &status, options] {
    status = WithService(console, options->game, [&](FileSystem& files, SeasonService& service) -> int {
      return RunChange(console, files, service, "set use", service.PlanSetUse(options->name),
                       *options);
    });
  });
}

void AddSetListCommand(CLI::App* set, Console& console, int& status) {
  struct Options {
    GameOptions game;
    bool json = false;
    bool names = false;
  };
  auto options = std::make_shared<Options>();
  CLI::App* list = set->add_subcommand(
      "list", "The saved sets; * marks the active one, and whether the season files changed "
              "since it was saved");
  AddGameOptions(*list, options->game);
  list->add_flag("--json", options->json, "Print JSON");
  // For shell completion: one name a line.
  list->add_flag("--names", options->names, "Print the names only, one a line")->group("");
  list->footer(ExitStatusHelp({4, 12}));
  list->callback([&console, &status, options] {
    status = WithService(console, options->game, [&](FileSystem& files, SeasonService& service) -> int {
      const SetList listed = service.ListSets();
      const std::vector<SetSummary>& sets = listed.sets;
      const std::vector<SeasonProblem>& problems = listed.problems;
      for (const SeasonProblem& problem : problems)
        console.err << "set list: " << ProblemLine(files, problem) << "; left out\n";
      if (options->names) {
        for (const SetSummary& each : sets) console.out << ReadableText(each.name) << "\n";
      } else if (options->json) {
        nlohmann::json json = {{"version", kJsonVersion}, {"sets", nlohmann::json::array()}};
        for (const SetSummary& each : sets) json["sets"].push_back(SetJson(each));
        PrintJson(console, json);
      } else if (sets.empty()) {
        console.out << "No sets saved (set save NAME saves the season files as one).\n";
      }
      for (const SetSummary& each : sets) {
        if (options->names || options->json) break;
        console.out << (each.active ? "* " : "  ") << ReadableText(each.name) << "  " << each.seasonEvents
                    << " + " << each.championshipEvents << " events, saved " << each.savedTime
                    << (each.changedSinceSaved ? "  (season files changed since)" : "") << "\n";
      }
      return problems.empty() ? kExitOk : kExitInvalidFile;
    });
  });
}

void AddSetShowCommand(CLI::App* set, Console& console, int& status) {
  struct Options {
    GameOptions game;
    std::string name;
    bool json = false;
  };
  auto options = std::make_shared<Options>();
  CLI::App* show = set->add_subcommand("show", "The events of set NAME");
  show->add_option("NAME", options->name, "The set")->transform(GameText)->required();
  AddGameOptions(*show, options->game);
  show->add_flag("--json", options->json, "Print JSON");
  show->footer(ExitStatusHelp({4, 10, 12}));
  show->callback([&console, &status, options] {
    status = WithService(console, options->game, [&](FileSystem& files, SeasonService& service) -> int {
      const SetView view = service.ShowSet(options->name);
      if (view.problem) {
        console.err << "set show: " << ProblemLine(files, view.problem) << "\n";
        return StatusOf(view.problem);
      }
      if (options->json) {
        nlohmann::json json = {{"version", kJsonVersion}, {"set", SetJson(view.summary)}};
        for (int i = 0; i < kSeasonFileCount; ++i) {
          nlohmann::json events = nlohmann::json::array();
          for (const SeasonEvent& event : view.events[i].events) {
            events.push_back({{"number", event.number},
                              {"name", ReadableText(event.name.value_or(""))},
                              {"trackDirectory", ReadableText(event.trackDirectory.value_or(""))},
                              {"month", ParseEventCount(event.month.value_or(""))},
                              {"day", ParseEventCount(event.day.value_or(""))}});
          }
          json[SeasonFileNameOf(static_cast<SeasonFileId>(i))] = events;
        }
        PrintJson(console, json);
        return kExitOk;
      }
      console.out << "set \"" << ReadableText(view.summary.name) << "\", saved " << view.summary.savedTime
                  << (view.summary.active ? " (active)" : "") << "\n";
      for (int i = 0; i < kSeasonFileCount; ++i)
        PrintSetEvents(console.out, SeasonFileNameOf(static_cast<SeasonFileId>(i)), view.events[i]);
      return kExitOk;
    });
  });
}

void AddSetDiffCommand(CLI::App* set, Console& console, int& status) {
  struct Options {
    GameOptions game;
    std::string a, b;
    bool json = false;
  };
  auto options = std::make_shared<Options>();
  CLI::App* diff = set->add_subcommand(
      "diff", "The events by track folder that are in one set and not the other, or at "
              "another number");
  diff->add_option("A", options->a, "The first set")->transform(GameText)->required();
  diff->add_option("B", options->b, "The second set")->transform(GameText)->required();
  AddGameOptions(*diff, options->game);
  diff->add_flag("--json", options->json, "Print JSON");
  diff->footer(ExitStatusHelp({4, 10, 12}));
  diff->callback([&console, &status, options] {
    status = WithService(console, options->game, [&](FileSystem& files, SeasonService& service) -> int {
      const SetComparison comparison = service.DiffSets(options->a, options->b);
      const SeasonProblem& problem = comparison.problem;
      const std::vector<SetDifference>& differences = comparison.differences;
      if (problem) {
        console.err << "set diff: " << ProblemLine(files, problem) << "\n";
        return StatusOf(problem);
      }
      if (options->json) {
        nlohmann::json json = {{"version", kJsonVersion},
                               {"a", options->a},
                               {"b", options->b},
                               {"differences", nlohmann::json::array()}};
        const auto number = [](int n) { return n ? nlohmann::json(n) : nlohmann::json(nullptr); };
        for (const SetDifference& d : differences) {
          json["differences"].push_back({{"file", SeasonFileNameOf(d.file)},
                                         {"trackDirectory", ReadableText(d.folder)},
                                         {"numberInA", number(d.numberInA)},
                                         {"numberInB", number(d.numberInB)}});
        }
        PrintJson(console, json);
        return kExitOk;
      }
      if (differences.empty()) console.out << "The sets hold the same events.\n";
      for (const SetDifference& d : differences) {
        const auto at = [](int n) { return n ? "Event" + std::to_string(n) : std::string("-"); };
        console.out << SeasonFileNameOf(d.file) << ": " << ReadableText(d.folder) << "  "
                    << at(d.numberInA) << " -> " << at(d.numberInB) << "\n";
      }
      return kExitOk;
    });
  });
}

void AddSetDeleteCommand(CLI::App* set, Console& console, int& status) {
  struct Options : ChangeOptions {
    std::string name;
  };
  auto options = std::make_shared<Options>();
  CLI::App* remove = set->add_subcommand("delete", "Delete set NAME (restore brings it "
                                                   "back)");
  remove->add_option("NAME", options->name, "The set")->transform(GameText)->required();
  AddChangeOptions(*remove, *options, false);
  remove->footer(ExitStatusHelp({4, 5, 8, 10, 11, 12}));
  remove->callback([&console, &status, options] {
    status = WithService(console, options->game, [&](FileSystem& files, SeasonService& service) -> int {
      return RunChange(console, files, service, "set delete",
                       service.PlanSetDelete(options->name), *options);
    });
  });
}

void AddSetRenameCommand(CLI::App* set, Console& console, int& status) {
  struct Options : ChangeOptions {
    std::string from, to;
  };
  auto options = std::make_shared<Options>();
  CLI::App* rename = set->add_subcommand("rename", "Rename set OLD to NEW");
  rename->add_option("OLD", options->from, "The set")->transform(GameText)->required();
  rename->add_option("NEW", options->to, "Its new name")->transform(GameText)->required();
  AddChangeOptions(*rename, *options, false);
  rename->footer(ExitStatusHelp({4, 5, 8, 10, 12}));
  rename->callback([&console, &status, options] {
    status = WithService(console, options->game, [&](FileSystem& files, SeasonService& service) -> int {
      return RunChange(console, files, service, "set rename",
                       service.PlanSetRename(options->from, options->to), *options);
    });
  });
}

void AddSetExportCommand(CLI::App* set, Console& console, int& status) {
  struct Options : ChangeOptions {
    std::string name, file;
  };
  auto options = std::make_shared<Options>();
  CLI::App* exportCommand = set->add_subcommand(
      "export", "Write set NAME as one calendar file FILE (both files' events), for a league");
  exportCommand->add_option("NAME", options->name, "The set")->transform(GameText)->required();
  exportCommand->add_option("FILE", options->file, "The calendar file to write")->required();
  AddChangeOptions(*exportCommand, *options, false);
  exportCommand->footer(ExitStatusHelp({2, 4, 5, 8, 10, 11, 12}));
  exportCommand->callback([&console, &status, options] {
    status = WithService(console, options->game, [&](FileSystem& files, SeasonService& service) -> int {
      return RunChange(console, files, service, "set export",
                       service.PlanSetExport(options->name, options->file), *options);
    });
  });
}

void AddSetImportCommand(CLI::App* set, Console& console, int& status) {
  struct Options : ChangeOptions {
    std::string file, as;
    bool onlyInstalled = false;
  };
  auto options = std::make_shared<Options>();
  CLI::App* import = set->add_subcommand(
      "import", "Read a calendar file into a new set (the name in the file, or --as); names "
                "the events whose track folder is not installed");
  import->add_option("FILE", options->file, "The calendar file")->required();
  import->add_option("--as", options->as, "The new set's name")->transform(GameText);
  import->add_flag("--only-installed", options->onlyInstalled,
                   "Leave out the events whose track folder is not installed");
  AddChangeOptions(*import, *options, false);
  import->footer(ExitStatusHelp({2, 4, 5, 6, 8, 10, 12}));
  import->callback([&console, &status, options] {
    status = WithService(console, options->game, [&](FileSystem& files, SeasonService& service) -> int {
      return RunChange(console, files, service, "set import",
                       service.PlanSetImport(options->file, options->as, options->onlyInstalled),
                       *options);
    });
  });
}
}  // namespace

void AddShapeCommands(CLI::App& app, Console& console, int& status) {
  AddAddCommand(app, console, status);
  AddSortCommand(app, console, status);
  AddMoveCommand(app, console, status);
  CLI::App* set = app.add_subcommand(
      "set", "Named sets of both season files, kept in seasons\\gridmoor-sets: switch seasons "
             "in one step, share a calendar");
  set->require_subcommand(1);
  set->footer(ExitStatusHelp({4, 5, 6, 8, 9, 10, 11, 12}));
  for (const auto add : {AddSetSaveCommand, AddSetUseCommand, AddSetListCommand, AddSetShowCommand,
                         AddSetDiffCommand, AddSetDeleteCommand, AddSetRenameCommand,
                         AddSetExportCommand, AddSetImportCommand})
    add(set, console, status);
}

}  // namespace gridmoor::cli
