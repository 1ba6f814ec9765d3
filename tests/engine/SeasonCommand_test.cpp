#include "engine/SeasonCommand.h"

#include <gtest/gtest.h>

#include <functional>

#include "EngineTestSupport.h"
#include "ScriptedSeasonHost.h"
#include "engine/SeasonFormats.h"
#include "engine/WriteAccessCheck.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;
using Kind = SeasonQuestionKind;

// A game folder with four events, two tracks the library knows, and a saved set "A".
class SeasonCommandTest : public ::testing::Test {
 public:
  void SetUp() override {
    for (int i = 1; i <= 5; ++i) fs::create_directories(game / "tracks" / ("track" + std::to_string(i)));
    WriteBytes(game / "seasons" / "67season.ini", SeasonWithEvents(4));
    WriteBytes(game / "seasons" / "gp.ini", SeasonWithEvents(2));
    ScriptedSeasonHost yes = ScriptedSeasonHost::AllYes();
    RunSeasonChange(service, yes, service.PlanSetSave("A"), "test", false);
    RunSeasonChange(service, yes, service.PlanRemove({"track4"}, {}, false), "test", false);
  }

  std::string SeasonNow() { return ReadBytes(game / "seasons" / "67season.ini"); }
  // The files a command may change, without the times they record: the undo steps left out,
  // a set's "time=" line blanked.
  static std::map<std::string, std::string> FilesOf(const fs::path& root) {
    std::map<std::string, std::string> files = Snapshot(root);
    for (auto it = files.begin(); it != files.end();) {
      if (it->first.find("gridmoor-undo") != std::string::npos) {
        it = files.erase(it);
        continue;
      }
      const std::size_t time = it->second.find("\ntime=");
      if (time != std::string::npos)
        it->second.erase(time + 6, it->second.find('\n', time + 1) - time - 6);
      ++it;
    }
    return files;
  }
  std::map<std::string, std::string> Files() { return FilesOf(game.Path()); }
  std::vector<Kind> KindsAsked(const ScriptedSeasonHost& host) {
    std::vector<Kind> kinds;
    for (const SeasonQuestion& question : host.asked) kinds.push_back(question.kind);
    return kinds;
  }

  TempFolder game;
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  bool gameRuns = false;
  SeasonService service{*files, game.Text(), [this] { return Running(gameRuns); }};
};

// The questions come in one order, each only where it applies, and a No to any of them leaves
// every byte (and the read-only mark) as it was.
TEST_F(SeasonCommandTest, AsksInOneOrderAndANoChangesNothing) {
  SetReadOnly(*files, (game / "seasons" / "67season.ini").string(), true);
  gameRuns = true;
  const auto before = Files();
  for (const Kind no : {Kind::kGameRunning, Kind::kClearReadOnly, Kind::kConfirm}) {
    ScriptedSeasonHost host = ScriptedSeasonHost::AllYes();
    host.answers[no] = false;
    const SeasonOutcome outcome =
        RunSeasonChange(service, host, service.PlanRemove({"track1"}, {}, false), "test", false);
    EXPECT_TRUE(outcome.declined);
    EXPECT_EQ(host.asked.back().kind, no);
    EXPECT_EQ(Files(), before);
    EXPECT_TRUE(HasReadOnlyMark(*files, (game / "seasons" / "67season.ini").string()));
  }
  ScriptedSeasonHost yes = ScriptedSeasonHost::AllYes();
  RunSeasonChange(service, yes, service.PlanRemove({"track1"}, {}, false), "test", false);
  EXPECT_EQ(KindsAsked(yes), (std::vector<Kind>{Kind::kGameRunning, Kind::kClearReadOnly, Kind::kConfirm}));
  EXPECT_FALSE(yes.outcome.problem) << yes.outcome.problem.detail;
  EXPECT_NE(SeasonNow(), before.at("seasons/67season.ini"));
}

// The program found running is named: a mod's copy of the game says where it runs from.
TEST_F(SeasonCommandTest, NamesTheProgramFoundRunning) {
  const struct {
    const char* program;
    const char* text;
  } rows[] = {{"gpl.exe", "gpl.exe is running"},
              {"GPL.EXE", "GPL.EXE is running"},
              {"gplc67.exe", "gplc67.exe (in the game folder) is running"}};
  for (const auto& row : rows) {
    SeasonService running(*files, game.Text(), [&] { return std::optional<std::string>(row.program); });
    ScriptedSeasonHost host;
    const SeasonOutcome outcome =
        RunSeasonChange(running, host, running.PlanRemove({"track1"}, {}, false), "test", false);
    ASSERT_EQ(KindsAsked(host), std::vector<Kind>{Kind::kGameRunning});
    EXPECT_EQ(host.asked[0].text.rfind(std::string(row.text) + ". It holds", 0), 0u) << host.asked[0].text;
    EXPECT_EQ(SeasonProblemText(*files, outcome.problem).rfind(row.text, 0), 0u)
        << SeasonProblemText(*files, outcome.problem);
  }
}

