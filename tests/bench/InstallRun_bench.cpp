// A whole install run of a package with 20 MiB of track files into a game whose season and
// championship files hold 63 events each (championship chosen), beside its floors: a plain copy
// of the same nine files, a durable plain copy (each file flushed, as every copy of ours is),
// and two bare safe replaces of the season files (what the season step cannot do without).
// Targets: the run <= 1.15x the durable plain copy, the copy step <= 1.1x it, the season step
// near the two bare replaces. Run by hand on a Release build:
//   build/native/tests/bench/engine_bench

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include "engine/InstallRun.h"
#include "engine/SeasonHistory.h"
#include "engine/EngineTestSupport.h"
#include "engine/SeasonUpdate.h"
#include "engine/TrackFileCopy.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;

constexpr std::size_t kMiB = 1024 * 1024;

// Answers every box with OK and remembers the last one (the summary).
class SilentHost : public InstallHost {
 public:
  std::string gameFolder;
  std::string lastBox;
  MessageAnswer ShowMessage(const std::string& text, MessageButtons, MessageIcon) override {
    lastBox = text;
    return MessageAnswer::Ok;
  }
  void SetProgress(int) override {}
  std::string GameFolderText() override { return gameFolder; }
  bool IsChampionshipChecked() override { return true; }
  bool IsReplayChecked() override { return false; }
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
  void CheckSeasonBox() override {}
  void SetReadmeText(const std::string&) override {}
  void SetCaption(const std::string&) override {}
  void SetReplayOption(bool) override {}
  bool LoadScreenshot(const std::string&) override { return false; }
  void CloseDialog() override {}
};

