#include "engine/InstallRun.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "EngineTestSupport.h"
#include "engine/TrackRecords.h"
#include "RecordingHost.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;

constexpr const char* kTrackLimit =
    "Sorry, maximum number of tracks in GPL reached.\r\nYou have to remove tracks from "
    "67season.ini to be able to\r\ninstall this track. Click OK to finish.";
constexpr const char* kCopyWrong =
    "Something went wrong while installing track files.\r\nPlease verify that the GPL path is "
    "correct.";
constexpr const char* kUpdateWrong =
    "Something went wrong while updating ini file(s).\r\nPlease verify that the GPL path is "
    "correct.";

std::string Summary(bool copied, bool updated) {
  return std::string(copied ? "Install of track files completed OK\r\n"
                            : "Install of track files went wrong\r\n") +
         (updated ? "Update of ini file(s) completed OK\r\n"
                  : "Update of ini file(s) went wrong\r\n") +
         "\r\nClick OK to finish track install";
}

// SeasonWithEvents(64) with Event`at` naming `folder`, its other values old, or with the
// package's seven values when `installed`.
std::string FullSeasonNaming(int at, const std::string& folder, bool installed = false) {
  std::string text = SeasonWithEvents(64);
  const std::string n = std::to_string(at);
  const std::string event = "[Event" + n + "]\r\nname=Race " + n + "\r\nshortname=R" + n +
                            "\r\ntrackDirectory=track" + n +
                            "\r\nnumberOfLaps=40\r\nday=1\r\nmonth=5\r\nstartingGrid=2-2\r\n";
  const std::string named =
      installed ? "[Event" + n + "]\r\nname=Grote Prijs van Nederland\r\nshortname=Zandvoort\r\n" +
                      "trackDirectory=" + folder +
                      "\r\nnumberOfLaps=90\r\nday=4\r\nmonth=6\r\nstartingGrid=3-2-3\r\n"
                : "[Event" + n + "]\r\nname=Race " + n + "\r\nshortname=R" + n +
                      "\r\ntrackDirectory=" + folder +
                      "\r\nnumberOfLaps=40\r\nday=1\r\nmonth=5\r\nstartingGrid=2-2\r\n";
  text.replace(text.find(event), event.size(), named);
  return text;
}

