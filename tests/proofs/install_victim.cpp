// One whole install, as "Install Track" runs it, for the kill loop to kill at random moments:
//   install_victim [keep] <package folder> <game folder> <championship 0|1> <replay 0|1>
// (keep: with the undo step the dialog keeps, the files it replaces moved into it)
// Reads the package from its folder as the program does, answers Yes to every question, and
// exits with the run's InstallOutcome (kDone is 5); 100 when an error escaped, 101 when the
// package did not load, 2 on bad arguments.
// Or one season command of the proofs' scenes, planned and committed as the front ends do:
//   install_victim season <scene name> <game folder>
// exiting 0 when it was committed, 1 when it was refused or failed.

#include <unistd.h>

#include <cstdio>
#include <string>

#include "engine/InstallRun.h"
#include "engine/SeasonProof.h"
#include "engine/TrackPackage.h"
#include "platform/FileException.h"

namespace {

using namespace gridmoor;

class QuietHost : public InstallHost {
 public:
  QuietHost(std::string folder, bool championship, bool replay)
      : m_folder(std::move(folder)), m_championship(championship), m_replay(replay) {}
  MessageAnswer ShowMessage(const std::string&, MessageButtons buttons, MessageIcon) override {
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
  }
  void SetProgress(int) override {}
  std::string GameFolderText() override { return m_folder; }
  bool IsChampionshipChecked() override { return m_championship; }
  bool IsReplayChecked() override { return m_replay; }
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
  void CheckSeasonBox() override {}
  void SetReadmeText(const std::string&) override {}
  void SetCaption(const std::string&) override {}
  void SetReplayOption(bool) override {}
  bool LoadScreenshot(const std::string&) override { return true; }
  void CloseDialog() override {}

 private:
  std::string m_folder;
  bool m_championship;
  bool m_replay;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "season") {
    std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
    SeasonService service(*files, argv[3], [] { return std::nullopt; });
    for (const gridmoor::testing::SeasonScene& scene : gridmoor::testing::SeasonScenes()) {
      if (scene.name == std::string(argv[2]))
        return service.Commit(scene.plan(service), {"proof"}).problem ? 1 : 0;
    }
    return 2;
  }
  // "keep": the install as the dialog runs it, keeping its undo step (the files it replaces).
  const bool keep = argc == 6 && std::string(argv[1]) == "keep";
  if (keep) {
    ++argv;
    --argc;
  }
  if (argc != 5) {
    std::fprintf(stderr, "usage: install_victim PACKAGE GAME CHAMPIONSHIP(0|1) REPLAY(0|1)\n");
    return 2;
  }
  if (::chdir(argv[1]) != 0) return 2;
  QuietHost host(argv[2], argv[3][0] == '1', argv[4][0] == '1');
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  TrackPackage package;
  if (!LoadPackage(host, *files, package)) return 101;
  try {
    return static_cast<int>(keep ? OnInstallTrackKeepingStep(host, *files, package, "proof")
                                 : OnInstallTrack(host, *files, package));
  } catch (const CFileException&) {
    return 100;
  }
}
