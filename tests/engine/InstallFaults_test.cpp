// Fault injection through FileSystem: for every N, the N-th file call of a whole install run
// fails (or every call from the N-th on, as when a disk goes away). Calls that may throw throw
// CFileException; calls that answer failure answer it (false, nothing, 0), and in one more sweep
// throw instead, as a broken implementation might; the two that promise never to throw
// (RemoveStaleTemporaries, FlushFolder) just do nothing. After each run the
// season files and track files are old or new whole, the summary claims only what is there, and
// the one error that may escape is the one from clearing a read-only mark.

#include <gtest/gtest.h>

#include <map>

#include "InstallProof.h"
#include "SeasonProof.h"
#include "engine/SeasonUpdate.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;

// Forwards to the real file system, counting calls; the chosen ones fail.
class InjectingFileSystem : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;

  int failAt = 0;            // 1-based; 0 fails nothing
  bool failOnward = false;   // also every call after failAt
  bool answersThrow = false;  // calls that answer failure throw it instead
  int calls = 0;
  std::vector<std::string> made;  // every call's name, in order
  std::string failedCall;    // the first call made to fail, for messages
  std::map<std::string, int> counted;  // "call file-name" -> times made

  int Count(const std::string& call, const std::string& fileName) const {
    const auto found = counted.find(call + " " + fileName);
    return found == counted.end() ? 0 : found->second;
  }

  std::optional<std::string> CurrentDirectory(std::size_t size) override {
    if (FailsAnswering("CurrentDirectory", "")) return std::nullopt;
    return ForwardingFileSystem::CurrentDirectory(size);
  }
  void CreateDirectoryLevel(const std::string& p) override {
    if (Fails("CreateDirectoryLevel", p)) throw CFileException(kCauseAccessDenied, p);
    ForwardingFileSystem::CreateDirectoryLevel(p);
  }
  void CopyFileOverwrite(const std::string& from, const std::string& to) override {
    if (Fails("CopyFileOverwrite", to)) throw CFileException(kCauseDiskFull, to);
    ForwardingFileSystem::CopyFileOverwrite(from, to);
  }
  std::unique_ptr<OpenFile> OpenExclusiveForRead(const std::string& p) override {
    if (Fails("OpenExclusiveForRead", p)) throw CFileException(kCauseSharingViolation, p);
    return ForwardingFileSystem::OpenExclusiveForRead(p);
  }
  FileStatus GetStatus(const std::string& p) override {
    if (Fails("GetStatus", p)) throw CFileException(kCauseHardIO, p);
    return ForwardingFileSystem::GetStatus(p);
  }
  void SetStatus(const std::string& p, const FileStatus& s) override {
    if (Fails("SetStatus", p)) throw CFileException(kCauseAccessDenied, p);
    ForwardingFileSystem::SetStatus(p, s);
  }
  std::optional<std::string> ReadWholeFile(const std::string& p, std::size_t max,
                                           bool* truncated) override {
    if (FailsAnswering("ReadWholeFile", p)) return std::nullopt;
    return ForwardingFileSystem::ReadWholeFile(p, max, truncated);
  }
  std::optional<std::string> ReadExistingFile(const std::string& p, std::size_t max) override {
    if (Fails("ReadExistingFile", p)) throw CFileException(kCauseHardIO, p);
    return ForwardingFileSystem::ReadExistingFile(p, max);
  }
  bool ReplaceFileContents(const std::string& p, const std::optional<std::string>& expected,
                           const std::string& bytes) override {
    if (FailsAnswering("ReplaceFileContents", p)) return false;
    return ForwardingFileSystem::ReplaceFileContents(p, expected, bytes);
  }
  bool RemoveFile(const std::string& p) override {
    return !FailsAnswering("RemoveFile", p) && ForwardingFileSystem::RemoveFile(p);
  }
  bool RemoveFolderTree(const std::string& p) override {
    return !FailsAnswering("RemoveFolderTree", p) && ForwardingFileSystem::RemoveFolderTree(p);
  }
  int RemoveStaleTemporaries(const std::string& folder) override {
    if (Fails("RemoveStaleTemporaries", folder)) return 0;
    return ForwardingFileSystem::RemoveStaleTemporaries(folder);
  }
  void FlushFolder(const std::string& folder) override {
    if (!Fails("FlushFolder", folder)) ForwardingFileSystem::FlushFolder(folder);
  }

  // Calls that answer their failure rather than throw it.
  static bool Answers(const std::string& call) {
    return call == "CurrentDirectory" || call == "ReadWholeFile" ||
           call == "ReplaceFileContents" || call == "RemoveFile" || call == "RemoveFolderTree";
  }

 private:
  bool FailsAnswering(const char* call, const std::string& path) {
    if (!Fails(call, path)) return false;
    if (answersThrow) throw CFileException(kCauseHardIO, path);
    return true;
  }
  bool Fails(const char* call, const std::string& path) {
    ++calls;
    made.push_back(call);
    ++counted[std::string(call) + " " + path.substr(path.find_last_of("\\/") + 1)];
    const bool fails = failAt > 0 && (calls == failAt || (failOnward && calls > failAt));
    if (fails && failedCall.empty()) failedCall = std::string(call) + " " + path;
    return fails;
  }
};

