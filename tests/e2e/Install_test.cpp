// Every way through the install run, driven through the real program's dialog.

#include <algorithm>
#include <cctype>

#include "e2e/InstallerFixture.h"

namespace gridmoor::e2e {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The file's lines but its event count, which an install raises.
std::vector<std::string> LinesButCount(const std::string& text) {
  std::vector<std::string> kept;
  for (const std::string& line : Lines(text)) {
    if (Lower(line).rfind("numevents=", 0) != 0) kept.push_back(line);
  }
  return kept;
}

// --- A clean install, with and without the championship file and the replay -------------

enum class Replay { FromPackage, UncheckedByUser, NotInPackage };

struct CleanInstallCase {
  const char* name;
  bool championship;
  Replay replay;
};

void PrintTo(const CleanInstallCase& c, std::ostream* os) { *os << c.name; }

class CleanInstall : public InstallerTest,
                     public ::testing::WithParamInterface<CleanInstallCase> {};

TEST_P(CleanInstall, CopiesTheTrackAddsTheEventAndReportsOnce) {
  const CleanInstallCase& c = GetParam();
  if (c.replay == Replay::NotInPackage) DropPackageKey("replayfilename");
  const TreeSnapshot before = Snapshot(game);
  const std::string seasonBefore = *ReadFileBytes(SeasonFile());
  const std::string championshipBefore = *ReadFileBytes(ChampionshipFile());

  InstallerDriver& program = StartProgram();
  // The dialog as it opens.
  EXPECT_EQ(program.Caption(), PackageValue("dialogtitel"));
  EXPECT_EQ(program.Text(control::kReadme), WithCrLf(*ReadFileBytes(Join(package, "readme.txt"))));
  EXPECT_EQ(program.Text(control::kGameFolder), "");
  EXPECT_EQ(program.FocusedControl(), control::kInstall);
  EXPECT_EQ(program.Progress(), 0);
  EXPECT_TRUE(program.IsChecked(control::kSeason));
  EXPECT_FALSE(program.IsEnabled(control::kSeason));
  EXPECT_FALSE(program.IsChecked(control::kChampionship));
  EXPECT_TRUE(program.IsEnabled(control::kChampionship));
  const bool replayOffered = c.replay != Replay::NotInPackage;
  EXPECT_EQ(program.IsChecked(control::kReplay), replayOffered);
  EXPECT_EQ(program.IsEnabled(control::kReplay), replayOffered);

  program.SetText(control::kGameFolder, game);
  if (c.championship) {
    program.ClickCheckBox(control::kChampionship);
    ASSERT_TRUE(WaitUntil([&] { return program.IsChecked(control::kChampionship); }));
  }
  if (c.replay == Replay::UncheckedByUser) {
    program.ClickCheckBox(control::kReplay);
    ASSERT_TRUE(WaitUntil([&] { return !program.IsChecked(control::kReplay); }));
  }

  const RunOutcome outcome = InstallAndAnswer();
  ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
  ExpectPlainBox(outcome.boxes[0], text::kSummaryOk);
  EXPECT_EQ(outcome.boxes[0].progress, 25);

  ExpectTrackFilesInstalled();
  const bool replayInstalled = c.replay == Replay::FromPackage;
  EXPECT_EQ(Exists(ReplayTarget()), replayInstalled);
  if (replayInstalled) {
    EXPECT_EQ(ReadFileBytes(ReplayTarget()), ReadFileBytes(Join(package, "rpy")));
  }

  // The demo season holds five events: the track becomes the sixth, all else stays.
  EXPECT_EQ(EventCount(SeasonFile()), 6);
  ExpectEventIsTrack(SeasonFile(), 6);
  EXPECT_TRUE(KeepsInOrder(Lines(*ReadFileBytes(SeasonFile())), LinesButCount(seasonBefore)));
  if (c.championship) {
    EXPECT_EQ(EventCount(ChampionshipFile()), 4);
    ExpectEventIsTrack(ChampionshipFile(), 4);
    EXPECT_TRUE(KeepsInOrder(Lines(*ReadFileBytes(ChampionshipFile())),
                             LinesButCount(championshipBefore)));
  } else {
    EXPECT_EQ(*ReadFileBytes(ChampionshipFile()), championshipBefore);
  }

  std::set<std::string> expected = {"seasons\\67season.ini", "tracks\\kestrel"};
  for (const TrackFileName& file : kTrackFiles) {
    expected.insert(std::string("tracks\\kestrel\\") + (*file.target ? file.target : "kestrel.dat"));
  }
  if (c.championship) expected.insert("seasons\\gp.ini");
  if (replayInstalled) expected.insert("replay\\" + PackageValue("replayfilename"));
  EXPECT_EQ(ChangedPaths(before, Snapshot(game)), expected);

  // The run kept the season files as one undo step first, so `restore` undoes it.
  const std::optional<std::string> step =
      ReadFileBytes(Join(game, "seasons\\gridmoor-undo\\step-01"));
  ASSERT_TRUE(step.has_value());
  EXPECT_NE(step->find("command=gridmoor.exe: install kestrel\n"), std::string::npos);
  EXPECT_NE(step->find("\n\n" + seasonBefore + championshipBefore), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, CleanInstall,
    ::testing::Values(CleanInstallCase{"SeasonAndReplay", false, Replay::FromPackage},
                      CleanInstallCase{"ChampionshipAndReplay", true, Replay::FromPackage},
                      CleanInstallCase{"ReplayUncheckedByUser", false, Replay::UncheckedByUser},
                      CleanInstallCase{"ChampionshipPackageWithoutReplay", true,
                                       Replay::NotInPackage}),
    [](const auto& info) { return std::string(info.param.name); });

// --- A track the season already holds ----------------------------------------------------

TEST_F(InstallerTest, RefreshesTheEventThatAlreadyNamesTheTrack) {
  std::vector<SeasonEvent> events = MadeUpEvents(5);
  events[2] = {"Kestrel Heath (old)", "Kestrel", PackageValue("trackDirectory"), "40", "1", "1",
               "2-2-2", {"weather=dry"}};
  ASSERT_TRUE(WriteFileBytes(SeasonFile(), SeasonFileText(events, 5)));
  ASSERT_TRUE(CreateDirectoryA(TrackFolder().c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(Join(TrackFolder(), "kestrel.dat"), "an older data file"));
  ASSERT_TRUE(WriteFileBytes(Join(TrackFolder(), "notes.txt"), "not the installer's"));

  InstallerDriver& program = StartProgram();
  program.SetText(control::kGameFolder, game);
  const RunOutcome outcome = InstallAndAnswer();

  ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
  ExpectPlainBox(outcome.boxes[0], text::kSummaryOk);
  ExpectTrackFilesInstalled();
  EXPECT_EQ(ReadFileBytes(Join(TrackFolder(), "notes.txt")), "not the installer's");
  const IniFile season = ParseIni(*ReadFileBytes(SeasonFile()));
  ExpectEventIsTrack(SeasonFile(), 3);
  EXPECT_EQ(IniValue(season, "Event3", "weather"), "dry");
  EXPECT_EQ(EventCount(SeasonFile()), 5);
  EXPECT_FALSE(IniValue(season, "Event6", "trackDirectory"));
}

// --- The season's limit of 64 events -----------------------------------------------------

struct SeasonLimitCase {
  int events;
  bool refused;
};

void PrintTo(const SeasonLimitCase& c, std::ostream* os) { *os << c.events << " events"; }

class SeasonLimit : public InstallerTest, public ::testing::WithParamInterface<SeasonLimitCase> {};

TEST_P(SeasonLimit, RefusesAFullSeasonBeforeTouchingAnything) {
  const SeasonLimitCase& c = GetParam();
  ASSERT_TRUE(WriteFileBytes(SeasonFile(), SeasonFileText(MadeUpEvents(c.events), c.events)));
  const TreeSnapshot before = Snapshot(game);

  InstallerDriver& program = StartProgram();
  program.SetText(control::kGameFolder, game);
  const RunOutcome outcome = InstallAndAnswer();

  ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
  if (c.refused) {
    ExpectPlainBox(outcome.boxes[0], text::kSeasonFull);
    EXPECT_EQ(outcome.boxes[0].progress, 1);
    EXPECT_EQ(Differences(before, Snapshot(game)), "");
  } else {
    ExpectPlainBox(outcome.boxes[0], text::kSummaryOk);
    ExpectEventIsTrack(SeasonFile(), c.events + 1);
    EXPECT_EQ(EventCount(SeasonFile()), c.events + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, SeasonLimit,
                         ::testing::Values(SeasonLimitCase{63, false}, SeasonLimitCase{64, true},
                                           SeasonLimitCase{70, true}),
                         [](const auto& info) {
                           return std::to_string(info.param.events) + "Events";
                         });

// --- Read-only season files --------------------------------------------------------------

struct ReadOnlyCase {
  const char* name;
  bool championship;  // box 1001 checked; both files are then read-only
  std::vector<int> answers;
  std::vector<const char*> texts;  // the boxes, in order
  bool installs;
};

void PrintTo(const ReadOnlyCase& c, std::ostream* os) { *os << c.name; }

class ReadOnlySeasonFiles : public InstallerTest,
                            public ::testing::WithParamInterface<ReadOnlyCase> {};

TEST_P(ReadOnlySeasonFiles, AsksToClearTheMarkAndHonoursTheAnswer) {
  const ReadOnlyCase& c = GetParam();
  ASSERT_TRUE(SetReadOnly(SeasonFile(), true));
  if (c.championship) {
    ASSERT_TRUE(SetReadOnly(ChampionshipFile(), true));
  }
  const std::string seasonBefore = *ReadFileBytes(SeasonFile());
  const std::string championshipBefore = *ReadFileBytes(ChampionshipFile());

  InstallerDriver& program = StartProgram();
  program.SetText(control::kGameFolder, game);
  if (c.championship) {
    program.ClickCheckBox(control::kChampionship);
    ASSERT_TRUE(WaitUntil([&] { return program.IsChecked(control::kChampionship); }));
  }
  const RunOutcome outcome = InstallAndAnswer(AnswerChoices(c.answers));

  ASSERT_EQ(TextsOf(outcome), std::vector<std::string>(c.texts.begin(), c.texts.end()));
  for (const MessageBoxRecord& box : outcome.boxes) {
    EXPECT_EQ(box.caption, text::kCaption);
    EXPECT_EQ(box.icon, BoxIcon::Exclamation) << Describe(box);
    const bool question = box.text == text::kSeasonReadOnly || box.text == text::kChampionshipReadOnly;
    const std::vector<int> buttons =
        question ? std::vector<int>{IDYES, IDNO} : std::vector<int>{IDOK};
    EXPECT_EQ(box.buttons, buttons) << Describe(box);
    if (question) {
      EXPECT_EQ(box.progress, 0) << "asked before the run moved on";
    }
  }

  const bool seasonYes = c.answers.front() == IDYES;
  const bool championshipYes = c.championship && c.answers.size() > 1 && c.answers[1] == IDYES;
  // A mark the user agreed to clear stays cleared, even when the run stops later.
  EXPECT_EQ(IsReadOnly(SeasonFile()), !seasonYes);
  if (c.championship) {
    EXPECT_EQ(IsReadOnly(ChampionshipFile()), !championshipYes);
  }
  EXPECT_EQ(Exists(TrackFolder()), c.installs);
  if (c.installs) {
    ExpectEventIsTrack(SeasonFile(), 6);
    if (c.championship) {
      ExpectEventIsTrack(ChampionshipFile(), 4);
    }
  } else {
    EXPECT_EQ(*ReadFileBytes(SeasonFile()), seasonBefore);
    EXPECT_EQ(*ReadFileBytes(ChampionshipFile()), championshipBefore);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, ReadOnlySeasonFiles,
    ::testing::Values(
        ReadOnlyCase{"SeasonYes", false, {IDYES}, {text::kSeasonReadOnly, text::kSummaryOk}, true},
        ReadOnlyCase{"SeasonNo", false, {IDNO}, {text::kSeasonReadOnly, text::kMustBeWritable}, false},
        ReadOnlyCase{"SeasonYesChampionshipNo",
                     true,
                     {IDYES, IDNO},
                     {text::kSeasonReadOnly, text::kChampionshipReadOnly, text::kMustBeWritable},
                     false},
        ReadOnlyCase{"BothYes",
                     true,
                     {IDYES, IDYES},
                     {text::kSeasonReadOnly, text::kChampionshipReadOnly, text::kSummaryOk},
                     true}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Season files the run cannot open --------------------------------------------------

TEST_F(InstallerTest, StopsWhenAnotherProgramHoldsTheSeasonFileOpen) {
  const TreeSnapshot before = Snapshot(game);
  RunOutcome outcome;
  {
    ScopedExclusiveOpen held(SeasonFile());  // this test process is the other program
    ASSERT_TRUE(held.IsOpen());
    InstallerDriver& program = StartProgram();
    program.SetText(control::kGameFolder, game);
    outcome = InstallAndAnswer();
  }
  ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
  ExpectPlainBox(outcome.boxes[0], std::string(text::kSharing) + "\r\n" + SeasonFile());
  EXPECT_EQ(outcome.boxes[0].progress, 0);
  EXPECT_EQ(Differences(before, Snapshot(game)), "");
}

TEST_F(InstallerTest, StopsWhenTheSeasonsFolderIsMissing) {
  RemoveTree(Join(game, "seasons"));
  const TreeSnapshot before = Snapshot(game);

  InstallerDriver& program = StartProgram();
  program.SetText(control::kGameFolder, game);
  const RunOutcome outcome = InstallAndAnswer();

  ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
  ExpectPlainBox(outcome.boxes[0], std::string(text::kBadPath) + "\r\n" + SeasonFile());
  EXPECT_EQ(Differences(before, Snapshot(game)), "");
}

struct WrongFolderCase {
  const char* name;
  bool withEmptySeasonsFolder;  // else the folder does not exist at all
  const char* reason;
};

void PrintTo(const WrongFolderCase& c, std::ostream* os) { *os << c.name; }

class WrongFolderTyped : public InstallerTest,
                         public ::testing::WithParamInterface<WrongFolderCase> {};

TEST_P(WrongFolderTyped, NamesTheSeasonFileItCannotOpenAndWritesNothing) {
  const WrongFolderCase& c = GetParam();
  const std::string wrong = sandbox.Path("not-the-game");
  if (c.withEmptySeasonsFolder) {
    ASSERT_TRUE(CreateDirectoryA(wrong.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(Join(wrong, "seasons").c_str(), nullptr));
  }
  const TreeSnapshot before = Snapshot(sandbox.Root());

  InstallerDriver& program = StartProgram();
  ASSERT_TRUE(program.TypeText(control::kGameFolder, wrong));
  const RunOutcome outcome = InstallAndAnswer();

  ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
  ExpectPlainBox(outcome.boxes[0], std::string(c.reason) + "\r\n" + wrong + "\\seasons\\67season.ini");
  EXPECT_EQ(Differences(before, Snapshot(sandbox.Root())), "");
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, WrongFolderTyped,
    ::testing::Values(WrongFolderCase{"FolderDoesNotExist", false, text::kBadPath},
                      WrongFolderCase{"FolderWithoutSeasonFile", true, text::kNotFound}),
    [](const auto& info) { return std::string(info.param.name); });

// --- A game folder typed with a trailing backslash -------------------------------------

TEST_F(InstallerTest, TrailingBackslashStillInstallsIntoTheGameFolder) {
  const TreeSnapshot before = Snapshot(game);
  InstallerDriver& program = StartProgram();
  program.SetText(control::kGameFolder, game + "\\");
  const RunOutcome outcome = InstallAndAnswer();

  ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
  ExpectPlainBox(outcome.boxes[0], text::kSummaryOk);
  ExpectTrackFilesInstalled();
  ExpectEventIsTrack(SeasonFile(), 6);
  // Nothing lands beside the game folder through a doubled backslash.
  EXPECT_EQ(Snapshot(sandbox.Root()).count("tracks"), 0u);
  EXPECT_EQ(ChangedPaths(before, Snapshot(game)).count("seasons\\67season.ini"), 1u);
}

TEST_F(InstallerTest, TrailingBackslashShowsInTheCheckMessageAsTyped) {
  RemoveTree(ChampionshipFile());
  const TreeSnapshot before = Snapshot(game);
  InstallerDriver& program = StartProgram();
  program.SetText(control::kGameFolder, game + "\\");
  program.ClickCheckBox(control::kChampionship);
  ASSERT_TRUE(WaitUntil([&] { return program.IsChecked(control::kChampionship); }));
  const RunOutcome outcome = InstallAndAnswer();

  ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
  ExpectPlainBox(outcome.boxes[0], std::string(text::kNotFound) + "\r\n" + game + "\\\\seasons\\gp.ini");
  EXPECT_EQ(Differences(before, Snapshot(game)), "");
}

// --- The copy fails, the season update still runs --------------------------------------

TEST_F(InstallerTest, FailedCopyIsReportedAndTheSeasonIsStillUpdated) {
  RemoveTree(Join(game, "tracks"));
  InstallerDriver& program = StartProgram();
  program.SetText(control::kGameFolder, game);
  const RunOutcome outcome = InstallAndAnswer();

  ASSERT_EQ(outcome.boxes.size(), 3u) << ::testing::PrintToString(TextsOf(outcome));
  ExpectPlainBox(outcome.boxes[0], std::string(text::kBadPath) + "\r\n" + TrackFolder());
  ExpectPlainBox(outcome.boxes[1], text::kCopyFailed);
  EXPECT_EQ(outcome.boxes[1].progress, 0);
  ExpectPlainBox(outcome.boxes[2], text::kSummaryCopyFailed);
  EXPECT_EQ(outcome.boxes[2].progress, 25);
  EXPECT_FALSE(Exists(TrackFolder()));
  ExpectEventIsTrack(SeasonFile(), 6);
}

}  // namespace
}  // namespace gridmoor::e2e
