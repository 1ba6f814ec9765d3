#include "engine/SeasonHistory.h"

#include <gtest/gtest.h>

#include <functional>

#include "EngineTestSupport.h"
#include "RecordingHost.h"
#include "engine/SeasonEvents.h"
#include "engine/SeasonUpdate.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;

class SeasonHistoryTest : public ::testing::Test {
 public:
  SeasonHistoryTest() { MakeGameFolder(game.Path(), SeasonWithEvents(3)); }

  // The season files, without the undo folder.
  std::map<std::string, std::string> Seasons() const {
    std::map<std::string, std::string> seasons = Snapshot(game / "seasons");
    for (auto it = seasons.begin(); it != seasons.end();) {
      it = it->first.rfind("gridmoor-undo/", 0) == 0 ? seasons.erase(it) : std::next(it);
    }
    return seasons;
  }
  std::string SeasonPath() const { return SeasonFilePath(game.Text(), kSeasonFileName); }

  // A command's change, wrapped as the commands wrap it.
  void Change(const std::string& command, const std::function<void()>& change) {
    ASSERT_TRUE(KeepSeasonStep(*files, game.Text(), command));
    change();
    DropUnchangedStep(*files, game.Text());
  }
  void Install() {
    Change("install", [this] {
      RecordingHost host;
      host.championshipChecked = true;  // gp.ini did not exist: the restore deletes it
      ASSERT_TRUE(UpdateSeasonFiles(host, *files, PackageFor(package), game.Text()));
    });
  }
  void Remove(const std::string& track) {
    Change("remove " + track, [this, &track] {
      ProfileDocument season = ProfileDocument::Load(*files, SeasonPath());
      ASSERT_FALSE(RemoveTrackEvents(season, {track}).Empty());
      ASSERT_TRUE(season.Save());
    });
  }
  RestoreStatus Restore() { return RestoreNewestStep(*files, game.Text(), false).status; }

  TempFolder game;
  TempFolder package;
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
};

struct ChangeCase {
  const char* name;
  std::function<void(SeasonHistoryTest&)> change;
  bool seasonFileBefore = true;
};

class RestoreAfter : public SeasonHistoryTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(RestoreAfter, PutsBackTheExactBytesAndDropsTheStep) {
  if (!GetParam().seasonFileBefore) fs::remove(game / "seasons" / "67season.ini");
  const auto before = Seasons();
  GetParam().change(*this);
  ASSERT_NE(Seasons(), before);
  ASSERT_EQ(ListSeasonSteps(*files, game.Text()).size(), 1u);