// Undo over a file changed since the command asks first, naming it; No changes nothing.
TEST_F(SeasonCommandTest, RestoreAsksBeforeUndoingOverAChangeMadeSince) {
  const std::string edited = SeasonNow() + "; a note by hand\r\n";
  WriteBytes(game / "seasons" / "67season.ini", edited);
  const auto before = Files();

  ScriptedSeasonHost no = ScriptedSeasonHost::AllYes();
  no.answers[Kind::kChangedSince] = false;
  EXPECT_TRUE(RunSeasonRestore(service, no, "test", false).declined);
  ASSERT_EQ(KindsAsked(no).back(), Kind::kChangedSince);
  EXPECT_EQ(no.asked.back().files, (std::vector<std::string>{game.Text() + "\\seasons\\67season.ini"}));
  EXPECT_EQ(Files(), before);

  ScriptedSeasonHost yes = ScriptedSeasonHost::AllYes();
  const SeasonOutcome outcome = RunSeasonRestore(service, yes, "test", false);
  ASSERT_FALSE(outcome.problem) << outcome.problem.detail;
  EXPECT_EQ(SeasonNow(), SeasonWithEvents(4));
  ASSERT_TRUE(outcome.restore);
  // The change is kept.
  EXPECT_EQ(files->ReadWholeFile(outcome.restore->files[0].replacedCopy, 1 << 20), edited);
}

// Refused for the game, a restore leaves the read-only mark it would have cleared.
TEST_F(SeasonCommandTest, RestoreRefusedForTheGameKeepsTheMark) {
  const std::string path = (game / "seasons" / "67season.ini").string();
  SetReadOnly(*files, path, true);
  gameRuns = true;
  ScriptedSeasonHost host = ScriptedSeasonHost::AllYes();
  host.answers[Kind::kGameRunning] = false;
  EXPECT_EQ(RunSeasonRestore(service, host, "test", false).problem.refusal, SeasonRefusal::kGameRunning);
  EXPECT_TRUE(HasReadOnlyMark(*files, path));
  EXPECT_EQ(SeasonNow().find("track4"), std::string::npos);
}

// Replacing what the player named is asked: an existing calendar file, a set that is not the
// active one. Bringing the active set up to date is not.
TEST_F(SeasonCommandTest, AsksBeforeReplacingWhatThePlayerNamed) {
  TempFolder out;
  WriteBytes(out / "league.txt", "mine");
  ScriptedSeasonHost no;
  RunSeasonChange(service, no, service.PlanSetExport("A", (out / "league.txt").string()), "test", false);
  EXPECT_EQ(KindsAsked(no), std::vector<Kind>{Kind::kOverwrite});
  EXPECT_EQ(ReadBytes(out / "league.txt"), "mine");

  ScriptedSeasonHost update;
  EXPECT_FALSE(RunSeasonChange(service, update, service.PlanSetSave("a"), "test", false).problem);
  EXPECT_TRUE(update.asked.empty());

  ScriptedSeasonHost yes = ScriptedSeasonHost::AllYes();
  RunSeasonChange(service, yes, service.PlanSetSave("B"), "test", false);
  const auto before = Files();
  ScriptedSeasonHost other;
  EXPECT_TRUE(RunSeasonChange(service, other, service.PlanSetSave("A"), "test", false).declined);
  EXPECT_EQ(KindsAsked(other), std::vector<Kind>{Kind::kOverwrite});
  EXPECT_EQ(Files(), before);
}