// The package's files: a 12 MiB data file and eight of 1 MiB.
struct Fixture {
  TempFolder package;
  TempFolder game;
  std::string season = SeasonWithEvents(63);
  std::string championship = SeasonWithEvents(63);
  Fixture() {
    MakePackage(package.Path());
    std::mt19937 random(67);
    for (const std::string& name : PackageTrackFiles()) {
      std::string bytes((name == "dat" ? 12 : 1) * kMiB, '\0');
      for (char& c : bytes) c = static_cast<char>(random());
      WriteBytes(package / name, bytes);
    }
    MakeGameFolder(game.Path(), season);
    ResetSeasons();
  }
  void ResetSeasons() {
    WriteBytes(game / "seasons" / "67season.ini", season);
    WriteBytes(game / "seasons" / "gp.ini", championship);
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_InstallRun(benchmark::State& state) {
  Fixture& fixture = Shared();
  auto files = MakeNativeFileSystem();
  const TrackPackage package = PackageFor(fixture.package);
  for (auto _ : state) {
    state.PauseTiming();
    fixture.ResetSeasons();
    SilentHost host;
    host.gameFolder = fixture.game.Text();
    state.ResumeTiming();

    OnInstallTrack(host, *files, package);

    if (host.lastBox.find("went wrong") != std::string::npos ||
        host.lastBox.find("completed OK") == std::string::npos) {
      state.SkipWithError("the install run failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 20 * kMiB);
}
BENCHMARK(BM_InstallRun)->Unit(benchmark::kMillisecond)->UseRealTime();

// The two halves of the run, to tell where its time goes.
void BM_CopyStep(benchmark::State& state) {
  Fixture& fixture = Shared();
  auto files = MakeNativeFileSystem();
  const TrackPackage package = PackageFor(fixture.package);
  SilentHost host;
  for (auto _ : state) {
    if (!CopyTrackFiles(host, *files, package, fixture.game.Text())) {
      state.SkipWithError("the copy failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 20 * kMiB);
}
BENCHMARK(BM_CopyStep)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SeasonStep(benchmark::State& state) {
  Fixture& fixture = Shared();
  auto files = MakeNativeFileSystem();
  const TrackPackage package = PackageFor(fixture.package);
  SilentHost host;
  for (auto _ : state) {
    state.PauseTiming();
    fixture.ResetSeasons();
    state.ResumeTiming();
    if (!UpdateSeasonFiles(host, *files, package, fixture.game.Text())) {
      state.SkipWithError("the update failed");
      break;
    }
  }
}
BENCHMARK(BM_SeasonStep)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainCopy(benchmark::State& state) {
  Fixture& fixture = Shared();
  const fs::path target = fixture.game / "plain";
  fs::create_directories(target);
  for (auto _ : state) {
    for (const std::string& name : PackageTrackFiles())
      fs::copy_file(fixture.package / name, target / name, fs::copy_options::overwrite_existing);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 20 * kMiB);
}
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

// The nine files copied plainly, each flushed to disk after its copy. False when a flush failed.
bool DurablePlainCopy(const Fixture& fixture, const fs::path& target) {
  for (const std::string& name : PackageTrackFiles()) {
    fs::copy_file(fixture.package / name, target / name, fs::copy_options::overwrite_existing);
    const int fd = ::open((target / name).c_str(), O_WRONLY | O_CLOEXEC);
    const bool flushed = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    if (!flushed) return false;
  }
  return true;
}

// Both season files replaced safely with as many bytes as the season step writes, without
// reading or editing them. False when a replace failed.
bool BareSafeReplaces(FileSystem& files, const Fixture& fixture) {
  const std::string added = "\r\n[Event64]\r\nname=Grote Prijs van Nederland\r\n"
                            "shortname=Zandvoort\r\ntrackDirectory=zandvoort\r\n"
                            "numberOfLaps=90\r\nday=4\r\nmonth=6\r\nstartingGrid=3-2-3\r\n";
  return files.ReplaceFileContents(fixture.game.Text() + "\\seasons\\67season.ini",
                                   fixture.season, fixture.season + added) &&
         files.ReplaceFileContents(fixture.game.Text() + "\\seasons\\gp.ini",
                                   fixture.championship, fixture.championship + added);
}

void BM_DurablePlainCopy(benchmark::State& state) {
  Fixture& fixture = Shared();
  const fs::path target = fixture.game / "plain";
  fs::create_directories(target);
  for (auto _ : state) {
    if (!DurablePlainCopy(fixture, target)) {
      state.SkipWithError("flush failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 20 * kMiB);
}
BENCHMARK(BM_DurablePlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor of the season step.
void BM_BareSafeReplaces(benchmark::State& state) {
  Fixture& fixture = Shared();
  auto files = MakeNativeFileSystem();
  for (auto _ : state) {
    state.PauseTiming();
    fixture.ResetSeasons();
    state.ResumeTiming();
    if (!BareSafeReplaces(*files, fixture)) {
      state.SkipWithError("a replace failed");
      break;
    }
  }
}
BENCHMARK(BM_BareSafeReplaces)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor of the whole run: the durable plain copy and the two bare safe replaces.
void BM_DurableCopyAndBareReplaces(benchmark::State& state) {
  Fixture& fixture = Shared();
  auto files = MakeNativeFileSystem();
  const fs::path target = fixture.game / "plain";
  fs::create_directories(target);
  for (auto _ : state) {
    state.PauseTiming();
    fixture.ResetSeasons();
    state.ResumeTiming();
    if (!DurablePlainCopy(fixture, target) || !BareSafeReplaces(*files, fixture)) {
      state.SkipWithError("a flush or replace failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 20 * kMiB);
}
BENCHMARK(BM_DurableCopyAndBareReplaces)->Unit(benchmark::kMillisecond)->UseRealTime();

// The install as the dialog runs it over an earlier install's files: the undo step kept, the old
// files moved into it, the new ones copied, the track's record written (each file's digest).
// Target: <= 1.15x the durable copy and bare replaces above (the old files move by rename).
void ResetHistory(Fixture& fixture) {
  fs::remove_all(fixture.game / "seasons" / "gridmoor-undo");
  fs::remove_all(fixture.game / "seasons" / "gridmoor-tracks");
  fixture.ResetSeasons();
}

void InstallKeepingStep(Fixture& fixture, FileSystem& files, const TrackPackage& package,
                        benchmark::State& state) {
  SilentHost host;
  host.gameFolder = fixture.game.Text();
  OnInstallTrackKeepingStep(host, files, package, "bench");
  if (host.lastBox.find("completed OK") == std::string::npos)
    state.SkipWithError("the install run failed");
}

void BM_InstallOverATrackKeepingStep(benchmark::State& state) {
  Fixture& fixture = Shared();
  auto files = MakeNativeFileSystem();
  const TrackPackage package = PackageFor(fixture.package);
  for (auto _ : state) {
    state.PauseTiming();
    ResetHistory(fixture);
    state.ResumeTiming();
    InstallKeepingStep(fixture, *files, package, state);
  }
}
BENCHMARK(BM_InstallOverATrackKeepingStep)->Unit(benchmark::kMillisecond)->UseRealTime();

// Its restore: the new files moved into a redo step, the old ones renamed back, the season files
// replaced. Target: <= 1.2x the renames and replaces it needs (the floor below).
void BM_RestoreOfThatInstall(benchmark::State& state) {
  Fixture& fixture = Shared();
  auto files = MakeNativeFileSystem();
  const TrackPackage package = PackageFor(fixture.package);
  for (auto _ : state) {
    state.PauseTiming();
    ResetHistory(fixture);
    InstallKeepingStep(fixture, *files, package, state);
    state.ResumeTiming();
    if (RestoreNewestStep(*files, fixture.game.Text(), false).status != RestoreStatus::kRestored)
      state.SkipWithError("the restore failed");
  }
}
BENCHMARK(BM_RestoreOfThatInstall)->Unit(benchmark::kMillisecond)->UseRealTime();

// The restore's floor: each of the nine files renamed aside and the old one renamed back, then
// the two bare safe replaces.
void BM_RenamesAndBareReplaces(benchmark::State& state) {
  Fixture& fixture = Shared();
  auto files = MakeNativeFileSystem();
  const fs::path folder = fixture.game / "renames";
  fs::create_directories(folder);
  for (int i = 0; i < 9; ++i) WriteBytes(folder / ("f" + std::to_string(i)), "old");
  for (auto _ : state) {
    state.PauseTiming();
    fixture.ResetSeasons();
    state.ResumeTiming();
    for (int i = 0; i < 9; ++i) {
      const fs::path file = folder / ("f" + std::to_string(i));
      fs::rename(file, folder / ("a" + std::to_string(i)));
      fs::rename(folder / ("a" + std::to_string(i)), file);
    }
    if (!BareSafeReplaces(*files, fixture)) state.SkipWithError("a replace failed");
  }
}
BENCHMARK(BM_RenamesAndBareReplaces)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace gridmoor

BENCHMARK_MAIN();
