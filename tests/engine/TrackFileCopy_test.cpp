#include "engine/TrackFileCopy.h"

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "RecordingHost.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;

class CopyTrackFilesTest : public ::testing::Test {
 public:  // the case tables arrange through these
  CopyTrackFilesTest() {
    MakePackage(packageFolder.Path());
    MakeGameFolder(gameFolder.Path(), SeasonWithEvents(1));
  }
  bool Copy() { return CopyTrackFiles(host, platform.files, package, gameFolder.Text()); }
  std::string TrackFolderText() const { return gameFolder.Text() + "\\tracks\\zandvoort"; }

  TempFolder packageFolder;
  TempFolder gameFolder;
  Platform platform;
  RecordingHost host;
  TrackPackage package = PackageFor(packageFolder);
};

TEST_F(CopyTrackFilesTest, CopiesTheNineFilesWithProgressUnderTheWaitCursor) {
  ASSERT_TRUE(Copy());

  for (const std::string& name : PackageTrackFiles())
    EXPECT_EQ(ReadBytes(gameFolder / "tracks" / "zandvoort" / InstalledName(name)), TrackFileBytes(name))
        << name;
  EXPECT_EQ(Snapshot(gameFolder / "tracks").size(), 9u);
  EXPECT_FALSE(fs::exists(gameFolder / "replay" / "zandvoort_wr.rpy"));
  std::vector<std::string> calls = {"wait on"};
  for (int p = 8; p <= 16; ++p) calls.push_back("progress " + std::to_string(p));
  calls.insert(calls.end(), {"replay?", "progress 17", "wait off"});
  EXPECT_EQ(host.Calls(), calls);
}

TEST_F(CopyTrackFilesTest, CopiesTheReplayWhenChosenWhateverTheCurrentDirectory) {
  host.replayChecked = true;
  CurrentDirectoryScope elsewhere(gameFolder.Path());
  ASSERT_TRUE(Copy());
  EXPECT_EQ(ReadBytes(gameFolder / "replay" / "zandvoort_wr.rpy"), TrackFileBytes("rpy"));
  EXPECT_EQ(host.Progress(), kCopyProgress);
  EXPECT_TRUE(host.Boxes().empty());
}

TEST_F(CopyTrackFilesTest, PackageWithoutReplayNeverCopiesOne) {
  host.replayChecked = true;  // the dialog disables the box; the copy does not rely on it
  package.replayfilename = "default";
  ASSERT_TRUE(Copy());
  EXPECT_TRUE(Snapshot(gameFolder / "replay").empty());
}

TEST_F(CopyTrackFilesTest, ExistingTrackFolderIsOverwrittenOnlyWhereTheListSays) {
  const fs::path track = gameFolder / "tracks" / "zandvoort";
  WriteBytes(track / "zandvoort.dat", "old dat");
  WriteBytes(track / "race.lp", "old race");
  WriteBytes(track / "notes.txt", "mine");
  WriteBytes(track / "dat", "not on the list under this name");

  ASSERT_TRUE(Copy());
  EXPECT_EQ(ReadBytes(track / "zandvoort.dat"), TrackFileBytes("dat"));
  EXPECT_EQ(ReadBytes(track / "race.lp"), TrackFileBytes("race.lp"));
  EXPECT_EQ(ReadBytes(track / "notes.txt"), "mine");
  EXPECT_EQ(ReadBytes(track / "dat"), "not on the list under this name");
}

// Every failure: one file-error box, the bar set back to 0, the cursor restored, false; what
// was copied before stays.
struct CopyFailure {
  const char* name;
  std::function<void(CopyTrackFilesTest&)> arrange;
  std::function<std::string(CopyTrackFilesTest&)> message;
  std::vector<int> progress;
  int filesCopied;  // of the list, before the failure
};

class CopyFailureTest : public CopyTrackFilesTest,
                        public ::testing::WithParamInterface<CopyFailure> {};