// The two front ends' hosts: the terminal answers from --yes and --force, the window from the
// player's clicks and takes an undoable confirmation as given. Told the same, they leave the
// same files and the same refusals.
struct TerminalDouble : ScriptedSeasonHost {
  TerminalDouble(bool yes, bool force) {
    for (const Kind kind : {Kind::kClearReadOnly, Kind::kChangedSince, Kind::kOverwrite, Kind::kConfirm})
      answers[kind] = yes;
    answers[Kind::kGameRunning] = force;
  }
};
struct WindowDouble : ScriptedSeasonHost {
  explicit WindowDouble(bool clicksYes) {
    for (const Kind kind : {Kind::kGameRunning, Kind::kClearReadOnly, Kind::kChangedSince,
                            Kind::kOverwrite, Kind::kConfirm})
      answers[kind] = clicksYes;
  }
  bool Ask(const SeasonQuestion& question, bool dryRun) override {
    if (question.kind == Kind::kConfirm && question.undoable) return true;
    return ScriptedSeasonHost::Ask(question, dryRun);
  }
};

struct BothHostsCase {
  const char* name;
  std::function<SeasonOutcome(SeasonService&, SeasonHost&)> run;
  SeasonRefusal whenYes;
  SeasonRefusal whenNo;
};

class BothHostsTest : public SeasonCommandTest, public ::testing::WithParamInterface<BothHostsCase> {};

TEST_P(BothHostsTest, GiveTheSameFilesAndRefusals) {
  gameRuns = true;
  SetReadOnly(*files, (game / "seasons" / "67season.ini").string(), true);
  for (const bool yes : {false, true}) {
    TempFolder other;
    for (const auto& entry : fs::recursive_directory_iterator(game.Path())) {
      const fs::path to = other.Path() / entry.path().lexically_relative(game.Path());
      if (entry.is_directory()) {
        fs::create_directories(to);
      } else {
        fs::copy_file(entry.path(), to);
      }
    }
    SeasonService otherService(*files, other.Text(), [this] { return Running(gameRuns); });

    TerminalDouble terminal(yes, yes);
    WindowDouble window(yes);
    const SeasonOutcome a = GetParam().run(service, terminal);
    const SeasonOutcome b = GetParam().run(otherService, window);
    const SeasonRefusal expected = yes ? GetParam().whenYes : GetParam().whenNo;
    EXPECT_EQ(a.problem.refusal, expected) << a.problem.detail;
    EXPECT_EQ(b.problem.refusal, expected) << b.problem.detail;
    EXPECT_EQ(Files(), FilesOf(other.Path())) << (yes ? "answered yes" : "answered no");
  }
}

SeasonOutcome Change(SeasonService& s, SeasonHost& h, const SeasonChange& change) {
  return RunSeasonChange(s, h, change, "test", false);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, BothHostsTest,
    ::testing::Values(
        BothHostsCase{"Remove", [](SeasonService& s, SeasonHost& h) {
                        return Change(s, h, s.PlanRemove({"track2"}, {}, false)); },
                      SeasonRefusal::kNone, SeasonRefusal::kGameRunning},
        BothHostsCase{"RemoveKnownAndUnknown", [](SeasonService& s, SeasonHost& h) {
                        return Change(s, h, s.PlanRemove({"track2", "nosuch"}, {}, false)); },
                      SeasonRefusal::kNotFound, SeasonRefusal::kNotFound},
        BothHostsCase{"Add", [](SeasonService& s, SeasonHost& h) {
                        return Change(s, h, s.PlanAdd({"track4"}, {true, true})); },
                      SeasonRefusal::kNone, SeasonRefusal::kGameRunning},
        BothHostsCase{"Move", [](SeasonService& s, SeasonHost& h) {
                        return Change(s, h, s.PlanMove("track3", 1, {true, true})); },
                      SeasonRefusal::kNone, SeasonRefusal::kGameRunning},
        BothHostsCase{"MovePastTheEnd", [](SeasonService& s, SeasonHost& h) {
                        return Change(s, h, s.PlanMove("track1", 99, {})); },
                      SeasonRefusal::kOutOfRange, SeasonRefusal::kOutOfRange},
        // With B active, so the switch keeps the season in B (a set made up would carry the time).
        BothHostsCase{"SetUse", [](SeasonService& s, SeasonHost& h) {
                        ScriptedSeasonHost yes = ScriptedSeasonHost::AllYes();
                        Change(s, yes, s.PlanSetSave("B"));
                        return Change(s, h, s.PlanSetUse("A")); },
                      SeasonRefusal::kNone, SeasonRefusal::kGameRunning},
        BothHostsCase{"Restore", [](SeasonService& s, SeasonHost& h) {
                        return RunSeasonRestore(s, h, "test", false); },
                      SeasonRefusal::kNone, SeasonRefusal::kGameRunning}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace gridmoor