// Each season file is read once and replaced once by the update; the whole run reads
// 67season.ini twice at most (the limit test and the update).
TEST(InstallFileCalls, TheUpdateReadsAndReplacesEachSeasonFileOnce) {
  const Scene& scene = Scenes().front();  // both files chosen, a new event in each
  TempFolder package;
  MakePackage(package.Path());
  TempFolder game;
  std::unique_ptr<FileSystem> native = MakeNativeFileSystem();
  Arrange(*native, game.Path(), scene);
  for (const char* name : {"67season.ini", "gp.ini"})
    SetReadOnly(*native, (game / "seasons" / name).string(), false);  // the check's job
  InjectingFileSystem files(*native);
  YesHost host;
  host.gameFolder = game.Text();
  host.championshipChecked = true;

  ASSERT_TRUE(UpdateSeasonFiles(host, files, PackageFor(package), game.Text()));
  for (const char* name : {"67season.ini", "gp.ini"}) {
    EXPECT_EQ(files.Count("ReadExistingFile", name) + files.Count("ReadWholeFile", name), 1)
        << name;
    EXPECT_EQ(files.Count("ReplaceFileContents", name), 1) << name;
  }

  ResetSeasons(*native, game.Path(), scene);
  InjectingFileSystem run(*native);
  ASSERT_EQ(OnInstallTrack(host, run, PackageFor(package)), InstallOutcome::kDone);
  EXPECT_LE(run.Count("ReadExistingFile", "67season.ini") +
                run.Count("ReadWholeFile", "67season.ini"),
            2);
  EXPECT_EQ(run.Count("ReplaceFileContents", "67season.ini"), 1);
  std::cout << "[proof] file calls of a whole run:";
  for (const auto& [call, times] : run.counted) std::cout << " " << call << " x" << times << ";";
  std::cout << std::endl;
}

// What killed runs left in the folders a run writes goes; everything else stays, also a
// temporary name in a folder the run does not write.
TEST(InstallLeftovers, ARunRemovesOurTemporariesFromTheFoldersItWrites) {
  const Scene& scene = Scenes()[1];  // replay chosen, an earlier install in place
  TempFolder package;
  MakePackage(package.Path());
  TempFolder game;
  std::unique_ptr<FileSystem> native = MakeNativeFileSystem();
  Arrange(*native, game.Path(), scene);
  const std::vector<std::string> leftovers = {
      "seasons/67season.ini.~0badf00d", "seasons/gp.ini.~12345678",
      "tracks/zandvoort/zandvoort.dat.~9abcdef0", "replay/zandvoort_wr.rpy.~00000000"};
  const std::vector<std::string> kept = {"seasons/67season.ini.bak", "seasons/notes.~1234",
                                         "tracks/monaco.dat.~0badf00d", "replay/old.rpy"};
  for (const std::string& name : leftovers) WriteBytes(game / name, "cut");
  for (const std::string& name : kept) WriteBytes(game / name, "someone's");
  YesHost host;
  host.gameFolder = game.Text();
  host.championshipChecked = scene.championshipChosen;
  host.replayChecked = scene.replayChosen;

  ASSERT_EQ(OnInstallTrack(host, *native, PackageFor(package)), InstallOutcome::kDone);
  for (const std::string& name : leftovers) EXPECT_FALSE(fs::exists(game / name)) << name;
  for (const std::string& name : kept) EXPECT_EQ(ReadBytes(game / name), "someone's") << name;
}

// One scene, every N, each kind of failure.
class InstallFaults : public ::testing::TestWithParam<Scene> {};

struct FaultKind {
  const char* name;
  bool onward;
  bool answersThrow;
};
constexpr FaultKind kFaultKinds[] = {{"call", false, false},
                                     {"every call from", true, false},
                                     {"throwing call", false, true}};

