// The kill loop: install_victim runs a whole install into a real game folder and is killed
// (SIGKILL) at a random moment of it. After every kill each season file holds its old bytes or
// the whole new event, and each track file its old bytes or the new ones; the next run that is
// let finish completes and leaves none of the temporary files the kills left behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <random>
#include <thread>

#include "Victim.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;
using Clock = std::chrono::steady_clock;

// One game folder per scene, killed in turn.
struct Stage {
  const Scene* scene;
  TempFolder game;
  CleanAfter after;
  Clock::duration runTime{};
};

TEST(KillLoop, AKilledInstallLeavesOldOrWholeNewAndNoTemporaryOutlivesTheNextRun) {
  const int kills = ProofRuns(40);
  constexpr int kFinishEvery = 10;  // runs let finish after this many runs
  TempFolder package;
  MakePackage(package.Path());
  const TrackPackage track = PackageFor(package);
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();

  std::vector<std::unique_ptr<Stage>> stages;
  for (const Scene* scene : {&Scenes()[0], &Scenes()[1]}) {
    auto stage = std::make_unique<Stage>();
    stage->scene = scene;
    stage->after = CleanRun(*scene, package);
    Arrange(*files, stage->game.Path(), *scene);
    // How long a whole run takes here from the process's start (the quickest of a few): the
    // kills fall anywhere in it.
    for (int i = 0; i < 3; ++i) {
      ResetTrackFiles(stage->game.Path(), *scene);
      ResetSeasons(*files, stage->game.Path(), *scene);
      const Clock::time_point start = Clock::now();
      Victim timed(package, stage->game, *scene);
      ASSERT_TRUE(timed.Reap());
      ASSERT_EQ(timed.exitCode, kVictimDone);
      const Clock::duration took = Clock::now() - start;
      if (i == 0 || took < stage->runTime) stage->runTime = took;
    }
    std::cout << "[proof] a whole run of " << scene->name << " takes "
              << std::chrono::duration_cast<std::chrono::microseconds>(stage->runTime).count()
              << " us" << std::endl;
    stages.push_back(std::move(stage));
  }

  const unsigned seed = std::random_device()();
  std::mt19937 random(seed);
  Tally tally{"kill loop (seed " + std::to_string(seed) + ")"};
  // Runs until `kills` runs were killed (a run may finish before its kill; a bound keeps a
  // machine too slow for any kill from looping for ever).
  int killed = 0;
  for (int i = 0; killed < kills && i < 3 * kills; ++i) {
    Stage& stage = *stages[i % stages.size()];
    const Scene& scene = *stage.scene;
    // The files as before the run; the temporaries earlier kills left stay for the next run.
    ResetTrackFiles(stage.game.Path(), scene);
    ResetSeasons(*files, stage.game.Path(), scene);

    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(stage.runTime);
    const std::chrono::microseconds delay(
        std::uniform_int_distribution<long long>(0, span.count() * 11 / 10)(random));
    Victim victim(package, stage.game, scene);
    std::this_thread::sleep_for(delay);  // the kill's moment, not a wait for anything
    const bool finished = victim.Kill();
    if (!finished) ++killed;
    tally.Count(finished ? "finished before the kill" : "killed");

    Inspection found = Inspect(stage.game.Path(), package.Path(), scene, stage.after, track);
    if (finished) {
      if (victim.exitCode != kVictimDone) found.faults.push_back("an unkilled run failed");
      CheckSummary("Install of track files completed OK\r\nUpdate of ini file(s) completed OK",
                   scene, found, found.faults);
    }
    tally.Count("temporaries left by kills", found.temporaries);
    tally.Add(found);
    for (const std::string& fault : found.faults)
      ADD_FAILURE() << scene.name << ", kill " << i << " after " << delay.count()
                    << " us: " << fault;

    if ((i + 1) % kFinishEvery == 0 || killed == kills) {
      // A run that finishes clears what every kill before it left in the folders it writes.
      for (const auto& each : stages) {
        ResetTrackFiles(each->game.Path(), *each->scene);
        ResetSeasons(*files, each->game.Path(), *each->scene);
        Victim clean(package, each->game, *each->scene);
        ASSERT_TRUE(clean.Reap());
        EXPECT_EQ(clean.exitCode, kVictimDone);
        const Inspection after =
            Inspect(each->game.Path(), package.Path(), *each->scene, each->after, track);
        EXPECT_EQ(after.season, End::kNew);
        EXPECT_EQ(after.championship, End::kNew);
        EXPECT_EQ(after.copy, End::kNew);
        EXPECT_EQ(after.temporaries, 0) << "a temporary file survived a finished run";
        tally.Count("finished runs after kills");
      }
    }
  }
  tally.Print();
  EXPECT_EQ(killed, kills) << "too few runs could be killed before they finished";
}

