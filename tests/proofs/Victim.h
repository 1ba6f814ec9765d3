#pragma once
// Starting install_victim (a whole install in a process of its own) and ending it.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine/InstallProof.h"
#include "engine/SeasonProof.h"

namespace gridmoor::testing {

// A running install_victim; killed and reaped by the destructor if still running.
class Victim {
 public:
  Victim(const TempFolder& package, const TempFolder& game, const Scene& scene)
      : Victim({INSTALL_VICTIM, package.Text(), game.Text(), scene.championshipChosen ? "1" : "0",
                scene.replayChosen ? "1" : "0"}) {}
  // The install as the dialog runs it, keeping its undo step.
  static std::vector<std::string> Keeping(const TempFolder& package, const TempFolder& game,
                                          const Scene& scene) {
    return {INSTALL_VICTIM, "keep", package.Text(), game.Text(),
            scene.championshipChosen ? "1" : "0", scene.replayChosen ? "1" : "0"};
  }
  // One season command of SeasonScenes() on `game`.
  Victim(const std::string& seasonScene, const TempFolder& game)
      : Victim({INSTALL_VICTIM, "season", seasonScene, game.Text()}) {}
  explicit Victim(std::vector<std::string> args) {
    m_pid = ::fork();
    if (m_pid == 0) {
      std::vector<char*> argv;
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    EXPECT_GT(m_pid, 0) << "fork failed";
  }
  Victim(const Victim&) = delete;
  Victim& operator=(const Victim&) = delete;
  ~Victim() {
    if (m_pid > 0) Kill();
  }

  // Kills it (SIGKILL) and answers whether it had already ended by itself (then `exitCode`).
  bool Kill() {
    ::kill(m_pid, SIGKILL);
    return Reap();
  }
  // Waits for it to end; answers whether it ended by itself (then `exitCode`).
  bool Reap() {
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    if (!WIFEXITED(status)) return false;
    exitCode = WEXITSTATUS(status);
    return true;
  }

  int exitCode = -1;

 private:
  pid_t m_pid = -1;
};

constexpr int kVictimDone = static_cast<int>(InstallOutcome::kDone);

}  // namespace gridmoor::testing