TEST_P(InstallFaults, EveryFailedCallLeavesOldOrWholeNewAndAnHonestSummary) {
  const Scene& scene = GetParam();
  TempFolder package;
  MakePackage(package.Path());
  const TrackPackage track = PackageFor(package);
  const CleanAfter after = CleanRun(scene, package);
  std::unique_ptr<FileSystem> native = MakeNativeFileSystem();
  std::vector<std::string> calls;  // of a run without faults
  {
    TempFolder game;
    Arrange(*native, game.Path(), scene);
    InjectingFileSystem files(*native);
    YesHost host;
    host.gameFolder = game.Text();
    host.championshipChecked = scene.championshipChosen;
    host.replayChecked = scene.replayChosen;
    ASSERT_EQ(OnInstallTrack(host, files, track), InstallOutcome::kDone);
    calls = files.made;
  }

  Tally tally{std::string("fault injection, ") + scene.name};
  for (const FaultKind& kind : kFaultKinds) {
    for (int n = 1; n <= static_cast<int>(calls.size()); ++n) {
      // Throwing instead of answering differs only where the call answers.
      if (kind.answersThrow && !InjectingFileSystem::Answers(calls[n - 1])) continue;
      TempFolder game;
      Arrange(*native, game.Path(), scene);
      InjectingFileSystem files(*native);
      files.failAt = n;
      files.failOnward = kind.onward;
      files.answersThrow = kind.answersThrow;
      YesHost host;
      host.gameFolder = game.Text();
      host.championshipChecked = scene.championshipChosen;
      host.replayChecked = scene.replayChosen;

      bool escaped = false;
      try {
        OnInstallTrack(host, files, track);
      } catch (const CFileException&) {
        escaped = true;
      }
      tally.Count(std::string("failed at ") + kind.name);
      Inspection found = Inspect(game.Path(), package.Path(), scene, after, track);
      const std::string summary = host.Summary();
      CheckSummary(summary, scene, found, found.faults);
      const bool clearing = files.failedCall.rfind("GetStatus", 0) == 0 ||
                            files.failedCall.rfind("SetStatus", 0) == 0;
      if (escaped) {
        tally.Count("escaped while clearing a mark");
        if (!clearing) found.faults.push_back("an error escaped from " + files.failedCall);
        if (!summary.empty() || host.Closed()) found.faults.push_back("escape after a summary");
        if (found.season != End::kOld || found.copy != End::kOld)
          found.faults.push_back("an escaped run wrote");
      } else {
        if (!host.Closed()) found.faults.push_back("the dialog was not closed");
        if (summary.empty()) tally.Count("refused before the copy");
      }
      if (found.temporaries != 0) found.faults.push_back("temporary files left");
      tally.Add(found);
      for (const std::string& fault : found.faults)
        ADD_FAILURE() << scene.name << ", " << kind.name << " " << n << " ("
                      << files.failedCall << ") failed: " << fault;
    }
  }
  tally.Print();
  EXPECT_GE(tally.runs, 2 * static_cast<int>(calls.size()));
  EXPECT_GT(tally.season[static_cast<int>(End::kOld)], 0);
}

INSTANTIATE_TEST_SUITE_P(Scenes, InstallFaults, ::testing::ValuesIn(Scenes()),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

// The season commands under the same faults: the commit's every file call fails in turn.
class SeasonFaults : public ::testing::TestWithParam<SeasonScene> {};

TEST_P(SeasonFaults, EveryFailedCallLeavesOldOrWholeNewAndRestoreBringsBackTheStart) {
  const SeasonScene& scene = GetParam();
  std::unique_ptr<FileSystem> native = MakeNativeFileSystem();
  std::vector<std::string> calls;  // of a commit without faults
  {
    TempFolder game;
    ArrangeSeasonScene(scene, game);
    InjectingFileSystem files(*native);
    SeasonService service(files, game.Text(), [] { return std::nullopt; });
    ASSERT_FALSE(service.Commit(scene.plan(service), {"proof"}).problem);
    calls = files.made;
  }
  Tally tally{std::string("fault injection, season command ") + scene.name};
  for (const FaultKind& kind : kFaultKinds) {
    for (int n = 1; n <= static_cast<int>(calls.size()); ++n) {
      if (kind.answersThrow && !InjectingFileSystem::Answers(calls[n - 1])) continue;
      TempFolder game;
      const SeasonEnds ends = ArrangeSeasonScene(scene, game);
      InjectingFileSystem files(*native);
      SeasonService service(files, game.Text(), [] { return std::nullopt; });
      const SeasonChange change = scene.plan(service);
      files.failAt = n + static_cast<int>(files.made.size());
      files.failOnward = kind.onward;
      files.answersThrow = kind.answersThrow;
      const CommitResult result = service.Commit(change, {"proof"});
      tally.Count(result.problem ? "refused or failed" : "completed");
      for (const std::string& fault : CheckSeasonEnd(game, ends, tally))
        ADD_FAILURE() << scene.name << ", " << kind.name << " " << n << " (" << files.failedCall
                      << "): " << fault;
    }
  }
  tally.Print();
  EXPECT_GT(tally.season[static_cast<int>(End::kOld)], 0);
  EXPECT_GT(tally.season[static_cast<int>(End::kNew)], 0);
}

INSTANTIATE_TEST_SUITE_P(SeasonScenes, SeasonFaults, ::testing::ValuesIn(SeasonScenes()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace gridmoor