std::vector<int> Positions(std::initializer_list<std::vector<int>> parts) {
  std::vector<int> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// A package and a game folder whose season files are the "championship-append" golden case,
// with files around them that no run may touch.
class InstallRunTest : public ::testing::Test {
 public:  // the case tables arrange through these
  InstallRunTest() {
    MakePackage(packageFolder.Path());
    MakeGameFolder(game.Path(), ReadBytes(Golden("before.ini")));
    WriteBytes(game / "seasons" / "gp.ini", ReadBytes(Golden("gp-before.ini")));
    WriteBytes(game / "gpl.exe", "MZ the game");
    WriteBytes(game / "seasons" / "66season.ini", "[Season]\r\nnumEvents=0\r\n");
    WriteBytes(game / "tracks" / "monaco" / "monaco.dat", "monaco");
    WriteBytes(game / "replay" / "old.rpy", "an old replay");
    host.gameFolder = game.Text();
  }
  static fs::path Golden(const std::string& name) { return DataPath("championship-append") / name; }
  std::string SeasonPath() const { return game.Text() + "\\seasons\\67season.ini"; }

  InstallOutcome Run() { return OnInstallTrack(host, platform.files, package); }

  // The game folder after a run that copied the first `filesCopied` track files.
  std::map<std::string, std::string> After(std::map<std::string, std::string> files,
                                           int filesCopied, bool seasonUpdated,
                                           bool replay = false, bool championship = false) const {
    for (int i = 0; i < filesCopied; ++i) {
      const std::string& name = PackageTrackFiles()[i];
      files["tracks/zandvoort/" + InstalledName(name)] = TrackFileBytes(name);
    }
    if (replay) files["replay/zandvoort_wr.rpy"] = TrackFileBytes("rpy");
    if (seasonUpdated)
      files["seasons/67season.ini"] = seasonAfter.empty() ? ReadBytes(Golden("after.ini"))
                                                          : seasonAfter;
    if (championship) files["seasons/gp.ini"] = ReadBytes(Golden("gp-after.ini"));
    return files;
  }

  TempFolder packageFolder;
  TempFolder game;
  Platform platform;
  RecordingHost host;
  TrackPackage package = PackageFor(packageFolder);
  // What an update leaves in 67season.ini when a row arranges a season of its own.
  std::string seasonAfter;
};

TEST_F(InstallRunTest, FullRunTalksToTheDialogInThisOrder) {
  host.replayChecked = true;
  host.championshipChecked = true;
  const auto before = Snapshot(game.Path());
  Run();

  std::vector<std::string> calls = {"folder?", "gp?", "progress 1", "wait on"};
  for (int p = 8; p <= 16; ++p) calls.push_back("progress " + std::to_string(p));
  calls.insert(calls.end(), {"replay?", "progress 17", "wait off"});
  for (int p = 17; p <= 25; ++p) calls.push_back("progress " + std::to_string(p));
  calls.insert(calls.end(), {"gp?", "progress 25", "box ok", "close"});
  EXPECT_EQ(host.Calls(), calls);
  EXPECT_EQ(host.Boxes(), std::vector<Box>{OkBox(Summary(true, true))});
  EXPECT_EQ(Snapshot(game.Path()), After(before, 9, true, true, true));
  for (const std::string& path : platform.files.written)
    EXPECT_EQ(path.rfind(game.Text() + "\\", 0), 0u) << path;
}

// Every way through the run: its boxes, its bar positions and what it leaves in the game folder.
struct RunWay {
  const char* name;
  std::function<void(InstallRunTest&)> arrange;
  std::vector<MessageAnswer> answers;
  std::vector<Box> boxes;  // "{game}" and "{package}" stand for the folders
  std::vector<int> progress;
  int filesCopied;  // of the nine, in list order
  bool seasonUpdated;
};

class InstallRunWayTest : public InstallRunTest, public ::testing::WithParamInterface<RunWay> {
 public:
  // What the run answers, told by the row: no bar at all is a refused check, the bar at 1 only a
  // full season, else which steps completed.
  static InstallOutcome OutcomeOf(const RunWay& way) {
    if (way.progress.empty()) return InstallOutcome::kRefused;
    if (way.progress == std::vector<int>{1}) return InstallOutcome::kSeasonFull;
    const bool copied = way.filesCopied == static_cast<int>(PackageTrackFiles().size());
    if (copied) return way.seasonUpdated ? InstallOutcome::kDone : InstallOutcome::kUpdateFailed;
    return way.seasonUpdated ? InstallOutcome::kCopyFailed : InstallOutcome::kBothFailed;
  }
};

TEST_P(InstallRunWayTest, EndsWithTheDialogClosed) {
  GetParam().arrange(*this);
  host.answers.assign(GetParam().answers.begin(), GetParam().answers.end());
  const auto before = Snapshot(game.Path());
  EXPECT_EQ(Run(), OutcomeOf(GetParam()));

  EXPECT_EQ(host.Boxes(), Expand(GetParam().boxes, {{"{game}", game.Text()},
                                                    {"{package}", packageFolder.Text()}}));
  EXPECT_EQ(host.Progress(), GetParam().progress);
  EXPECT_EQ(host.Calls().back(), "close");
  EXPECT_EQ(host.CountOf("close"), 1);
  EXPECT_EQ(host.CountOf("folder?"), 1);

  EXPECT_EQ(Snapshot(game.Path()),
            After(before, GetParam().filesCopied, GetParam().seasonUpdated));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, InstallRunWayTest,
    ::testing::Values(
        RunWay{"ReadOnlySeasonRefused",
               [](InstallRunTest& t) { SetReadOnly(*t.platform.native, t.SeasonPath(), true); },
               {MessageAnswer::No}, {YesNoBox(kSeasonQuestion), OkBox(kMustBeWritable)}, {}, 0,
               false},
        RunWay{"ReadOnlySeasonCleared",
               [](InstallRunTest& t) { SetReadOnly(*t.platform.native, t.SeasonPath(), true); },
               {MessageAnswer::Yes}, {YesNoBox(kSeasonQuestion), OkBox(Summary(true, true))},
               Positions({{1}, kCopyProgress, kSeasonProgress, {25}}), 9, true},
        RunWay{"SeasonFileMissing",
               [](InstallRunTest& t) { fs::remove(t.game / "seasons" / "67season.ini"); }, {},
               {OkBox("The file could not be located.\r\n{game}\\seasons\\67season.ini")}, {}, 0,
               false},
        RunWay{"SeasonFullNewTrack",
               [](InstallRunTest& t) {
                 WriteBytes(t.game / "seasons" / "67season.ini", SeasonWithEvents(64));
               },
               {}, {OkBox(kTrackLimit)}, {1}, 0, false},
        // Refreshing the track's own event adds none: the count stays 64.
        RunWay{"SeasonFullTrackNamedIsRefreshed",
               [](InstallRunTest& t) {
                 WriteBytes(t.game / "seasons" / "67season.ini", FullSeasonNaming(40, "zandvoort"));
                 t.seasonAfter = FullSeasonNaming(40, "zandvoort", true);
               },
               {}, {OkBox(Summary(true, true))},
               Positions({{1}, kCopyProgress, kSeasonProgress, {25}}), 9, true},
        // Another letter case is another track to the season update: it would be appended.
        RunWay{"SeasonFullTrackNamedInOtherCase",
               [](InstallRunTest& t) {
                 WriteBytes(t.game / "seasons" / "67season.ini", FullSeasonNaming(40, "Zandvoort"));
               },
               {}, {OkBox(kTrackLimit)}, {1}, 0, false},
        // A section past the count is no event of the season.
        RunWay{"SeasonFullTrackNamedPastTheCount",
               [](InstallRunTest& t) {
                 WriteBytes(t.game / "seasons" / "67season.ini",
                            SeasonWithEvents(64) + "\r\n[Event65]\r\ntrackDirectory=zandvoort\r\n");
               },
               {}, {OkBox(kTrackLimit)}, {1}, 0, false},
        RunWay{"CopyFailsUpdateStillRuns",
               [](InstallRunTest& t) { fs::remove(t.packageFolder / "minrace.lp"); }, {},
               {OkBox("The file could not be located.\r\n{package}\\minrace.lp"), OkBox(kCopyWrong),
                OkBox(Summary(false, true))},
               Positions({{1, 8, 9, 10, 11, 12, 13, 14, 15, 0}, kSeasonProgress, {25}}), 8, true},
        RunWay{"UpdateFails",
               [](InstallRunTest& t) { t.platform.files.failReplaceOf = "67season.ini"; }, {},
               {OkBox(kUpdateWrong), OkBox(Summary(true, false))},
               Positions({{1}, kCopyProgress, kSeasonProgress, {25}}), 9, false},
        RunWay{"BothFail",
               [](InstallRunTest& t) {
                 fs::remove_all(t.game / "tracks");
                 t.platform.files.failReplaceOf = "67season.ini";
               },
               {},
               {OkBox("All or part of the path is invalid.\r\n{game}\\tracks\\zandvoort"),
                OkBox(kCopyWrong), OkBox(kUpdateWrong), OkBox(Summary(false, false))},
               Positions({{1, 0}, kSeasonProgress, {25}}), 0, false},
        // Empty: the root of the current drive, which has no seasons folder.
        RunWay{"EmptyFolderText", [](InstallRunTest& t) { t.host.gameFolder = ""; }, {},
               {OkBox("All or part of the path is invalid.\r\n\\seasons\\67season.ini")}, {}, 0,
               false}),
    [](const auto& info) { return info.param.name; });

// The copy-first run: the season files are written only after the whole copy; no box speaks of
// the dialog, none blames the game path, and the dialog is never closed.
struct CopyFirstWay {
  const char* name;
  std::function<void(InstallRunTest&)> arrange;
  InstallOutcome outcome;
  int filesCopied;
  bool seasonUpdated;
  std::size_t boxes;  // each failure said once
};

class InstallCopyFirstTest : public InstallRunTest,
                             public ::testing::WithParamInterface<CopyFirstWay> {};

TEST_P(InstallCopyFirstTest, WritesTheSeasonOnlyAfterTheWholeCopy) {
  GetParam().arrange(*this);
  const auto before = Snapshot(game.Path());
  EXPECT_EQ(InstallTrackCopyFirst(host, platform.files, package), GetParam().outcome);
  EXPECT_EQ(Snapshot(game.Path()), After(before, GetParam().filesCopied, GetParam().seasonUpdated));
  EXPECT_EQ(host.CountOf("close"), 0);
  for (const Box& box : host.Boxes()) {
    EXPECT_EQ(box.text.find("Click OK"), std::string::npos) << box.text;
    EXPECT_EQ(box.text.find("GPL path"), std::string::npos) << box.text;
  }
  EXPECT_EQ(host.Boxes().size(), GetParam().boxes);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, InstallCopyFirstTest,
    ::testing::Values(
        CopyFirstWay{"Installed", [](InstallRunTest&) {}, InstallOutcome::kDone, 9, true, 0},
        CopyFirstWay{"CopyFailsSeasonUntouched",
                     [](InstallRunTest& t) { fs::remove(t.packageFolder / "minrace.lp"); },
                     InstallOutcome::kCopyFailed, 8, false, 2},
        CopyFirstWay{"UpdateFails",
                     [](InstallRunTest& t) { t.platform.files.failReplaceOf = "67season.ini"; },
                     InstallOutcome::kUpdateFailed, 9, false, 1},
        CopyFirstWay{"SeasonFull",
                     [](InstallRunTest& t) {
                       WriteBytes(t.game / "seasons" / "67season.ini", SeasonWithEvents(64));
                     },
                     InstallOutcome::kSeasonFull, 0, false, 1},
        CopyFirstWay{"SeasonFullTrackNamedIsRefreshed",
                     [](InstallRunTest& t) {
                       WriteBytes(t.game / "seasons" / "67season.ini",
                                  FullSeasonNaming(64, "zandvoort"));
                       t.seasonAfter = FullSeasonNaming(64, "zandvoort", true);
                     },
                     InstallOutcome::kDone, 9, true, 0}),
    [](const auto& info) { return info.param.name; });

// The dialog's run keeps a record of what it copied, and over a folder that holds another track
// it says nothing new: its only box is still the summary.
TEST_F(InstallRunTest, TheDialogsRunRecordsTheTrackAndAsksNothingNew) {
  host.replayChecked = true;
  const std::string folder = game.Text();
  WriteBytes(game / "seasons" / "gridmoor-tracks" / "zandvoort",
             SerializeTrackRecord({"zandvoort", "Another Track", "", {"x", "folder", "x"},
                                   "2026-12-01 10:00:00", {}}));
  EXPECT_EQ(OnInstallTrackKeepingStep(host, platform.files, package, "install zandvoort"),
            InstallOutcome::kDone);
  EXPECT_EQ(host.Boxes(), std::vector<Box>{OkBox(Summary(true, true))});

  const RecordRead read = ReadTrackRecord(platform.files, folder, "zandvoort");
  ASSERT_TRUE(read.record) << read.problem;
  EXPECT_EQ(read.record->name, package.name);
  EXPECT_EQ(read.record->package.path, package.packageFolder);
  ASSERT_EQ(read.record->files.size(), 10u);  // nine track files and the replay
  EXPECT_EQ(read.record->files.back().path, "replay\\zandvoort_wr.rpy");
  for (const FileCheck& check : CheckRecordedFiles(platform.files, folder, *read.record))
    EXPECT_EQ(check.state, FileState::kUnchanged) << check.path;

  WriteBytes(game / "tracks" / "zandvoort" / "pit.lp", "changed");
  const std::vector<FileCheck> checks = CheckRecordedFiles(platform.files, folder, *read.record);
  EXPECT_EQ(std::count_if(checks.begin(), checks.end(),
                          [](const FileCheck& c) { return c.state == FileState::kChanged; }),
            1);
}

TEST_F(InstallRunTest, FailureWhileClearingTheMarkEscapesAndLeavesTheDialogOpen) {
  SetReadOnly(*platform.native, SeasonPath(), true);
  platform.files.failSetStatusCause = kCauseAccessDenied;
  host.answers = {MessageAnswer::Yes};
  const auto before = Snapshot(game.Path());
  try {
    Run();
    ADD_FAILURE() << "no exception";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.Cause(), kCauseAccessDenied);
    EXPECT_EQ(error.FileName(), SeasonPath());
  }
  EXPECT_EQ(host.Calls(), (std::vector<std::string>{"folder?", "box yesno"}));
  EXPECT_EQ(host.Boxes(), std::vector<Box>{YesNoBox(kSeasonQuestion)});
  EXPECT_EQ(Snapshot(game.Path()), before);
}

