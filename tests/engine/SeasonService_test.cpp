#include "engine/SeasonService.h"

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "ScriptedSeasonHost.h"
#include "engine/SeasonFormats.h"
#include "engine/SeasonText.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;

// A game folder with its seasons\ and tracks\, and a service on it whose "game running" answer
// the test sets.
class SeasonServiceTest : public ::testing::Test {
 public:
  void SetUp() override { fs::create_directories(game / "tracks"); }

  void Season(const std::string& bytes) { WriteBytes(game / "seasons" / "67season.ini", bytes); }
  void Championship(const std::string& bytes) { WriteBytes(game / "seasons" / "gp.ini", bytes); }
  void Track(const std::string& folder) { fs::create_directories(game / "tracks" / folder); }
  std::string SeasonNow() { return ReadBytes(game / "seasons" / "67season.ini"); }

  // Restore, every question answered Yes.
  SeasonOutcome Undo() {
    ScriptedSeasonHost host = ScriptedSeasonHost::AllYes();
    return RunSeasonRestore(service, host, "test", false);
  }

  CommitResult Do(const SeasonChange& change, CommitOptions options = {}) {
    if (options.command.empty()) options.command = "test";
    return service.Commit(change, options);
  }

  // The fixture's parts are the refusal table's setup too.
  TempFolder game;
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  bool gameRuns = false;
  SeasonService service{*files, game.Text(), [this] { return Running(gameRuns); }};
};

// ------------------------------------------------------------------------- golden reorderings

struct GoldenCase {
  const char* name;  // the folder under tests/data/engine
  std::function<SeasonChange(const SeasonService&)> plan;
};