// The season commands killed at random moments, a kill between the two files of a set switch
// included: each file old or whole new, and restore brings back both as before the command.
TEST(KillLoop, AKilledSeasonCommandLeavesOldOrWholeNewAndRestoreUndoesIt) {
  const int kills = ProofRuns(40);
  const unsigned seed = std::random_device()();
  std::mt19937 random(seed);
  Tally tally{"kill loop, season commands (seed " + std::to_string(seed) + ")"};
  int killed = 0;
  for (const SeasonScene& scene : SeasonScenes()) {
    // The quickest of a few whole runs: the kills fall anywhere in it.
    Clock::duration runTime{};
    for (int i = 0; i < 3; ++i) {
      TempFolder game;
      ArrangeSeasonScene(scene, game);
      const Clock::time_point start = Clock::now();
      Victim timed(scene.name, game);
      ASSERT_TRUE(timed.Reap());
      ASSERT_EQ(timed.exitCode, 0);
      if (i == 0 || Clock::now() - start < runTime) runTime = Clock::now() - start;
    }
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(runTime);
    int killedHere = 0;
    for (int i = 0; killedHere < kills / 3 + 1 && i < kills * 3; ++i) {
      TempFolder game;
      const SeasonEnds ends = ArrangeSeasonScene(scene, game);
      const std::chrono::microseconds delay(
          std::uniform_int_distribution<long long>(0, span.count() * 11 / 10)(random));
      Victim victim(scene.name, game);
      std::this_thread::sleep_for(delay);  // the kill's moment, not a wait for anything
      const bool finished = victim.Kill();
      if (!finished) ++killedHere;
      tally.Count(std::string(scene.name) + (finished ? " finished" : " killed"));
      for (const std::string& fault : CheckSeasonEnd(game, ends, tally))
        ADD_FAILURE() << scene.name << ", kill after " << delay.count() << " us: " << fault;
    }
    killed += killedHere;
  }
  tally.Print();
  EXPECT_GE(killed, kills);
}

// An install over an earlier install's files, keeping its undo step, killed at random moments:
// the next command (any: here a service made on the folder) settles it, so the track folder
// holds exactly the old files or exactly the new ones, with the season files to match, and no
// temporary; restore of a finished one brings back the old bytes.
TEST(KillLoop, AKilledInstallOverATrackIsSettledByTheNextCommandAndRestoreBringsItBack) {
  const int kills = ProofRuns(40);
  const Scene& scene = Scenes()[1];  // the track folder holds an earlier install's files
  TempFolder package;
  MakePackage(package.Path());
  const TrackPackage track = PackageFor(package);
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  const CleanAfter after = CleanRun(scene, package);
  Clock::duration runTime{};
  for (int i = 0; i < 3; ++i) {
    TempFolder game;
    Arrange(*files, game.Path(), scene);
    const Clock::time_point start = Clock::now();
    Victim timed(Victim::Keeping(package, game, scene));
    ASSERT_TRUE(timed.Reap());
    ASSERT_EQ(timed.exitCode, kVictimDone);
    if (i == 0 || Clock::now() - start < runTime) runTime = Clock::now() - start;
  }
  const unsigned seed = std::random_device()();
  std::mt19937 random(seed);
  Tally tally{"kill loop, install over a track with its step (seed " + std::to_string(seed) + ")"};
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(runTime);
  int killed = 0;
  for (int i = 0; killed < kills && i < 3 * kills; ++i) {
    TempFolder game;
    Arrange(*files, game.Path(), scene);
    const std::chrono::microseconds delay(
        std::uniform_int_distribution<long long>(0, span.count() * 11 / 10)(random));
    Victim victim(Victim::Keeping(package, game, scene));
    std::this_thread::sleep_for(delay);  // the kill's moment, not a wait for anything
    const bool finished = victim.Kill();
    if (!finished) ++killed;
    tally.Count(finished ? "finished before the kill" : "killed");

    const SeasonService next(*files, game.Text(), [] { return std::nullopt; });
    if (!next.Settled().empty()) tally.Count("settled by the next command");
    Inspection found = Inspect(game.Path(), package.Path(), scene, after, track);
    if (found.copy != found.season || found.copy == End::kBroken)
      found.faults.push_back("the track files and the season files disagree, or are mixed");
    if (found.temporaries != 0) found.faults.push_back("temporaries left after the next command");
    if (found.copy == End::kNew) {
      const RestoreReport restored = RestoreNewestStep(*files, game.Text(), false);
      const Inspection back = Inspect(game.Path(), package.Path(), scene, after, track);
      if (restored.status != RestoreStatus::kRestored || back.copy != End::kOld ||
          back.season != End::kOld)
        found.faults.push_back("restore did not bring back the old files");
      tally.Count("restored");
    }
    tally.Add(found);
    for (const std::string& fault : found.faults)
      ADD_FAILURE() << "kill " << i << " after " << delay.count() << " us: " << fault;
  }
  tally.Print();
  EXPECT_EQ(killed, kills) << "too few runs could be killed before they finished";
}

}  // namespace
}  // namespace gridmoor