// The checks get the folder as typed; the writing steps without one trailing backslash.
class TrailingBackslashTest : public InstallRunTest,
                              public ::testing::WithParamInterface<const char*> {};

TEST_P(TrailingBackslashTest, IsDroppedOnceForTheWritingStepsOnly) {
  SetReadOnly(*platform.native, SeasonPath(), true);
  const std::string typed = game.Text() + GetParam();
  const std::string shortened = typed.substr(0, typed.size() - 1);
  host.gameFolder = typed;
  host.answers = {MessageAnswer::Yes};
  Run();

  EXPECT_EQ(host.Boxes(), (std::vector<Box>{YesNoBox(kSeasonQuestion), OkBox(Summary(true, true))}));
  const auto& written = platform.files.written;
  ASSERT_GE(written.size(), 2u);
  EXPECT_EQ(written[0], typed + "\\seasons\\67season.ini");
  EXPECT_EQ(written[1], shortened + "\\tracks\\zandvoort");
  for (const std::string& path : written) EXPECT_EQ(path.rfind(shortened + "\\", 0), 0u) << path;
  EXPECT_EQ(ReadBytes(game / "seasons" / "67season.ini"), ReadBytes(Golden("after.ini")));
}

INSTANTIATE_TEST_SUITE_P(Tails, TrailingBackslashTest, ::testing::Values("\\", "\\\\"),
                         [](const auto& info) { return info.index == 0 ? "One" : "Two"; });

// From the package folder as the program starts in it to the installed track.
TEST_F(InstallRunTest, LoadedPackageInstallsWithItsReplay) {
  TrackPackage loaded;
  {
    CurrentDirectoryScope inPackage(packageFolder.Path());
    RecordingHost loadHost;
    ASSERT_TRUE(LoadPackage(loadHost, platform.files, loaded));
  }
  host.replayChecked = true;
  const auto before = Snapshot(game.Path());
  OnInstallTrack(host, platform.files, loaded);
  EXPECT_EQ(host.Boxes(), std::vector<Box>{OkBox(Summary(true, true))});
  EXPECT_EQ(Snapshot(game.Path()), After(before, 9, true, true));
}

}  // namespace
}  // namespace gridmoor