class SeasonReorderTest : public SeasonServiceTest,
                          public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(SeasonReorderTest, LeavesTheGoldenBytesAndOneUndoStep) {
  const std::string before = ReadBytes(DataPath(GetParam().name) / "before.ini");
  Season(before);
  const CommitResult result = Do(GetParam().plan(service));
  ASSERT_FALSE(result.problem) << result.problem.detail;
  EXPECT_EQ(SeasonNow(), ReadBytes(DataPath(GetParam().name) / "after.ini"));

  EXPECT_FALSE(Undo().problem);
  EXPECT_EQ(SeasonNow(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Golden, SeasonReorderTest,
    ::testing::Values(
        // LF line ends, comments after values ("day=10 ; moved" is 10), "06" is 6, a tie
        // (Zandvoort and Monza on 6/4) keeps its order, a mod's section stays between events,
        // and the last line has no line end before or after.
        GoldenCase{"sort-date", [](const SeasonService& s) {
                     return s.PlanSort(SortKey::kDate, {});
                   }},
        GoldenCase{"move-to-first", [](const SeasonService& s) {
                     return s.PlanMove("monza", 1, {});
                   }}),
    [](const auto& info) {
      std::string name = info.param.name;
      name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
      return name;
    });

// A set saved in one game, exported, imported into another game and used there: the calendar
// and the season it makes are the golden files; the other game's own [Season] keys stay.
TEST_F(SeasonServiceTest, SetRoundTripThroughACalendar) {
  Season(ReadBytes(DataPath("sort-date") / "before.ini"));
  Championship("[Season]\r\nnumEvents=1\r\n[Event1]\r\nname=Spa\r\ntrackDirectory=spa\r\n");
  ASSERT_FALSE(Do(service.PlanSetSave("League 67")).problem);
  TempFolder calendarFolder;
  const std::string calendar = calendarFolder.Text() + "\\league.cal";
  ASSERT_FALSE(Do(service.PlanSetExport("League 67", calendar)).problem);
  EXPECT_EQ(ReadBytes(calendarFolder / "league.cal"),
            ReadBytes(DataPath("set-round-trip") / "calendar.txt"));

  TempFolder other;
  WriteBytes(other / "seasons" / "67season.ini",
             "[Season]\r\nYear=1968\r\nnumEvents=1\r\n[Event1]\r\ntrackDirectory=brands\r\n");
  for (const char* track : {"monaco", "kyalami", "spa"}) fs::create_directories(other / "tracks" / track);
  SeasonService there(*files, other.Text(), [] { return std::nullopt; });
  const SeasonChange import = there.PlanSetImport(calendar, "", /*onlyInstalled=*/true);
  ASSERT_FALSE(import.Problem()) << import.Problem().detail;
  ASSERT_FALSE(there.Commit(import, {"import"}).problem);
  ASSERT_FALSE(there.Commit(there.PlanSetUse("league 67"), {"use"}).problem);
  EXPECT_EQ(ReadBytes(other / "seasons" / "67season.ini"),
            ReadBytes(DataPath("set-round-trip") / "after.ini"));
  // The files the switch replaced were kept in a new set, since none was active.
  EXPECT_EQ(there.ListSets().sets.size(), 2u);
  EXPECT_EQ(there.ActiveSet(), "League 67");
}

// ------------------------------------------------------------------------------- the refusals

struct RefusalCase {
  const char* name;
  std::function<void(SeasonServiceTest&, const fs::path&)> setup;
  std::function<SeasonChange(const SeasonService&, const std::string& scratch)> plan;
  SeasonRefusal refusal;
  int mustGo = 0;
  bool gameRuns = false;
};

std::string Library(const std::vector<std::string>& tracks) {
  std::vector<LibraryEntry> entries;
  for (const std::string& track : tracks)
    entries.push_back({track, "", "name=" + track + "\r\ntrackDirectory=" + track + "\r\n"});
  return SerializeLibrary(entries);
}

std::string Calendar(const std::string& events, int count = 1) {
  return "[Gridmoor calendar]\r\nformat=1\r\nname=League\r\n67season.ini=" +
         std::to_string(count) + "\r\ngp.ini=0\r\n" + events;
}

class SeasonRefusalTest : public SeasonServiceTest,
                          public ::testing::WithParamInterface<RefusalCase> {};

// Each refusal comes back as its value, and neither planning nor committing writes a byte.
TEST_P(SeasonRefusalTest, RefusesAndWritesNothing) {
  const RefusalCase& c = GetParam();
  Season(SeasonWithEvents(3));
  TempFolder scratch;
  c.setup(*this, scratch.Path());
  gameRuns = c.gameRuns;
  const auto before = Snapshot(game.Path());
  const auto scratchBefore = Snapshot(scratch.Path());

  const SeasonChange change = c.plan(service, scratch.Text());
  const CommitResult result = Do(change);

  EXPECT_EQ(result.problem.refusal, c.refusal) << result.problem.detail;
  EXPECT_EQ(result.problem.mustGo, c.mustGo);
  EXPECT_FALSE(result.problem.detail.empty());
  EXPECT_EQ(Snapshot(game.Path()), before);
  EXPECT_EQ(Snapshot(scratch.Path()), scratchBefore);
}

const auto kNoSetup = [](SeasonServiceTest&, const fs::path&) {};

INSTANTIATE_TEST_SUITE_P(
    Table, SeasonRefusalTest,
    ::testing::Values(
        RefusalCase{"AddPastTheWall",
                    [](SeasonServiceTest& t, const fs::path&) {
                      t.Season(SeasonWithEvents(63));
                      t.Track("a");
                      t.Track("b");
                      t.Track("c");
                      WriteBytes(t.game / "seasons" / "gridmoor-library" / "events", Library({"a", "b", "c"}));
                    },
                    [](const SeasonService& s, const std::string&) { return s.PlanAdd({"a", "b", "c"}, {}); },
                    SeasonRefusal::kSeasonFull, 2},
        RefusalCase{"AddUnknown", [](SeasonServiceTest& t, const fs::path&) { t.Track("x"); },
                    [](const SeasonService& s, const std::string&) { return s.PlanAdd({"x"}, {}); },
                    SeasonRefusal::kNotInLibrary},
        RefusalCase{"LibraryNonsense",
                    [](SeasonServiceTest& t, const fs::path&) {
                      WriteBytes(t.game / "seasons" / "gridmoor-library" / "events",
                                 "gridmoor event library 1\nentries=1\ntrack=..\\..\\x\nreplay=\nbody=0\n\n");
                    },
                    [](const SeasonService& s, const std::string&) { return s.PlanRemove({"track1"}, {}, false); },
                    SeasonRefusal::kInvalidFile},
        RefusalCase{"SortWithAMissingSection",
                    [](SeasonServiceTest& t, const fs::path&) {
                      t.Season("[Season]\r\nnumEvents=2\r\n[Event2]\r\ntrackDirectory=a\r\n");
                    },
                    [](const SeasonService& s, const std::string&) { return s.PlanSort(SortKey::kDate, {}); },
                    SeasonRefusal::kSectionsDisagree},
        RefusalCase{"MovePastTheEnd", kNoSetup,
                    [](const SeasonService& s, const std::string&) { return s.PlanMove("track1", 4, {}); },
                    SeasonRefusal::kOutOfRange},
        // Several names alike: one unknown name changes nothing for the known one either.
        RefusalCase{"ShiftASelectionPastTheEnd", kNoSetup,
                    [](const SeasonService& s, const std::string&) {
                      return s.PlanShift({"track1", "track3"}, 1, {});
                    },
                    SeasonRefusal::kOutOfRange},
        RefusalCase{"RemoveAKnownAndAnUnknownName", kNoSetup,
                    [](const SeasonService& s, const std::string&) {
                      return s.PlanRemove({"track1", "nosuch"}, {}, false);
                    },
                    SeasonRefusal::kNotFound},
        RefusalCase{"ExportOntoAFolder",
                    [](SeasonServiceTest& t, const fs::path&) { t.Do(t.service.PlanSetSave("A")); },
                    [](const SeasonService& s, const std::string& scratch) {
                      return s.PlanSetExport("A", scratch);
                    },
                    SeasonRefusal::kBadName},
        RefusalCase{"SetNameWithALeadingSpace", kNoSetup,
                    [](const SeasonService& s, const std::string&) { return s.PlanSetSave(" League"); },
                    SeasonRefusal::kBadName},
        RefusalCase{"SetNameWithASlash", kNoSetup,
                    [](const SeasonService& s, const std::string&) { return s.PlanSetSave("../x"); },
                    SeasonRefusal::kBadName},
        RefusalCase{"SetNameTooLong", kNoSetup,
                    [](const SeasonService& s, const std::string&) { return s.PlanSetSave(std::string(41, 'a')); },
                    SeasonRefusal::kBadName},
        RefusalCase{"RenameOntoAnotherCase",
                    [](SeasonServiceTest& t, const fs::path&) {
                      t.Do(t.service.PlanSetSave("Historic"));
                      t.Do(t.service.PlanSetSave("Fantasy"));
                    },
                    [](const SeasonService& s, const std::string&) { return s.PlanSetRename("Fantasy", "HISTORIC"); },
                    SeasonRefusal::kNameTaken},
        RefusalCase{"SetEditedIntoNonsense",
                    [](SeasonServiceTest& t, const fs::path&) {
                      t.Do(t.service.PlanSetSave("x"));
                      WriteBytes(t.game / "seasons" / "gridmoor-sets" / "set-78", "gridmoor season set 1\nname=x\n");
                    },
                    [](const SeasonService& s, const std::string&) { return s.PlanSetUse("x"); },
                    SeasonRefusal::kInvalidFile},
        RefusalCase{"SetOf65Events",
                    [](SeasonServiceTest& t, const fs::path&) {
                      SavedSet set;
                      set.name = "big";
                      set.files[0] = SeasonWithEvents(65);
                      WriteBytes(t.game / "seasons" / "gridmoor-sets" / "set-626967", SerializeSet(set));
                    },
                    [](const SeasonService& s, const std::string&) { return s.PlanSetUse("big"); },
                    SeasonRefusal::kSeasonFull, 1},
        // Cut between two events: the count tells.
        RefusalCase{"CalendarCut",
                    [](SeasonServiceTest&, const fs::path& scratch) {
                      WriteBytes(scratch / "c.cal", Calendar("[67season.ini Event1]\r\ntrackDirectory=a\r\n", 2));
                    },
                    [](const SeasonService& s, const std::string& d) { return s.PlanSetImport(d + "\\c.cal", "", false); },
                    SeasonRefusal::kInvalidFile},
        RefusalCase{"CalendarLeadingOutside",
                    [](SeasonServiceTest&, const fs::path& scratch) {
                      WriteBytes(scratch / "c.cal", Calendar("[67season.ini Event1]\r\ntrackDirectory=..\\..\\windows\r\n"));
                    },
                    [](const SeasonService& s, const std::string& d) { return s.PlanSetImport(d + "\\c.cal", "", false); },
                    SeasonRefusal::kInvalidFile},
        RefusalCase{"CalendarOversized",
                    [](SeasonServiceTest&, const fs::path& scratch) {
                      WriteBytes(scratch / "c.cal", Calendar(std::string(1024 * 1024, ';')));
                    },
                    [](const SeasonService& s, const std::string& d) { return s.PlanSetImport(d + "\\c.cal", "", false); },
                    SeasonRefusal::kInvalidFile},
        RefusalCase{"CalendarOf65Events",
                    [](SeasonServiceTest&, const fs::path& scratch) {
                      std::string events;
                      for (int i = 1; i <= 65; ++i)
                        events += "[67season.ini Event" + std::to_string(i) + "]\r\ntrackDirectory=t" +
                                  std::to_string(i) + "\r\n";
                      WriteBytes(scratch / "c.cal", Calendar(events, 65));
                    },
                    [](const SeasonService& s, const std::string& d) { return s.PlanSetImport(d + "\\c.cal", "", false); },
                    SeasonRefusal::kSeasonFull, 1},
        RefusalCase{"GameRunning", kNoSetup,
                    [](const SeasonService& s, const std::string&) { return s.PlanRemove({"track2"}, {}, false); },
                    SeasonRefusal::kGameRunning, 0, true},
        RefusalCase{"ReadOnlySeason",
                    [](SeasonServiceTest& t, const fs::path&) {
                      fs::permissions(t.game / "seasons" / "67season.ini", fs::perms::owner_write,
                                      fs::perm_options::remove);
                    },
                    [](const SeasonService& s, const std::string&) { return s.PlanMove("track3", 1, {}); },
                    SeasonRefusal::kReadOnly}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------- what they keep

// A removed event is remembered whole and comes back byte for byte; the dialog-less front ends
// then need no package to put a track back.
TEST_F(SeasonServiceTest, RemoveThenAddGivesTheSameBytes) {
  const std::string season = SeasonWithEvents(3) + "; a comment the event keeps\r\n";
  Season(season);
  Track("track3");
  ASSERT_FALSE(Do(service.PlanRemove({"track3"}, {}, false)).problem);
  EXPECT_EQ(service.Read(SeasonFileId::kSeason).events.count, 2);
  const std::vector<AvailableTrack> available = service.AvailableTracks();
  ASSERT_EQ(available.size(), 1u);
  EXPECT_TRUE(available[0].known);

  ASSERT_FALSE(Do(service.PlanAdd({"track3"}, {})).problem);
  EXPECT_EQ(SeasonNow(), season);
  EXPECT_TRUE(service.AvailableTracks().empty());
}

// A switch keeps what it replaces: in the active set, and the undo step brings the files back.
TEST_F(SeasonServiceTest, SetUseKeepsTheReplacedFilesInTheActiveSet) {
  Season(SeasonWithEvents(2));
  ASSERT_FALSE(Do(service.PlanSetSave("A")).problem);
  Season(SeasonWithEvents(3));
  ASSERT_FALSE(Do(service.PlanSetSave("B")).problem);
  Season(SeasonWithEvents(4));  // changed since B was saved

  std::vector<SetSummary> sets = service.ListSets().sets;
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_TRUE(sets[1].active && sets[1].changedSinceSaved);

  const SeasonChange use = service.PlanSetUse("a");
  EXPECT_TRUE(use.CreatedSetName().empty());
  ASSERT_FALSE(Do(use).problem);
  EXPECT_EQ(SeasonNow(), SeasonWithEvents(2));
  EXPECT_EQ(service.ShowSet("B").summary.seasonEvents, 4);

  Undo();
  EXPECT_EQ(SeasonNow(), SeasonWithEvents(4));
}

// Undoing "set use A" leaves B's files under a record that still names A, as a switch killed
// before its last write does: the next switch must not save B's files over A.
TEST_F(SeasonServiceTest, SetUseNeverSavesAnotherSetsFilesOverTheActiveOne) {
  Season(SeasonWithEvents(2));
  ASSERT_FALSE(Do(service.PlanSetSave("A")).problem);
  Season(SeasonWithEvents(3));
  ASSERT_FALSE(Do(service.PlanSetSave("C")).problem);
  Season(SeasonWithEvents(4));
  ASSERT_FALSE(Do(service.PlanSetSave("B")).problem);
  ASSERT_FALSE(Do(service.PlanSetUse("A")).problem);
  Undo();
  ASSERT_EQ(SeasonNow(), SeasonWithEvents(4));

  // A switch killed mid-write left a temporary beside the sets; the next commit clears it.
  WriteBytes(game / "seasons" / "gridmoor-sets" / "active.~0123abcd", "A\n");
  const SeasonChange use = service.PlanSetUse("C");
  EXPECT_TRUE(use.CreatedSetName().empty());
  ASSERT_FALSE(Do(use).problem);
  EXPECT_EQ(SeasonNow(), SeasonWithEvents(3));
  EXPECT_EQ(service.ShowSet("A").summary.seasonEvents, 2);
  EXPECT_EQ(service.ShowSet("B").summary.seasonEvents, 4);
  EXPECT_FALSE(fs::exists(game / "seasons" / "gridmoor-sets" / "active.~0123abcd"));
}

// ------------------------------------------------------------------ the library stays readable

// An event the library cannot keep is left out of it and named; the command goes on, and every
// later command still reads the library.
struct UnkeptCase {
  const char* name;
  std::string body;         // the lines of the event whose folder is `folder`
  std::string folder;       // as the event and the command name it
  bool viaImport = false;   // put in through a calendar instead of a remove
  std::size_t libraryFill = 0;  // bytes of other events the library holds already
};

class SeasonLibraryTest : public SeasonServiceTest,
                          public ::testing::WithParamInterface<UnkeptCase> {};

TEST_P(SeasonLibraryTest, LeavesOutWhatItCannotKeepAndStaysReadable) {
  const UnkeptCase& c = GetParam();
  std::string season = SeasonWithEvents(2) + "[Event3]\r\n" + c.body;
  season.replace(season.find("numEvents=2"), 11, "numEvents=3");
  Season(c.viaImport ? SeasonWithEvents(2) : season);
  Track("track1");
  if (c.libraryFill) {
    // Whole events, then one that leaves the library a little under libraryFill bytes.
    std::vector<LibraryEntry> filler;
    const std::string whole = std::string(kMaxEventBodyBytes - 2, ';') + "\r\n";
    for (std::size_t n = 0; n < c.libraryFill / (kMaxEventBodyBytes + 64); ++n)
      filler.push_back({"old" + std::to_string(n), "", whole});
    const std::size_t size = SerializeLibrary(filler).size();
    filler.push_back({"last", "", std::string(c.libraryFill - size - 64, ';')});
    WriteBytes(game / "seasons" / "gridmoor-library" / "events", SerializeLibrary(filler));
  }

  SeasonChange change;
  TempFolder scratch;
  if (c.viaImport) {
    WriteBytes(scratch / "c.cal", Calendar("[67season.ini Event1]\r\n" + c.body));
    change = service.PlanSetImport(scratch.Text() + "\\c.cal", "", false);
  } else {
    change = service.PlanRemove({c.folder}, {}, false);
  }
  ASSERT_FALSE(change.Problem()) << change.Problem().detail;
  const auto& effects = change.Effects();
  EXPECT_TRUE(std::any_of(effects.begin(), effects.end(), [](const SeasonEffect& effect) {
    return effect.text.rfind("not kept in the event library: the event of ", 0) == 0;
  }));
  ASSERT_FALSE(Do(change).problem);

  std::string error;
  EXPECT_TRUE(ParseLibrary(ReadBytes(game / "seasons" / "gridmoor-library" / "events"), error))
      << error;
  ASSERT_FALSE(Do(service.PlanRemove({"track1"}, {}, false)).problem);
  ASSERT_FALSE(Do(service.PlanAdd({"track1"}, {})).problem);
  EXPECT_EQ(service.Read(SeasonFileId::kSeason).events.events.back().trackDirectory, "track1");
}

INSTANTIATE_TEST_SUITE_P(
    Table, SeasonLibraryTest,
    ::testing::Values(
        UnkeptCase{"BodyOverTheLimit",
                   "trackDirectory=big\r\n" + std::string(kMaxEventBodyBytes, ';') + "\r\n", "big"},
        UnkeptCase{"FolderNotPlain", "trackDirectory=a\\b\r\n", "a\\b"},
        // A byte-order mark hides a header line inside a file, not at the start of a body.
        UnkeptCase{"HeaderBehindAMark", "\xEF\xBB\xBF[x]\r\ntrackDirectory=marked\r\n", "marked"},
        UnkeptCase{"LibraryFull", "trackDirectory=late\r\n" + std::string(40000, ';') + "\r\n",
                   "late", true, kMaxLibraryBytes - 30000}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------------------ the active set record

// Undo puts the active-set record and the sets back with the season files: after "set use A", a
// remove, "set use B" (which saved the changed season into A) and two restores, A's files and A's
// set are as they were, under a record naming A, so the next "set use A" has nothing to keep and
// writes nothing into B.
TEST_F(SeasonServiceTest, RestoringASwitchBringsBackTheActiveSet) {
  Season(SeasonWithEvents(3));
  ASSERT_FALSE(Do(service.PlanSetSave("A")).problem);
  const fs::path setA = game / "seasons" / "gridmoor-sets" / "set-61";
  const std::string bytesOfA = ReadBytes(setA);
  Season(SeasonWithEvents(2));
  ASSERT_FALSE(Do(service.PlanSetSave("B")).problem);
  const fs::path setB = game / "seasons" / "gridmoor-sets" / "set-62";
  const std::string bytesOfB = ReadBytes(setB);
  ASSERT_FALSE(Do(service.PlanSetUse("A")).problem);
  ASSERT_FALSE(Do(service.PlanRemove({"track3"}, {}, false)).problem);
  ASSERT_FALSE(Do(service.PlanSetUse("B")).problem);
  ASSERT_TRUE(Undo().restore->activeSetRestored);
  EXPECT_EQ(service.ActiveSet(), "A");
  ASSERT_EQ(Undo().restore->status, RestoreStatus::kRestored);
  ASSERT_EQ(SeasonNow(), SeasonWithEvents(3));
  EXPECT_EQ(service.ActiveSet(), "A");
  EXPECT_EQ(ReadBytes(setA), bytesOfA);

  Platform watched;
  SeasonService through(watched.files, game.Text(), [] { return std::nullopt; });
  const SeasonChange use = through.PlanSetUse("A");
  ASSERT_FALSE(through.Commit(use, {"use"}).problem);
  EXPECT_TRUE(use.CreatedSetName().empty());
  EXPECT_EQ(ReadBytes(setB), bytesOfB);
  EXPECT_EQ(std::count(watched.files.written.begin(), watched.files.written.end(),
                       game.Text() + "\\seasons\\gridmoor-sets\\set-62"),
            0);
}

// A step kept before steps kept the record (no "active=" line) still restores, and leaves the
// record as it is.
TEST_F(SeasonServiceTest, AnOlderStepLeavesTheActiveSetAlone) {
  Season(SeasonWithEvents(3));
  ASSERT_FALSE(Do(service.PlanSetSave("A")).problem);
  ASSERT_FALSE(Do(service.PlanRemove({"track3"}, {}, false)).problem);
  const fs::path step = game / "seasons" / "gridmoor-undo" / "step-02";  // step-01: the save
  std::string bytes = ReadBytes(step);
  const std::size_t line = bytes.find("active=");
  ASSERT_NE(line, std::string::npos);
  bytes.erase(line, bytes.find('\n', line) + 1 - line);
  WriteBytes(step, bytes);
  WriteBytes(game / "seasons" / "gridmoor-sets" / "active", "Other\n");

  const RestoreReport report = *Undo().restore;
  EXPECT_EQ(report.status, RestoreStatus::kRestored);
  EXPECT_FALSE(report.activeSetRestored);
  EXPECT_EQ(SeasonNow(), SeasonWithEvents(3));
  EXPECT_EQ(ReadBytes(game / "seasons" / "gridmoor-sets" / "active"), "Other\n");
}

// `set use` saves the season files into the set the record names, or into a new one; into no
// other set, whatever came before.
struct SwitchCase {
  const char* name;
  std::function<void(SeasonServiceTest&)> before;  // after sets A (3 events) and B (2) are saved
  const char* target;
};

class SetUseTest : public SeasonServiceTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SetUseTest, SavesIntoTheRecordedSetOnly) {
  Season(SeasonWithEvents(3));
  ASSERT_FALSE(Do(service.PlanSetSave("A")).problem);
  Season(SeasonWithEvents(2));
  ASSERT_FALSE(Do(service.PlanSetSave("B")).problem);
  GetParam().before(*this);
  const std::optional<std::string> recorded = service.ActiveSet();
  const auto setsBefore = Snapshot(game / "seasons" / "gridmoor-sets");

  Platform watched;
  SeasonService through(watched.files, game.Text(), [] { return std::nullopt; });
  const SeasonChange use = through.PlanSetUse(GetParam().target);
  ASSERT_FALSE(through.Commit(use, {"use"}).problem);
  const auto mayTake = [&](const std::string& name) {
    return (recorded && FoldedName(name) == FoldedName(*recorded)) || name == use.CreatedSetName();
  };
  for (const std::string& path : watched.files.written) {
    const std::string file = path.substr(path.find_last_of("\\/") + 1);
    if (path.find("gridmoor-sets") == std::string::npos || file.rfind("set-", 0) != 0) continue;
    std::string error;
    const std::optional<SavedSet> set =
        ParseSet(files->ReadExistingFile(path, kMaxSetBytes).value_or(""), error);
    ASSERT_TRUE(set) << error;
    EXPECT_TRUE(mayTake(set->name)) << set->name << " written; the record names "
                                    << recorded.value_or("none");
  }
  for (const auto& [file, bytes] : Snapshot(game / "seasons" / "gridmoor-sets")) {
    std::string error;
    const std::optional<SavedSet> set = ParseSet(bytes, error);
    if (set && !mayTake(set->name)) {
      EXPECT_EQ(bytes, setsBefore.at(file)) << set->name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SetUseTest,
    ::testing::Values(
        // The season edited under the record of B: B takes the edit.
        SwitchCase{"EditedUnderTheRecord",
                   [](SeasonServiceTest& t) { t.Season(SeasonWithEvents(4)); }, "A"},
        SwitchCase{"NoRecord",
                   [](SeasonServiceTest& t) {
                     fs::remove(t.game / "seasons" / "gridmoor-sets" / "active");
                     t.Season(SeasonWithEvents(4));
                   },
                   "A"},
        SwitchCase{"RecordNamesTheTarget",
                   [](SeasonServiceTest& t) {
                     t.Do(t.service.PlanSetUse("A"));
                     t.Season(SeasonWithEvents(1));
                   },
                   "A"},
        // A switch to A undone: B's files are back; the record goes back to B with them.
        SwitchCase{"SwitchUndone",
                   [](SeasonServiceTest& t) {
                     t.Do(t.service.PlanSetUse("A"));
                     t.Undo();
                   },
                   "A"},
        SwitchCase{"RecordNamesADeletedSet",
                   [](SeasonServiceTest& t) {
                     fs::remove(t.game / "seasons" / "gridmoor-sets" / "set-62");
                     t.Season(SeasonWithEvents(4));
                   },
                   "A"}),
    [](const auto& info) { return std::string(info.param.name); });

// A command that changes no byte leaves no undo step; one that does leaves exactly one.
TEST_F(SeasonServiceTest, KeepsAStepOnlyForAChange) {
  Season(SeasonWithEvents(3));  // already in date order (all 5/1)
  EXPECT_FALSE(Do(service.PlanSort(SortKey::kDate, {})).stepKept);
  EXPECT_TRUE(service.ListSteps().empty());
  EXPECT_TRUE(Do(service.PlanMove("track3", 1, {})).stepKept);
  EXPECT_EQ(service.ListSteps().size(), 1u);
}

// A selection moves as one block, keeping its order, the others closing up: one step a shift.
TEST_F(SeasonServiceTest, ShiftMovesASelectionTogether) {
  Season(SeasonWithEvents(5));
  const auto folders = [this] {
    std::vector<std::string> order;
    for (const SeasonEvent& event : service.Read(SeasonFileId::kSeason).events.events)
      order.push_back(event.trackDirectory.value_or(""));
    return order;
  };
  ASSERT_FALSE(Do(service.PlanShift({"track4", "track2"}, -1, {})).problem);
  EXPECT_EQ(folders(), (std::vector<std::string>{"track2", "track1", "track4", "track3", "track5"}));
  ASSERT_FALSE(Do(service.PlanShift({"track2", "track1"}, 2, {})).problem);
  EXPECT_EQ(folders(), (std::vector<std::string>{"track4", "track3", "track2", "track1", "track5"}));
  EXPECT_EQ(service.ListSteps().size(), 2u);
}

// Going on past the refusals the player answered: the mark is cleared, the game ignored.
TEST_F(SeasonServiceTest, GoesOnWhenThePlayerSaysSo) {
  Season(SeasonWithEvents(3));
  fs::permissions(game / "seasons" / "67season.ini", fs::perms::owner_write, fs::perm_options::remove);
  gameRuns = true;
  CommitOptions options{"test", /*evenIfGameRuns=*/true, /*clearReadOnly=*/true};
  ASSERT_FALSE(Do(service.PlanMove("track3", 1, {}), options).problem);
  EXPECT_EQ(service.Read(SeasonFileId::kSeason).events.events[0].trackDirectory, "track3");
}

}  // namespace
}  // namespace gridmoor
