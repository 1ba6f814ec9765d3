// The season commands on a full season (64 events in 67season.ini and gp.ini): `set use`
// between two sets beside its floor, two bare safe replaces of the same files; `sort` and the
// reading `list` needs, in memory only. Targets: set use <= 1.3x the two bare replaces; the
// in-memory sort and read of a 64-event file under 1 ms. Run by hand on a Release build:
//   build/native/tests/bench/season_bench

#include <benchmark/benchmark.h>

#include "engine/EngineTestSupport.h"
#include "engine/HistoryStep.h"
#include "engine/SeasonEvents.h"
#include "engine/SeasonService.h"
#include "engine/SeasonText.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;

// A 64-event season in an order a date sort changes: later events earlier in the year.
std::string FullSeason(int shift) {
  std::string text = SeasonWithEvents(64);
  for (int i = 1; i <= 64; ++i) {
    const std::size_t at = text.find("[Event" + std::to_string(i) + "]");
    const std::size_t month = text.find("month=5", at);
    text.replace(month, 7, "month=" + std::to_string(1 + (i * 7 + shift) % 12));
  }
  return text;
}

// Two saved sets, "A" in the files.
struct Fixture {
  TempFolder game;
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  SeasonService service{*files, game.Text(), [] { return std::nullopt; }};
  Fixture() {
    // Every event's track installed, as in a player's full season.
    for (int i = 1; i <= 64; ++i) fs::create_directories(game / "tracks" / ("track" + std::to_string(i)));
    Place(FullSeason(3));
    service.Commit(service.PlanSetSave("B"), {"bench"});
    Place(FullSeason(0));
    service.Commit(service.PlanSetSave("A"), {"bench"});
  }
  void Place(const std::string& season) {
    WriteBytes(game / "seasons" / "67season.ini", season);
    WriteBytes(game / "seasons" / "gp.ini", season);
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

// Plan and commit, switching between A and B: each switch writes both files.
void BM_SetUse(benchmark::State& state) {
  Fixture& fixture = Shared();
  bool toB = true;
  for (auto _ : state) {
    const SeasonChange change = fixture.service.PlanSetUse(toB ? "B" : "A");
    if (fixture.service.Commit(change, {"bench"}).problem) {
      state.SkipWithError("set use failed");
      break;
    }
    toB = !toB;
  }
}
BENCHMARK(BM_SetUse)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: both files replaced safely with the bytes a switch writes, nothing else.
void BM_BareSafeReplaces(benchmark::State& state) {
  Fixture& fixture = Shared();
  const std::string a = FullSeason(0), b = FullSeason(3);
  fixture.Place(a);
  bool toB = true;
  for (auto _ : state) {
    const std::string& from = toB ? a : b;
    const std::string& to = toB ? b : a;
    if (!fixture.files->ReplaceFileContents(fixture.game.Text() + "\\seasons\\67season.ini", from, to) ||
        !fixture.files->ReplaceFileContents(fixture.game.Text() + "\\seasons\\gp.ini", from, to)) {
      state.SkipWithError("a replace failed");
      break;
    }
    toB = !toB;
  }
  fixture.Place(a);
}
BENCHMARK(BM_BareSafeReplaces)->Unit(benchmark::kMillisecond)->UseRealTime();

// The in-memory part of `sort`: the order and the reordered text of a 64-event file.
void BM_SortInMemory(benchmark::State& state) {
  const std::string text = FullSeason(0);
  for (auto _ : state) {
    std::string sorted = ReorderEvents(text, SortedEventOrder(text, SortKey::kDate));
    benchmark::DoNotOptimize(sorted);
  }
}
BENCHMARK(BM_SortInMemory)->Unit(benchmark::kMicrosecond);

// The in-memory part of `list`: the events and their marks from a read document, with the 64
// folder look-ups.
void BM_ListInMemory(benchmark::State& state) {
  Fixture& fixture = Shared();
  const ProfileDocument document = ProfileDocument::FromBytes(*fixture.files, "", FullSeason(0));
  for (auto _ : state) {
    SeasonEvents events = ReadSeasonEvents(document, *fixture.files, fixture.game.Text());
    benchmark::DoNotOptimize(events);
  }
}
BENCHMARK(BM_ListInMemory)->Unit(benchmark::kMicrosecond);

// The history's bookkeeping of a 100-file track, in memory: the step's record of what it holds
// (each file moved in, with what the command left) written and read back. Target: under 1 ms.
void BM_StepBookkeeping100Files(benchmark::State& state) {
  history::Step step;
  step.info.number = 7;
  step.info.command = "gridmoor-cli install calder";
  step.kept[0] = FullSeason(0);
  step.kept[1] = FullSeason(1);
  step.after[0] = history::Describe(FullSeason(2));
  step.after[1] = history::Describe(FullSeason(1));
  for (int i = 0; i < 100; ++i) {
    history::Entry entry;
    entry.path = "tracks\\calder\\file" + std::to_string(i) + ".lp";
    entry.game = true;
    entry.existed = i % 3 != 0;
    entry.after = "40960 1733650000." + std::to_string(100000000 + i);
    step.entries.push_back(entry);
  }
  step.folders.push_back({"tracks\\calder", true});
  for (auto _ : state) {
    const std::string record = history::Serialize(step);
    std::optional<history::Step> back = history::Parse(record);
    benchmark::DoNotOptimize(back);
  }
}
BENCHMARK(BM_StepBookkeeping100Files)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace gridmoor

BENCHMARK_MAIN();
