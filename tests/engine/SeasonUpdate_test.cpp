#include "engine/SeasonUpdate.h"

#include <gtest/gtest.h>

#include <climits>

#include "EngineTestSupport.h"
#include "RecordingHost.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;

// A game folder, the package to add to its seasons, and the dialog.
class SeasonUpdateTest : public ::testing::Test {
 protected:
  std::string SeasonPath() const { return game.Text() + "\\seasons\\67season.ini"; }
  // The season files of a golden case; gp.ini only where the case has one.
  void ArrangeGolden(const fs::path& data) {
    WriteBytes(game / "seasons" / "67season.ini", ReadBytes(data / "before.ini"));
    if (fs::exists(data / "gp-before.ini"))
      WriteBytes(game / "seasons" / "gp.ini", ReadBytes(data / "gp-before.ini"));
  }
  bool Update() {
    return UpdateSeasonFiles(host, platform.files, PackageFor(packageFolder), game.Text());
  }

  TempFolder game;
  TempFolder packageFolder;
  Platform platform;
  RecordingHost host;
};

struct CountCase {
  const char* name;
  std::string seasonFile;  // "" for no file at all
  int full;
};

class IsSeasonFullTest : public SeasonUpdateTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(IsSeasonFullTest, LooksAtTheCountAlone) {
  fs::create_directories(game / "seasons");
  if (!GetParam().seasonFile.empty()) WriteBytes(game / "seasons" / "67season.ini", GetParam().seasonFile);
  EXPECT_EQ(IsSeasonFull(platform.files, game.Text()), GetParam().full);
  EXPECT_TRUE(platform.files.written.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Counts, IsSeasonFullTest,
    ::testing::Values(CountCase{"SixtyThree", "[Season]\r\nnumEvents=63\r\n", 0},
                      CountCase{"SixtyFour", "[Season]\r\nnumEvents=64\r\n", 1},
                      CountCase{"Seventy", "[Season]\r\nnumEvents=70\r\n", 1},
                      CountCase{"LeadingDigits", "[Season]\r\nnumEvents=64x\r\n", 1},
                      CountCase{"KeyInOtherCase", "[SEASON]\r\nNUMEVENTS=64\r\n", 1},
                      CountCase{"QuotedWithSpaceAndSign", "[Season]\r\nnumEvents=\" +64\"\r\n", 1},
                      CountCase{"Negative", "[Season]\r\nnumEvents=-64\r\n", 0},
                      CountCase{"NotANumber", "[Season]\r\nnumEvents=many\r\n", 0},
                      CountCase{"KeyMissing", "[Season]\r\nyear=1967\r\n", 0},
                      CountCase{"FileMissing", "", 0},
                      // The track being in the season already changes nothing.
                      CountCase{"FullWithTheTrack", SeasonWithEvents(64), 1}),
    [](const auto& info) { return info.param.name; });

TEST(ParseEventCountTest, SaturatesInsteadOfOverflowing) {
  EXPECT_EQ(ParseEventCount("99999999999"), INT_MAX);
  EXPECT_EQ(ParseEventCount("-99999999999"), INT_MIN);
  EXPECT_EQ(ParseEventCount("\t+7 events"), 7);
}

// Golden cases: tests/data/engine/<case>/before.ini becomes after.ini; gp-before.ini, where
// there is one, becomes gp-after.ini when the championship is chosen and stays as it was when not.
struct GoldenCase {
  const char* name;
  bool championship;
};

class SeasonGoldenTest : public SeasonUpdateTest,
                         public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(SeasonGoldenTest, UpdatesTheFilesByteForByte) {
  const fs::path data = DataPath(GetParam().name);
  ArrangeGolden(data);
  const bool hasChampionship = fs::exists(data / "gp-before.ini");
  host.championshipChecked = GetParam().championship;
  EXPECT_TRUE(Update());

  EXPECT_EQ(ReadBytes(game / "seasons" / "67season.ini"), ReadBytes(data / "after.ini"));
  if (hasChampionship) {
    EXPECT_EQ(ReadBytes(game / "seasons" / "gp.ini"),
              ReadBytes(data / (GetParam().championship ? "gp-after.ini" : "gp-before.ini")));
  } else {
    EXPECT_FALSE(fs::exists(game / "seasons" / "gp.ini"));
  }
  // Only the season file moves the bar; the championship box is read once it is done.
  EXPECT_EQ(host.Progress(), kSeasonProgress);
  EXPECT_EQ(host.Calls().back(), "gp?");
  EXPECT_TRUE(host.Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SeasonGoldenTest,
    ::testing::Values(GoldenCase{"append", false}, GoldenCase{"refresh", false},
                      GoldenCase{"highest-match", false}, GoldenCase{"letter-case", false},
                      GoldenCase{"no-season-section", false}, GoldenCase{"stale-section", false},
                      GoldenCase{"beyond-count", false}, GoldenCase{"negative-count", false},
                      GoldenCase{"championship-append", true},
                      GoldenCase{"championship-append", false},
                      GoldenCase{"championship-refresh", true},
                      GoldenCase{"championship-over-limit", true}),
    [](const auto& info) {
      std::string name = info.param.name;
      for (char& c : name)
        if (c == '-') c = '_';
      return name + (info.param.championship ? "_WithChampionship" : "");
    });

TEST_F(SeasonUpdateTest, MissingFilesStartAtEventOne) {
  fs::create_directories(game / "seasons");
  host.championshipChecked = true;
  EXPECT_TRUE(Update());
  for (const char* file : {"67season.ini", "gp.ini"}) {
    const std::string path = game.Text() + "\\seasons\\" + file;
    EXPECT_EQ(ProfileValue(platform.files, "Event1", "trackDirectory", path), "zandvoort");
    EXPECT_EQ(ProfileValue(platform.files, "Season", "numEvents", path), "1") << file;
  }
}

TEST_F(SeasonUpdateTest, WithoutSeasonsFolderFailsAndCreatesNothing) {
  host.championshipChecked = true;
  EXPECT_FALSE(Update());
  EXPECT_TRUE(fs::is_empty(game.Path()));
  EXPECT_EQ(host.Progress(), kSeasonProgress);
}

// A failed read or write of either file fails the update and leaves that file's bytes as they
// were; the other file is updated all the same.
struct WriteFailure {
  const char* name;
  std::string failReadOf;
  std::string failReplaceOf;
  bool seasonUpdated;
  bool championshipUpdated;
};

class SeasonWriteFailureTest : public SeasonUpdateTest,
                               public ::testing::WithParamInterface<WriteFailure> {};

TEST_P(SeasonWriteFailureTest, AnswersFalse) {
  const fs::path data = DataPath("championship-append");
  ArrangeGolden(data);
  platform.files.failReadOf = GetParam().failReadOf;
  platform.files.failReplaceOf = GetParam().failReplaceOf;
  host.championshipChecked = true;
  EXPECT_FALSE(Update());

  EXPECT_EQ(ReadBytes(game / "seasons" / "67season.ini"),
            ReadBytes(data / (GetParam().seasonUpdated ? "after.ini" : "before.ini")));
  EXPECT_EQ(ReadBytes(game / "seasons" / "gp.ini"),
            ReadBytes(data / (GetParam().championshipUpdated ? "gp-after.ini" : "gp-before.ini")));
  EXPECT_EQ(host.Progress(), kSeasonProgress);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, SeasonWriteFailureTest,
    ::testing::Values(
        // The season file fails, the championship file succeeds: still a failure.
        WriteFailure{"SeasonFileUnwritable", "", "67season.ini", false, true},
        WriteFailure{"ChampionshipFileUnwritable", "", "gp.ini", true, false},
        // Held by another program: not taken for an empty file and written over.
        WriteFailure{"SeasonFileUnreadable", "67season.ini", "", false, true},
        WriteFailure{"ChampionshipFileUnreadable", "gp.ini", "", true, false}),
    [](const auto& info) { return info.param.name; });

// The season file holds 64 events by the time the update reads it (it filled up after the
// limit test, or the limit test could not read it): a new event is refused, a refresh is not.
TEST_F(SeasonUpdateTest, AFullSeasonGetsNoNewEventWhateverTheLimitTestSaw) {
  const std::string full = SeasonWithEvents(MAX_SEASON_EVENTS);
  WriteBytes(game / "seasons" / "67season.ini", full);
  EXPECT_FALSE(Update());
  EXPECT_EQ(ReadBytes(game / "seasons" / "67season.ini"), full);
  EXPECT_EQ(host.Progress(), kSeasonProgress);

  TrackPackage package = PackageFor(packageFolder);
  package.trackDirectory = "track64";
  EXPECT_TRUE(UpdateSeasonFiles(host, platform.files, package, game.Text()));
  EXPECT_EQ(ProfileValue(platform.files, "Event64", "name", SeasonPath()), package.name);
  EXPECT_EQ(ProfileValue(platform.files, "Season", "numEvents", SeasonPath()), "64");
}

// Values are written so they read back as they were read from the package: a reinstall finds
// its own event again instead of appending another.
TEST_F(SeasonUpdateTest, ValuesReadBackAsWrittenSoAReinstallRefreshes) {
  fs::create_directories(game / "seasons");
  TrackPackage package = PackageFor(packageFolder);
  package.trackDirectory = "\"x\"";
  package.name = " Grote Prijs ";
  ASSERT_TRUE(UpdateSeasonFiles(host, platform.files, package, game.Text()));
  ASSERT_TRUE(UpdateSeasonFiles(host, platform.files, package, game.Text()));
  EXPECT_EQ(ProfileValue(platform.files, "Season", "numEvents", SeasonPath()), "1");
  EXPECT_EQ(ProfileValue(platform.files, "Event1", "trackDirectory", SeasonPath()), "\"x\"");
  EXPECT_EQ(ProfileValue(platform.files, "Event1", "name", SeasonPath()), " Grote Prijs ");
}

}  // namespace
}  // namespace gridmoor