TEST_P(CopyFailureTest, ShowsTheFileErrorSetsTheBarToZeroAndAnswersFalse) {
  GetParam().arrange(*this);
  EXPECT_FALSE(Copy());

  EXPECT_EQ(host.Boxes(), std::vector<Box>{OkBox(GetParam().message(*this))});
  EXPECT_EQ(host.Progress(), GetParam().progress);
  // Box, then the bar, then the cursor.
  const auto& calls = host.Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
            (std::vector<std::string>{"box ok", "progress 0", "wait off"}));

  const auto& names = PackageTrackFiles();
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    const fs::path target = gameFolder / "tracks" / "zandvoort" / InstalledName(names[i]);
    EXPECT_EQ(fs::exists(target), i < GetParam().filesCopied) << names[i];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CopyFailureTest,
    ::testing::Values(
        CopyFailure{"NoTracksFolder",
                    [](CopyTrackFilesTest& t) { fs::remove_all(t.gameFolder / "tracks"); },
                    [](CopyTrackFilesTest& t) {
                      return "All or part of the path is invalid.\r\n" + t.TrackFolderText();
                    },
                    {0}, 0},
        CopyFailure{"PackageFileMissing",
                    [](CopyTrackFilesTest& t) { fs::remove(t.packageFolder / "pass1.lp"); },
                    [](CopyTrackFilesTest& t) {
                      return "The file could not be located.\r\n" + t.packageFolder.Text() +
                             "\\pass1.lp";
                    },
                    {8, 9, 10, 11, 12, 0}, 5},
        CopyFailure{"DiskFullOnTheLastFile",
                    [](CopyTrackFilesTest& t) { t.platform.files.failCopyAt = 8; },
                    [](CopyTrackFilesTest& t) {
                      return "The disk is full.\r\n" + t.TrackFolderText() + "\\minrace.lp";
                    },
                    {8, 9, 10, 11, 12, 13, 14, 15, 0}, 8},
        CopyFailure{"NoReplayFolder",
                    [](CopyTrackFilesTest& t) {
                      t.host.replayChecked = true;
                      fs::remove_all(t.gameFolder / "replay");
                    },
                    [](CopyTrackFilesTest& t) {
                      return "All or part of the path is invalid.\r\n" + t.gameFolder.Text() +
                             "\\replay\\zandvoort_wr.rpy";
                    },
                    {8, 9, 10, 11, 12, 13, 14, 15, 16, 0}, 9}),
    [](const auto& info) { return info.param.name; });

// A record built by hand with names that reach outside is refused before anything is written.
TEST_F(CopyTrackFilesTest, NamesReachingOutsideTheGameFolderAreRefused) {
  const auto before = Snapshot(gameFolder.Path());
  package.trackDirectory = "..";
  EXPECT_FALSE(Copy());
  EXPECT_EQ(host.Boxes(), std::vector<Box>{OkBox("All or part of the path is invalid.\r\n" +
                                                 gameFolder.Text() + "\\tracks\\..")});
  EXPECT_TRUE(platform.files.written.empty());

  RecordingHost replayHost;
  replayHost.replayChecked = true;
  package.trackDirectory = "zandvoort";
  package.replayfilename = "..\\..\\escaped.rpy";
  EXPECT_FALSE(CopyTrackFiles(replayHost, platform.files, package, gameFolder.Text()));
  EXPECT_EQ(replayHost.Progress(), (std::vector<int>{8, 9, 10, 11, 12, 13, 14, 15, 16, 0}));
  for (const std::string& path : platform.files.written)
    EXPECT_EQ(path.rfind(gameFolder.Text() + "\\tracks\\zandvoort", 0), 0u) << path;
  EXPECT_FALSE(fs::exists(gameFolder.Path().parent_path() / "escaped.rpy"));
}

}  // namespace
}  // namespace gridmoor
