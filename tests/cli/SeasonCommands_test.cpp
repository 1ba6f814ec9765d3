// list, remove and restore through the real program: what only the program shows (statuses,
// the question, JSON, the bytes left on disk). The removal's and the restore's rules are tested
// in tests/engine.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/CliFixture.h"

namespace gridmoor::testing {
namespace {

int LineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(SeasonCommands, InstallRemoveAndRestoreStepBackExactly) {
  CliFixture fixture;
  const std::string game = fixture.Game();
  const std::string season0 = fixture.Read("seasons/67season.ini");
  const std::string gp0 = fixture.Read("seasons/gp.ini");
  ASSERT_EQ(RunCli({"install", "--championship", "--force", fixture.Package("alder"),
                    fixture.Package("birch"), "--game", game})
                .status,
            0);
  const std::string season1 = fixture.Read("seasons/67season.ini");
  const std::string gp1 = fixture.Read("seasons/gp.ini");

  // Deleting the folder takes its events out of both files, gp.ini unasked.
  const CliResult removed =
      RunCli({"remove", "alder", "--delete-files", "--yes", "--force", "--game", game});
  ASSERT_EQ(removed.status, 0) << removed.out << removed.err;
  EXPECT_NE(removed.out.find("deleted "), std::string::npos) << removed.out;
  EXPECT_FALSE(std::filesystem::exists(fixture.GamePath("tracks/alder")));
  EXPECT_TRUE(std::filesystem::exists(fixture.GamePath("tracks/birch")));

  const CliResult listed = RunCli({"list", "--json", "--game", game});
  ASSERT_EQ(listed.status, 0) << listed.err;
  const nlohmann::json json = nlohmann::json::parse(listed.out);
  EXPECT_EQ(json["version"], 2);
  for (const auto& file : json["files"]) {
    EXPECT_TRUE(std::filesystem::exists(file["path"].get<std::string>())) << file["path"];
    const auto& last = file["events"].back();
    EXPECT_EQ(last["numberOfLaps"], 55) << last;
    EXPECT_EQ(last["startingGrid"], "3-2-3") << last;
    EXPECT_EQ(last["values"]["shortname"], last["shortname"]) << last;
    EXPECT_TRUE(std::filesystem::is_directory(last["trackFolder"].get<std::string>())) << last;
    std::vector<std::string> folders;
    for (const auto& event : file["events"]) folders.push_back(event["trackDirectory"]);
    EXPECT_EQ(std::count(folders.begin(), folders.end(), "alder"), 0) << file["file"];
    EXPECT_EQ(folders.back(), "birch") << file["file"];
    EXPECT_EQ(file["count"], folders.size());
  }

  const CliResult steps = RunCli({"restore", "--list", "--game", game});
  EXPECT_EQ(steps.status, 0);
  // One step per command, each with what it changed.
  EXPECT_NE(steps.out.find("remove alder"), std::string::npos) << steps.out;
  EXPECT_NE(steps.out.find("67season.ini: removed Event6 alder"), std::string::npos) << steps.out;
  EXPECT_NE(steps.out.find("gp.ini: added Event5 birch"), std::string::npos) << steps.out;

  const CliResult restored = RunCli({"restore", "--force", "--game", game});
  ASSERT_EQ(restored.status, 0) << restored.err;
  // The deleted track folder comes back with its event.
  EXPECT_TRUE(std::filesystem::is_regular_file(fixture.GamePath("tracks/alder/alder.dat"))) << restored.out;
  EXPECT_EQ(restored.out.find("whose track folder is missing"), std::string::npos) << restored.out;
  EXPECT_EQ(fixture.Read("seasons/67season.ini"), season1);
  EXPECT_EQ(fixture.Read("seasons/gp.ini"), gp1);
  ASSERT_EQ(RunCli({"restore", "--force", "--game", game}).status, 0);
  EXPECT_EQ(fixture.Read("seasons/67season.ini"), season0);
  EXPECT_EQ(fixture.Read("seasons/gp.ini"), gp0);

  const CliResult nothing = RunCli({"restore", "--force", "--game", game});
  EXPECT_EQ(nothing.status, 10);
  EXPECT_EQ(LineCount(nothing.err), 1) << nothing.err;
}

struct RefusalCase {
  const char* name;
  std::vector<std::string> args;  // --game is added
  int status;
  std::function<void(CliFixture&)> arrange;
};

class SeasonCommandRefusal : public ::testing::TestWithParam<RefusalCase> {};

// Each refusal is one line on standard error and its status, and leaves every byte and time.
TEST_P(SeasonCommandRefusal, ChangesNothing) {
  CliFixture fixture;
  if (GetParam().arrange) GetParam().arrange(fixture);
  const auto before = Snapshot(fixture.GamePath(""));
  std::vector<std::string> args = GetParam().args;
  args.insert(args.end(), {"--game", fixture.Game()});

  const CliResult run = RunCli(args);
  EXPECT_EQ(run.status, GetParam().status) << run.out << run.err;
  EXPECT_EQ(LineCount(run.err), 1) << run.err;
  fixture.Folder().SetReadOnly("game/seasons/67season.ini", false);
  EXPECT_EQ(Snapshot(fixture.GamePath("")), before);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, SeasonCommandRefusal,
    ::testing::Values(
        RefusalCase{"TrackNotThere", {"remove", "nowhere", "--yes"}, 10, nullptr},
        RefusalCase{"NotConfirmed", {"remove", "calder", "--delete-files", "--force"}, 11, nullptr},
        RefusalCase{"NotPlain", {"remove", "..", "--delete-files", "--yes"}, 2, nullptr},
        RefusalCase{"ReadOnlyMarkNotCleared",
                    {"remove", "calder", "--force"},
                    11,
                    [](CliFixture& f) {
                      f.Folder().SetReadOnly("game/seasons/67season.ini", true);
                    }},
        RefusalCase{"NothingToRestore", {"restore"}, 10, nullptr},
        RefusalCase{"AKnownAndAnUnknownName", {"remove", "calder", "nosuch", "--yes"}, 10, nullptr},
        RefusalCase{"MovePastTheEnd", {"move", "calder", "--to", "99"}, 2, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SeasonCommands, DryRunPrintsThePlanAndChangesNothing) {
  CliFixture fixture;
  const auto before = Snapshot(fixture.GamePath(""));
  const CliResult run = RunCli({"remove", "brockhurst", "--championship", "--delete-files",
                                "--dry-run", "--yes", "--game", fixture.Game()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("would ask: Remove these events and delete the files?"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("67season.ini: would remove Event2"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("67season.ini: would set numEvents 5 -> 4"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("would delete"), std::string::npos) << run.out;
  EXPECT_EQ(Snapshot(fixture.GamePath("")), before);
}

TEST(SeasonCommands, ListMarksAMissingFolderAndOneFolderNamedTwice) {
  CliFixture fixture;
  std::filesystem::remove_all(fixture.GamePath("tracks/calder"));
  // A player's note after the laps, an 8-bit name, and one folder in two letter cases.
  fixture.Folder().Write("game/seasons/gp.ini",
                         "[Season]\r\nnumEvents=2\r\n"
                         "[Event1]\r\nname=N\xFCrburg\r\ntrackDirectory=Kestrel\r\n"
                         "numberOfLaps=14 ; default 68\r\n"
                         "[Event2]\r\ntrackDirectory=kestrel\r\n");
  const CliResult run = RunCli({"list", "--game", fixture.Game()});
  EXPECT_EQ(run.status, 0) << run.err;
  const auto lineWith = [&run](const std::string& text) {
    const std::size_t at = run.out.find(text);
    return at == std::string::npos ? "" : run.out.substr(at, run.out.find('\n', at) - at);
  };
  EXPECT_NE(lineWith("calder").find("folder missing"), std::string::npos) << run.out;
  EXPECT_NE(lineWith("N\xC3\xBCrburg").find("folder named twice"), std::string::npos) << run.out;

  const nlohmann::json json =
      nlohmann::json::parse(RunCli({"list", "--json", "--game", fixture.Game()}).out);
  const auto& event = json["files"][1]["events"][0];
  EXPECT_EQ(event["numberOfLaps"], 14) << event;
  EXPECT_EQ(event["values"]["numberOfLaps"], "14 ; default 68") << event;
  EXPECT_EQ(event["folderNamedTwice"], true) << event;
}

// One session of sets as a player runs it: the statuses, what is printed for shell completion,
// and the bytes each step leaves. The service's rules themselves are tested in tests/engine.
TEST(SeasonCommands, ASessionOfSets) {
  CliFixture fixture;
  const std::string game = fixture.Game();
  const std::string season0 = fixture.Read("seasons/67season.ini");
  const auto run = [&](std::vector<std::string> args) {
    args.insert(args.end(), {"--game", game});
    CliResult result = RunCli(args);
    EXPECT_EQ(result.status, 0) << args[0] << " " << args[1] << ": " << result.out << result.err;
    // The Windows console's text mode ends lines in CR LF.
    result.out.erase(std::remove(result.out.begin(), result.out.end(), '\r'), result.out.end());
    return result;
  };
  run({"set", "save", "Historic"});
  run({"install", "--force", fixture.Package("alder")});
  run({"set", "save", "Fantasy"});
  const std::string fantasy = fixture.Read("seasons/67season.ini");
  run({"set", "use", "historic", "--force"});
  EXPECT_EQ(fixture.Read("seasons/67season.ini"), season0);
  EXPECT_EQ(run({"set", "list", "--names"}).out, "Fantasy\nHistoric\n");

  EXPECT_EQ(run({"list", "--available", "--names"}).out, "alder\n");
  run({"add", "alder", "--force"});
  EXPECT_EQ(fixture.Read("seasons/67season.ini"), fantasy);
  run({"move", "alder", "--to", "1", "--force"});
  const std::string moved = fixture.Read("seasons/67season.ini");
  EXPECT_NE(moved, fantasy);
  run({"sort", "--by", "date", "--force"});
  EXPECT_EQ(fixture.Read("seasons/67season.ini"), fantasy);

  const std::string calendar = fixture.Folder().Native("league.cal").string();
  run({"set", "export", "Fantasy", calendar});
  run({"set", "import", calendar, "--as", "League"});
  EXPECT_NE(run({"set", "diff", "Fantasy", "League"}).out.find("the same events"), std::string::npos);
  // Every command that changed the game folder is one step: the import first, then the sort.
  run({"restore", "--force"});
  EXPECT_EQ(run({"set", "list", "--names"}).out, "Fantasy\nHistoric\n");
  run({"restore", "--force"});
  EXPECT_EQ(fixture.Read("seasons/67season.ini"), moved);

  // Refusals are one line and their status.
  const CliResult bad = RunCli({"set", "save", "no/slash", "--game", game});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(LineCount(bad.err), 1) << bad.err;
  fixture.Folder().Write("hostile.cal", "[Gridmoor calendar]\nformat=1\nname=x\n67season.ini=1\ngp.ini=0\n"
                                        "[67season.ini Event1]\ntrackDirectory=..\\..\\x\n");
  const CliResult hostile = RunCli({"set", "import", fixture.Folder().Native("hostile.cal").string(),
                                    "--game", game});
  EXPECT_EQ(hostile.status, 12);
  EXPECT_EQ(LineCount(hostile.err), 1) << hostile.err;

#ifndef _WIN32
  // A name typed in UTF-8 is kept in the game's 8-bit text and shown in UTF-8 again; its letter
  // case is folded as the game's text folds it.
  run({"set", "save", "Ligue Fran\xC3\xA7" "aise"});
  run({"set", "use", "LIGUE FRAN\xC3\x87" "AISE", "--force"});
  EXPECT_NE(run({"set", "list", "--names"}).out.find("Ligue Fran\xC3\xA7" "aise\n"), std::string::npos);
  EXPECT_EQ(RunCli({"set", "save", " League", "--game", game}).status, 2);
#endif
}

// The plan names what it deletes as the system names it, and an import says in one line a file
// which events have no track folder here.
TEST(SeasonCommands, PlansNameDeletedFoldersNativelyAndImportSummarisesMissingTracks) {
  CliFixture fixture;
  const std::string game = fixture.Game();
  ASSERT_EQ(RunCli({"install", "--force", fixture.Package("alder"), fixture.Package("birch"),
                    "--game", game}).status, 0);
  const CliResult plan =
      RunCli({"remove", "alder", "--delete-files", "--dry-run", "--game", game});
  EXPECT_NE(plan.out.find("would delete " + fixture.GamePath("tracks").string() +
                          NativeSeparators("\\alder")),
            std::string::npos)
      << plan.out;

  const std::string calendar = fixture.Folder().Native("league.cal").string();
  ASSERT_EQ(RunCli({"set", "save", "Now", "--game", game}).status, 0);
  ASSERT_EQ(RunCli({"set", "export", "Now", calendar, "--game", game}).status, 0);
  std::filesystem::remove_all(fixture.GamePath("tracks/alder"));
  std::filesystem::remove_all(fixture.GamePath("tracks/birch"));
  const CliResult imported =
      RunCli({"set", "import", calendar, "--as", "League", "--only-installed", "--game", game});
  ASSERT_EQ(imported.status, 0) << imported.err;
  const std::size_t at = imported.out.find("67season.ini: will leave out 2 events whose track "
                                           "folder is not installed: ");
  ASSERT_NE(at, std::string::npos) << imported.out;
  const std::string line = imported.out.substr(at, imported.out.find('\n', at) - at);
  EXPECT_NE(line.find("(alder)"), std::string::npos) << line;
  EXPECT_NE(line.find("(birch)"), std::string::npos) << line;
  EXPECT_EQ(imported.out.find("whose tracks"), std::string::npos) << imported.out;
}

// An install records what it copied: `tracks` names every folder (recorded or not) with the
// events and sets naming it, and `verify` names each file changed or missing since.
TEST(TrackCommands, TracksAndVerifyReadTheRecords) {
  CliFixture fixture;
  const std::string game = fixture.Game();
  ASSERT_EQ(RunCli({"install", "--force", fixture.Package("alder"), "--game", game}).status, 0);
  ASSERT_EQ(RunCli({"set", "save", "Mine", "--game", game}).status, 0);

  const CliResult all = RunCli({"verify", "--game", game});
  EXPECT_EQ(all.status, 0) << all.out << all.err;
  EXPECT_NE(all.out.find("alder: 10 files as installed"), std::string::npos) << all.out;
  EXPECT_NE(all.out.find("calder: not recorded"), std::string::npos) << all.out;

  const nlohmann::json json = nlohmann::json::parse(RunCli({"tracks", "--json", "--game", game}).out);
  std::map<std::string, nlohmann::json> byFolder;
  for (const auto& track : json["tracks"]) byFolder[track["trackDirectory"]] = track;
  ASSERT_EQ(byFolder.size(), 6u) << json;
  const nlohmann::json& alder = byFolder["alder"];
  EXPECT_EQ(alder["recorded"], true) << alder;
  EXPECT_EQ(alder["name"], "Kestrel Heath Grand Prix");
  EXPECT_EQ(alder["package"]["kind"], "folder");
  EXPECT_EQ(std::filesystem::path(alder["package"]["path"].get<std::string>()).filename(),
            "pkg-alder");
  EXPECT_EQ(alder["files"], 9);
  EXPECT_EQ(alder["events"], nlohmann::json::parse(R"([{"file": "67season.ini", "number": 6}])"));
  EXPECT_EQ(alder["sets"], nlohmann::json::array({"Mine"}));
  // A folder from before the records: named by its event, not recorded, not broken.
  const nlohmann::json& calder = byFolder["calder"];
  EXPECT_EQ(calder["recorded"], false) << calder;
  EXPECT_EQ(calder["recordProblem"], nullptr);
  EXPECT_EQ(calder["name"], "Calder Point Grand Prix");

  fixture.Folder().Write("game/tracks/alder/pit.lp", "edited by hand");
  std::filesystem::remove(fixture.GamePath("replay/kestrel_wr.rpy"));
  const CliResult changed = RunCli({"verify", "alder", "calder", "--game", game});
  EXPECT_EQ(changed.status, 13) << changed.out << changed.err;
  EXPECT_NE(changed.out.find("alder: 2 of 10 files changed"), std::string::npos) << changed.out;
  EXPECT_NE(changed.out.find("changed: " + fixture.GamePath("tracks").string() +
                             NativeSeparators("\\alder\\pit.lp")),
            std::string::npos)
      << changed.out;
  EXPECT_NE(changed.out.find("missing: " + fixture.GamePath("replay").string() +
                             NativeSeparators("\\kestrel_wr.rpy")),
            std::string::npos)
      << changed.out;
  EXPECT_NE(changed.out.find("calder: not recorded"), std::string::npos) << changed.out;

  // A record edited into nonsense is refused, never half read.
  fixture.Folder().Write("game/seasons/gridmoor-tracks/alder", "gridmoor track record 1\ntrack=alder\n");
  EXPECT_EQ(RunCli({"verify", "alder", "--game", game}).status, 12);
}

// Installing into a folder that holds another track, and a collector's install into the
// library alone. "PKG:<dir>" stands for a copy of the demo package installing into <dir>.
struct InstallIntoCase {
  const char* name;
  std::vector<std::string> args;  // --game is added
  int status;
  std::vector<std::string> said;  // each on standard output or error
  const char* notSaid;     // "" for nothing
  bool copied;             // the package's files are in tracks\<dir>
  bool seasonChanged;
  std::function<void(CliFixture&)> arrange;
};

class InstallInto : public ::testing::TestWithParam<InstallIntoCase> {};

TEST_P(InstallInto, AsksOrNotAndLeavesWhatItSays) {
  const InstallIntoCase& row = GetParam();
  CliFixture fixture;
  if (row.arrange) row.arrange(fixture);
  const std::string season0 = fixture.Read("seasons/67season.ini");
  std::string dir;
  std::vector<std::string> args;
  for (const std::string& arg : row.args) {
    if (arg.rfind("PKG:", 0) == 0) {
      dir = arg.substr(4);
      // The package an arrangement installed already is installed again.
      const std::filesystem::path made = fixture.Folder().Native("pkg-" + dir);
      args.push_back(std::filesystem::exists(made) ? made.string() : fixture.Package(dir));
    } else {
      args.push_back(arg);
    }
  }
  args.insert(args.end(), {"--force", "--game", fixture.Game()});
  const CliResult run = RunCli(args);
  EXPECT_EQ(run.status, row.status) << run.out << run.err;
  const std::string said = run.out + run.err;
  for (const std::string& text : row.said) {
    EXPECT_NE(said.find(text), std::string::npos) << said;
  }
  if (*row.notSaid) {
    EXPECT_EQ(said.find(row.notSaid), std::string::npos) << said;
  }
  EXPECT_EQ(std::filesystem::exists(fixture.GamePath("tracks/" + dir + "/" + dir + ".dat")),
            row.copied);
  EXPECT_EQ(fixture.Read("seasons/67season.ini") != season0, row.seasonChanged);
}

void FillTheSeason(CliFixture& fixture) {
  std::string season = "[Season]\r\nnumEvents=64\r\n";
  for (int n = 1; n <= 64; ++n)
    season += "[Event" + std::to_string(n) + "]\r\ntrackDirectory=calder\r\n";
  fixture.Folder().Write("game/seasons/67season.ini", season);
}

void InstallAlder(CliFixture& fixture) {
  ASSERT_EQ(RunCli({"install", "--force", fixture.Package("alder"), "--game", fixture.Game()}).status, 0);
}

const std::string kCalderHeld =
    "calder holds Calder Point Grand Prix; its 1 file will be replaced";

INSTANTIATE_TEST_SUITE_P(
    Cli, InstallInto,
    ::testing::Values(
        InstallIntoCase{"AnotherTrackIsAskedAbout", {"install", "PKG:calder"}, 11,
                        {kCalderHeld, "not confirmed"}, "",
                        false, false, nullptr},
        InstallIntoCase{"YesReplacesIt", {"install", "--yes", "PKG:calder"}, 0,
                        {kCalderHeld}, "",
                        true, true, nullptr},
        InstallIntoCase{"DryRunSaysItWouldAsk", {"install", "--dry-run", "PKG:calder"}, 0,
                        {"would ask: ", kCalderHeld}, "", false, false, nullptr},
        InstallIntoCase{"TheSameTrackAsksNothing", {"install", "PKG:alder"}, 0, {}, " holds ",
                        true, false, InstallAlder},
        InstallIntoCase{"LibraryOnlyWhenTheSeasonIsFull", {"install", "--library-only", "PKG:alder"},
                        0, {"kept in the library; `gridmoor-cli add alder` adds it"}, "", true, false,
                        FillTheSeason},
        InstallIntoCase{"AFullSeasonRefusesOtherwise", {"install", "PKG:alder"}, 6, {}, "", false,
                        false, FillTheSeason}),
    [](const auto& info) { return std::string(info.param.name); });

// The JSON outputs for scripts: each shape's keys (docs/json.md), after a session that gives
// every list an element: two packages installed (one of them not a package), a set changed.
struct JsonCase {
  const char* name;
  std::vector<std::string> args;
  int status;
  std::vector<std::string> keys;     // of the object
  const char* list;                  // the key of its list of elements
  std::vector<std::string> element;  // the keys of each element
};

class CliJson : public ::testing::TestWithParam<JsonCase> {};

TEST_P(CliJson, PrintsItsShape) {
  CliFixture fixture;
  const std::string game = fixture.Game();
  const auto run = [&](std::vector<std::string> args) {
    args.insert(args.end(), {"--game", game});
    return RunCli(args);
  };
  const JsonCase& shape = GetParam();
  std::vector<std::string> args = shape.args;
  if (args[0] == "install") {
    args.insert(args.end(), {fixture.Package("alder"), fixture.Folder().Native("none").string()});
  } else {
    ASSERT_EQ(run({"set", "save", "A"}).status, 0);
    ASSERT_EQ(run({"install", "--force", fixture.Package("alder")}).status, 0);
    ASSERT_EQ(run({"set", "save", "B"}).status, 0);
  }
  const CliResult result = run(args);
  EXPECT_EQ(result.status, shape.status) << result.err;
  const nlohmann::json json = nlohmann::json::parse(result.out);
  EXPECT_EQ(json["version"], 2);
  for (const std::string& key : shape.keys) EXPECT_TRUE(json.contains(key)) << key << json;
  ASSERT_TRUE(json[shape.list].is_array()) << json;
  ASSERT_FALSE(json[shape.list].empty()) << json;
  for (const auto& element : json[shape.list]) {
    for (const std::string& key : shape.element) EXPECT_TRUE(element.contains(key)) << key << element;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliJson,
    ::testing::Values(
        JsonCase{"install",
                 {"install", "--json", "--force"},
                 3,
                 {"game", "packages", "totals", "status"},
                 "packages",
                 {"package", "result", "status", "name", "trackDirectory", "trackFolder",
                  "messages"}},
        JsonCase{"restore_list",
                 {"restore", "--list", "--json"},
                 0,
                 {"game", "steps"},
                 "steps",
                 {"number", "time", "command", "changes"}},
        JsonCase{"tracks",
                 {"tracks", "--json"},
                 0,
                 {"game", "tracks"},
                 "tracks",
                 {"trackDirectory", "trackFolder", "name", "bytes", "files", "recorded",
                  "recordProblem", "installed", "version", "package", "events", "sets"}},
        JsonCase{"set_diff",
                 {"set", "diff", "A", "B", "--json"},
                 0,
                 {"a", "b", "differences"},
                 "differences",
                 {"file", "trackDirectory", "numberInA", "numberInB"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliJson, InstallCountsEachPackageAndGivesThePackagesOwnResult) {
  CliFixture fixture;
  const CliResult run = RunCli({"install", "--json", "--force", fixture.Package("alder"),
                                fixture.Folder().Native("none").string(), "--game", fixture.Game()});
  const nlohmann::json json = nlohmann::json::parse(run.out);
  EXPECT_EQ(json["totals"], nlohmann::json({{"installed", 1}, {"refreshed", 0}, {"refused", 1},
                                            {"failed", 0}}));
  EXPECT_EQ(json["packages"][0]["result"], "installed");
  EXPECT_EQ(json["packages"][0]["trackDirectory"], "alder");
  EXPECT_EQ(json["packages"][1]["result"], "refused");
  EXPECT_EQ(json["packages"][1]["status"], 3);
  EXPECT_EQ(json["status"], 3);
  // What the run says is on standard error.
  EXPECT_NE(run.err.find("error: "), std::string::npos) << run.err;
}

// Every file of the game folder with its bytes, the history's own folder left out.
std::map<std::string, std::string> GameTree(const CliFixture& fixture) {
  std::map<std::string, std::string> tree;
  const std::filesystem::path root = fixture.GamePath("");
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string relative = entry.path().lexically_relative(root).generic_string();
    if (!entry.is_regular_file() || relative.rfind("seasons/gridmoor-undo", 0) == 0) continue;
    tree[relative] = fixture.Read(relative);
  }
  return tree;
}

// One history: an install over another track's files, and a removal that deletes a track's
// files, each undone and redone whole: the game folder is exactly as it was, file for file.
TEST(OneHistory, EachCommandIsUndoneAndRedoneWhole) {
  CliFixture fixture;
  const std::string game = fixture.Game();
  const auto run = [&game](std::vector<std::string> args) {
    args.insert(args.end(), {"--force", "--game", game});
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.status, 0) << args[0] << ": " << result.out << result.err;
    return result;
  };
  const auto start = GameTree(fixture);
  run({"install", "--yes", fixture.Package("calder")});
  const auto installed = GameTree(fixture);
  ASSERT_NE(installed, start);
  EXPECT_NE(run({"restore", "--list"}).out.find("files of tracks"), std::string::npos);

  const CliResult restored = run({"restore"});
  EXPECT_EQ(GameTree(fixture), start) << restored.out;
  run({"redo"});
  EXPECT_EQ(GameTree(fixture), installed);

  run({"remove", "calder", "--delete-files", "--yes"});
  EXPECT_FALSE(std::filesystem::exists(fixture.GamePath("tracks/calder")));
  const auto removed = GameTree(fixture);
  run({"restore"});
  EXPECT_EQ(GameTree(fixture), installed);
  run({"redo"});
  EXPECT_EQ(GameTree(fixture), removed);
  run({"restore"});
  run({"restore"});
  EXPECT_EQ(GameTree(fixture), start);

  // A new command that changes the game folder ends the line of redo.
  run({"remove", "brockhurst", "--yes"});
  const CliResult none = RunCli({"redo", "--game", game});
  EXPECT_NE(none.status, 0);
  EXPECT_NE(none.err.find("nothing to redo"), std::string::npos) << none.err;
}

}  // namespace
}  // namespace gridmoor::testing