  EXPECT_EQ(Restore(), RestoreStatus::kRestored);
  EXPECT_EQ(Seasons(), before);
  const std::vector<HistoryStep> left = ListSeasonSteps(*files, game.Text());
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(left[0].redo);
  EXPECT_EQ(Restore(), RestoreStatus::kNothingKept);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RestoreAfter,
    ::testing::Values(ChangeCase{"Install", [](SeasonHistoryTest& t) { t.Install(); }},
                      ChangeCase{"Remove", [](SeasonHistoryTest& t) { t.Remove("track2"); }},
                      ChangeCase{"SeasonFileCreated", [](SeasonHistoryTest& t) { t.Install(); },
                                 false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SeasonHistoryTest, RestoreTwiceStepsBackTwice) {
  const auto original = Seasons();
  Install();
  const auto installed = Seasons();
  Remove("track1");

  EXPECT_EQ(Restore(), RestoreStatus::kRestored);
  EXPECT_EQ(Seasons(), installed);
  EXPECT_EQ(Restore(), RestoreStatus::kRestored);
  EXPECT_EQ(Seasons(), original);
  EXPECT_EQ(Restore(), RestoreStatus::kNothingKept);
  EXPECT_EQ(Seasons(), original);
}

TEST_F(SeasonHistoryTest, ACommandThatChangedNothingKeepsNoStep) {
  Change("remove nothing", [] {});
  EXPECT_TRUE(ListSeasonSteps(*files, game.Text()).empty());
}

TEST_F(SeasonHistoryTest, KeepsTheNewestStepsAndListsThemNewestFirst) {
  const int changes = kMaxHistorySteps + 2;
  std::string beforeLast;
  for (int i = 1; i <= changes; ++i) {
    beforeLast = ReadBytes(game / "seasons" / "67season.ini");
    Change("change " + std::to_string(i),
           [&] { WriteBytes(game / "seasons" / "67season.ini", SeasonWithEvents(i)); });
  }
  const std::vector<HistoryStep> steps = ListSeasonSteps(*files, game.Text());
  ASSERT_EQ(steps.size(), static_cast<std::size_t>(kMaxHistorySteps));
  EXPECT_EQ(steps.front().number, changes);
  EXPECT_EQ(steps.front().command, "change " + std::to_string(changes));
  EXPECT_EQ(steps.back().number, changes - kMaxHistorySteps + 1);
  EXPECT_EQ(steps.front().time.size(), std::string("YYYY-MM-DD HH:MM:SS").size());

  EXPECT_EQ(Restore(), RestoreStatus::kRestored);
  EXPECT_EQ(ReadBytes(game / "seasons" / "67season.ini"), beforeLast);
}

TEST_F(SeasonHistoryTest, AChangeMadeSinceIsUndoneButItsBytesAreKept) {
  const auto before = Seasons();
  Remove("track3");
  WriteBytes(game / "seasons" / "67season.ini", "edited by hand");

  const RestoreReport report = RestoreNewestStep(*files, game.Text(), false);
  ASSERT_EQ(report.status, RestoreStatus::kRestored);
  EXPECT_EQ(Seasons(), before);
  ASSERT_EQ(report.files.size(), 2u);
  EXPECT_TRUE(report.files[0].changedSince);
  EXPECT_FALSE(report.files[1].changedSince);  // gp.ini: missing before and after
  EXPECT_TRUE(report.files[1].unchanged);
  EXPECT_EQ(files->ReadExistingFile(report.files[0].replacedCopy, 1024), "edited by hand");
}

TEST_F(SeasonHistoryTest, RefusalsAndDryRunsWriteNothing) {
  Remove("track2");
  const auto everything = Snapshot(game.Path());

  EXPECT_EQ(RestoreNewestStep(*files, game.Text(), true).status, RestoreStatus::kRestored);
  EXPECT_EQ(Snapshot(game.Path()), everything);

  SetReadOnly(*files, SeasonPath(), true);
  const RestoreReport report = RestoreNewestStep(*files, game.Text(), false);
  EXPECT_EQ(report.status, RestoreStatus::kReadOnly);
  EXPECT_EQ(report.failedFile, SeasonPath());
  EXPECT_EQ(Snapshot(game.Path()), everything);
  SetReadOnly(*files, SeasonPath(), false);
}

// The active-set record goes back with the season files (a dry run only tells): written back,
// deleted when the step found none, its folder made again when gone, left alone when equal.
TEST_F(SeasonHistoryTest, RestorePutsBackTheActiveSetRecord) {
  const std::optional<std::string> none;
  const struct {
    std::optional<std::string> kept, now;
    bool restored;
  } rows[] = {
      {"A\n", "B\n", true},
      {none, "B\n", true},
      {"A\n", none, true},
      {"A\n", "A\n", false},
  };
  const fs::path sets = game / "seasons" / "gridmoor-sets";
  for (const auto& row : rows) {
    const auto put = [&sets](const std::optional<std::string>& record) {
      fs::remove_all(sets);
      if (record) WriteBytes(sets / "active", *record);
    };
    put(row.kept);
    Remove("track1");
    put(row.now);
    const auto everything = Snapshot(game.Path());

    const RestoreReport dry = RestoreNewestStep(*files, game.Text(), true);
    EXPECT_EQ(dry.activeSetRestored, row.restored);
    EXPECT_EQ(Snapshot(game.Path()), everything);
    const RestoreReport report = RestoreNewestStep(*files, game.Text(), false);
    ASSERT_EQ(report.status, RestoreStatus::kRestored);
    EXPECT_EQ(report.activeSetRestored, row.restored);
    EXPECT_EQ(fs::exists(sets / "active"), row.kept.has_value());
    if (row.kept) {
      EXPECT_EQ(ReadBytes(sets / "active"), *row.kept);
    }
  }
}

TEST_F(SeasonHistoryTest, NoStepWithoutASeasonsFolder) {
  fs::remove_all(game / "seasons");
  EXPECT_FALSE(KeepSeasonStep(*files, game.Text(), "install"));
  EXPECT_FALSE(fs::exists(game / "seasons"));
}

}  // namespace
}  // namespace gridmoor

namespace gridmoor {
namespace {

// A step's record of what its command changed: events by folder, so a refresh is no change of
// events and a repeated folder counts twice; only the events the game reads count.
TEST(DescribeSeasonChangeTest, NamesTheEventsAddedAndRemoved) {
  const std::string two = "[Season]\r\nnumEvents=2\r\n[Event1]\r\ntrackDirectory=spa\r\n"
                          "[Event2]\r\ntrackDirectory=monza\r\n";
  const struct {
    std::optional<std::string> before, after;
    std::vector<std::string> lines;
  } rows[] = {
      {two, two, {}},
      {std::nullopt, two, {"gp.ini: added Event1 spa", "gp.ini: added Event2 monza"}},
      {two, "[Season]\r\nnumEvents=1\r\n[Event1]\r\ntrackDirectory=monza\r\n",
       {"gp.ini: removed Event1 spa"}},
      {two, two + "[Event3]\r\ntrackDirectory=spa\r\n", {"gp.ini: changed, no event added or removed"}},
      {two, "[Season]\r\nnumEvents=3\r\n[Event1]\r\ntrackDirectory=spa\r\n[Event2]\r\n"
            "trackDirectory=monza\r\n[Event3]\r\ntrackDirectory=spa\r\n",
       {"gp.ini: added Event3 spa"}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(DescribeSeasonChange("gp.ini", row.before, row.after), row.lines)
        << row.after.value_or("(missing)");
  }
}

}  // namespace
}  // namespace gridmoor
