// The lock race: another process takes the season files' exclusive lock (flock LOCK_EX, as
// OpenExclusiveForRead and Windows' unshared open do) on and off while installs run. A run may
// be refused or fail its update, but each season file holds its old bytes or the whole new
// event, and the summary claims only what is there: a held file is never read as an empty one.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <thread>

#include "engine/InstallProof.h"
#include "engine/SeasonProof.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;

// A process that locks one of `paths` at random for up to 2 ms, lets go for up to 2 ms, and
// so on until it is killed. Each lock opens the path afresh, as a program reopening the file.
class Locker {
 public:
  explicit Locker(std::vector<std::string> paths, unsigned seed) {
    m_pid = ::fork();
    if (m_pid != 0) return;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pause(0, 2000);
    std::uniform_int_distribution<std::size_t> which(0, paths.size() - 1);
    for (;;) {
      const int fd = ::open(paths[which(random)].c_str(), O_RDONLY | O_CLOEXEC);
      if (fd >= 0) {
        if (::flock(fd, LOCK_EX) == 0) {
          std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
          ::flock(fd, LOCK_UN);
        }
        ::close(fd);
      }
      std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
    }
  }
  Locker(const Locker&) = delete;
  Locker& operator=(const Locker&) = delete;
  ~Locker() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
  }
  bool Started() const { return m_pid > 0; }

 private:
  pid_t m_pid = -1;
};

TEST(LockRace, AFileLockedOnAndOffIsNeverWrittenOverOrClaimed) {
  const int runs = ProofRuns(60);
  const Scene& scene = Scenes()[0];  // a new event in both files, read-only marks cleared
  TempFolder package;
  MakePackage(package.Path());
  const TrackPackage track = PackageFor(package);
  const CleanAfter after = CleanRun(scene, package);
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  TempFolder game;
  Arrange(*files, game.Path(), scene);

  const unsigned seed = std::random_device()();
  Locker locker({(game / "seasons" / "67season.ini").string(),
                 (game / "seasons" / "gp.ini").string()},
                seed);
  ASSERT_TRUE(locker.Started());

  Tally tally{"lock race (seed " + std::to_string(seed) + ")"};
  int completed = 0;
  for (int i = 0; i < runs; ++i) {
    ResetSeasons(*files, game.Path(), scene);
    YesHost host;
    host.gameFolder = game.Text();
    host.championshipChecked = scene.championshipChosen;
    host.replayChecked = scene.replayChosen;
    const InstallOutcome outcome = OnInstallTrack(host, *files, track);
    if (outcome == InstallOutcome::kDone) ++completed;
    tally.Count(outcome == InstallOutcome::kRefused       ? "refused by the write check"
                : outcome == InstallOutcome::kUpdateFailed ? "update refused"
                : outcome == InstallOutcome::kDone         ? "completed"
                                                           : "other ends");

    Inspection found = Inspect(game.Path(), package.Path(), scene, after, track);
    CheckSummary(host.Summary(), scene, found, found.faults);
    if (found.temporaries != 0) found.faults.push_back("temporary files left");
    tally.Add(found);
    for (const std::string& fault : found.faults) ADD_FAILURE() << "run " << i << ": " << fault;
  }
  tally.Print();
  // The race was real: some runs met a held file.
  EXPECT_LT(completed, runs);
}

// The season commands while the files are locked on and off: a commit may fail, but each file
// holds its old or whole new bytes and restore brings back the start.
TEST(LockRace, ASeasonCommandMeetingALockedFileLeavesOldOrNewAndRestorable) {
  const int runs = ProofRuns(60) / 3 + 1;
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  Tally tally{"lock race, season commands"};
  int completed = 0;
  for (const SeasonScene& scene : SeasonScenes()) {
    TempFolder game;
    ArrangeSeasonScene(scene, game);
    Locker locker({(game / "seasons" / "67season.ini").string(),
                   (game / "seasons" / "gp.ini").string()},
                  std::random_device()());
    ASSERT_TRUE(locker.Started());
    for (int i = 0; i < runs; ++i) {
      const SeasonEnds ends = ArrangeSeasonScene(scene, game);
      SeasonService service(*files, game.Text(), [] { return std::nullopt; });
      const bool done = !service.Commit(scene.plan(service), {"proof"}).problem;
      if (done) ++completed;
      tally.Count(done ? "completed" : "refused or failed");
      for (const std::string& fault : CheckSeasonEnd(game, ends, tally))
        ADD_FAILURE() << scene.name << " run " << i << ": " << fault;
    }
  }
  tally.Print();
  EXPECT_GT(completed, 0);
}

}  // namespace
}  // namespace gridmoor
