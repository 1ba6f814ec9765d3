// The commit: the refusals a change meets now, and its writes in the order they must reach the
// disk; the bracket of a command that writes the season files itself.

#include <exception>
#include <functional>
#include <set>

#include "engine/FileErrorText.h"
#include "engine/GameFiles.h"
#include "engine/SeasonFormats.h"
#include "engine/SeasonHistory.h"
#include "engine/SeasonPlanning.h"
#include "engine/SeasonService.h"
#include "engine/WriteAccessCheck.h"
#include "platform/FileException.h"

namespace gridmoor {

SeasonProblem SeasonService::Check(const SeasonChange& change, const CommitOptions& options) const {
  if (change.Problem()) return change.Problem();
  if (!change.ChangesSeasonFiles()) return {};
  // The game, and the real reason a file (or the undo folder) cannot be written, before anything.
  const SeasonFileChoice changed{change.Changes(SeasonFileId::kSeason),
                                 change.Changes(SeasonFileId::kChampionship)};
  if (SeasonProblem problem = CheckCommand(changed, options)) return problem;
  for (const SeasonFileId file : kBothSeasonFiles) {
    if (change.Changes(file) && change.Before(file) && !options.clearReadOnly &&
        HasReadOnlyMark(m_files, PathOf(file))) {
      return MakeProblem(SeasonRefusal::kReadOnly, SeasonFileNameOf(file), "it is marked read-only",
                     PathOf(file));
    }
  }
  return {};
}

namespace {

// One commit's writes, in the order they must reach the disk: the undo step, the files of ours
// that keep what the season files lose, the season files, the rest of ours. The replaces go to
// the file system together, one group per kind, so it can share its flushes; a deletion, or a
// folder of ours still to make, is done on its own between them.
class CommitRun {
 public:
  CommitRun(FileSystem& files, const std::string& game, CommitResult& result)
      : m_files(files), m_game(game), m_result(result) {}

  enum class Phase { kStep, kBefore, kSeason, kAfter };
  struct Write {
    Phase phase;
    std::string path;
    std::optional<std::string> expected;
    std::optional<std::string> bytes;  // nullopt: delete the file
  };

  // The writes of `change` in their order, the undo step first when the season files change;
  // false (kUndoNotKept) when that step cannot be planned.
  bool Plan(const SeasonChange& change, const std::string& command,
            const std::function<std::string(SeasonFileId)>& pathOf) {
    const SeasonChange::Parts& parts = change.Built();
    // The step holds everything the command changes inside the game folder: the season files,
    // the files of ours, and the tracks it deletes (moved into it).
    StepScope scope;
    std::vector<std::optional<std::string>> ownAfter;
    for (const SeasonChange::OwnWrite& write : parts.writes) {
      if (!Inside(write.path)) continue;  // an export to the player's own folder
      scope.ownFiles.push_back(write.path);
      ownAfter.push_back(write.bytes);
    }
    for (const std::string& folder : parts.deleteFolders) {
      scope.folders.push_back(folder);
      AddFilesOf(folder, scope, 0);
    }
    for (const std::string& file : parts.deleteFiles) scope.gameFiles.push_back(file);
    if (change.ChangesSeasonFiles() || !scope.ownFiles.empty() || !scope.gameFiles.empty()) {
      std::optional<std::string> after[kSeasonFileCount];
      try {
        for (const SeasonFileId file : kBothSeasonFiles) {
          const int i = static_cast<int>(file);
          after[i] = change.Changes(file)
                         ? parts.after[i]
                         : m_files.ReadExistingFile(pathOf(file), kMaxSeasonFileBytes);
        }
      } catch (const std::exception&) {
        return UndoNotKept();
      }
      const std::optional<PlannedStep> step =
          PlanSeasonStep(m_files, m_game, command, after, scope, ownAfter);
      if (!step) return UndoNotKept();
      m_stepNumber = step->number;
      m_writes.push_back({Phase::kStep, step->record.path, step->record.expected, step->record.bytes});
    }
    for (const SeasonChange::OwnWrite& write : parts.writes) {
      if (write.beforeSeason) m_writes.push_back({Phase::kBefore, write.path, write.expected, write.bytes});
    }
    for (const SeasonFileId file : kBothSeasonFiles) {
      if (change.Changes(file))
        m_writes.push_back({Phase::kSeason, pathOf(file), change.Before(file), change.After(file)});
    }
    for (const SeasonChange::OwnWrite& write : parts.writes) {
      if (!write.beforeSeason) m_writes.push_back({Phase::kAfter, write.path, write.expected, write.bytes});
    }
    return true;
  }

  // What a commit killed mid-write left in the folders written (our ".~" temporaries) goes
  // first; only in the game's own seasons folders: an export target is the player's folder,
  // whose files we do not know.
  void ClearStaleTemporaries() {
    std::set<std::string> folders;
    for (const Write& write : m_writes) folders.insert(FolderOf(write.path));
    const std::string seasons = m_game + kSeasonsFolder;
    for (const std::string& folder : folders) {
      if (folder.compare(0, seasons.size(), seasons) == 0) m_files.RemoveStaleTemporaries(folder);
    }
  }

  int StepNumber() const { return m_stepNumber; }

  // Every write in order; false after the first that fails (the problem set, the step settled).
  bool WriteAll() {
    const std::string ours = m_game + kSeasonsFolder + "\\gridmoor-";
    for (const Write& write : m_writes) {
      // Once the step is durable, the files the command deletes move into it.
      if (m_stepNumber != 0 && !m_moved && write.phase != Phase::kStep) {
        if (!Flush() || !MoveFiles()) return false;
      }
      const bool makeFolder =
          write.path.compare(0, ours.size(), ours) == 0 && !IsFolder(m_files, FolderOf(write.path));
      if (!write.bytes || makeFolder) {
        if (!Flush()) return false;
        if (!WriteAlone(write)) return Failed(write);
        if (!write.bytes) continue;
      }
      if (m_batch.empty() || m_batch.back()->phase != write.phase) m_groups.emplace_back();
      m_groups.back().push_back({write.path, write.expected, *write.bytes});
      m_batch.push_back(&write);
    }
    return Flush() && (m_stepNumber == 0 || m_moved || MoveFiles());
  }

 private:
  bool Inside(const std::string& path) const {
    return path.size() > m_game.size() + 1 && path.compare(0, m_game.size(), m_game) == 0 &&
           path[m_game.size()] == '\\';
  }

  // The files of a track folder to delete, its subfolders' too.
  void AddFilesOf(const std::string& folder, StepScope& scope, int depth) {
    const std::optional<std::vector<FolderEntry>> entries = m_files.ListFolder(folder);
    if (!entries) return;
    for (const FolderEntry& entry : *entries) {
      const std::string path = folder + "\\" + entry.name;
      if (!entry.isFolder) {
        scope.gameFiles.push_back(path);
      } else if (depth < 8) {
        scope.folders.push_back(path);
        AddFilesOf(path, scope, depth + 1);
      }
    }
  }

  bool MoveFiles() {
    m_moved = true;
    if (MoveIntoStep(m_files, m_game, m_stepNumber)) return true;
    m_result.problem = MakeProblem(SeasonRefusal::kUndoNotKept, "",
                                   "the files to delete cannot be moved into the undo step",
                                   HistoryFolder(m_game));
    SettleFailedStep(m_files, m_game);
    return false;
  }

  static std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }

  // A deletion (read once more right before: a change made meanwhile stays), or the folder of
  // ours a replace needs.
  bool WriteAlone(const Write& write) {
    try {
      if (write.bytes) {
        m_files.CreateDirectoryLevel(FolderOf(write.path));
        return true;
      }
      const std::optional<std::string> now =
          write.phase == Phase::kSeason ? m_files.ReadExistingFile(write.path, kMaxSeasonFileBytes)
                                        : ReadOwnFile(m_files, write.path, kMaxSetBytes);
      return now == write.expected && m_files.RemoveFile(write.path);
    } catch (const std::exception&) {
      return false;
    }
  }

  bool Flush() {
    const std::size_t done = m_batch.empty() ? 0 : m_files.ReplaceFilesInOrder(m_groups);
    for (std::size_t i = 0; i < done; ++i) {
      if (m_batch[i]->phase == Phase::kStep) m_result.stepKept = true;
    }
    const bool whole = done == m_batch.size();
    if (!whole) Failed(*m_batch[done]);
    m_groups.clear();
    m_batch.clear();
    return whole;
  }

  bool Failed(const Write& write) {
    if (write.phase == Phase::kStep) return UndoNotKept();
    m_result.problem = WriteFailed(write.path);
    if (m_result.stepKept && write.phase != Phase::kAfter) SettleFailedStep(m_files, m_game);
    return false;
  }

  bool UndoNotKept() {
    m_result.problem = MakeProblem(SeasonRefusal::kUndoNotKept, "", "the undo step cannot be written",
                                   HistoryFolder(m_game));
    return false;
  }

 public:
  static SeasonProblem WriteFailed(const std::string& path) {
    return MakeProblem(SeasonRefusal::kWriteFailed, path,
                       "it could not be written (changed meanwhile, or no room or right to write "
                       "a new file beside it)",
                       path);
  }

 private:
  FileSystem& m_files;  // not owned
  const std::string& m_game;
  CommitResult& m_result;
  std::vector<Write> m_writes;
  std::vector<std::vector<FileReplacement>> m_groups;
  std::vector<const Write*> m_batch;
  int m_stepNumber = 0;
  bool m_moved = false;
};

}  // namespace

// The read-only marks of the season files the change writes, cleared; the problem when one
// cannot be.
SeasonProblem SeasonService::ClearMarks(const SeasonChange& change) {
  for (const std::string& path : ReadOnlyFiles(change)) {
    try {
      ClearReadOnlyMark(m_files, path);
    } catch (const CFileException& error) {
      return MakeProblem(SeasonRefusal::kNotWritable, "",
                         std::string("its read-only mark cannot be cleared: ") +
                             FileErrorReason(error.Cause()),
                         path);
    }
  }
  return {};
}

CommitResult SeasonService::Commit(const SeasonChange& change, const CommitOptions& options) {
  CommitResult result;
  result.problem = Check(change, options);
  if (result.problem) return result;
  if (change.ChangesSeasonFiles() && options.clearReadOnly) {
    result.problem = ClearMarks(change);
    if (result.problem) return result;
  }
  RunningCommand running(m_files, m_gameFolder);
  if (!running.Taken()) {
    result.problem = MakeProblem(SeasonRefusal::kNotWritable, "",
                                 "another command of ours is changing this game folder; try again "
                                 "when it has ended",
                                 HistoryFolder(m_gameFolder));
    return result;
  }
  CommitRun run(m_files, m_gameFolder, result);
  if (!run.Plan(change, options.command, [this](SeasonFileId file) { return PathOf(file); }))
    return result;
  if (run.StepNumber() != 0) running.Note("command " + std::to_string(run.StepNumber()));
  run.ClearStaleTemporaries();
  if (!run.WriteAll()) return result;
  for (const std::string& folder : change.Built().deleteFolders) {
    if (!m_files.RemoveFolderTree(folder)) {
      result.problem =
          MakeProblem(SeasonRefusal::kWriteFailed, folder, "it could not be deleted whole", folder);
      return result;
    }
  }
  for (const std::string& file : change.Built().deleteFiles) {
    if (!m_files.RemoveFile(file)) {
      result.problem = CommitRun::WriteFailed(file);
      return result;
    }
  }
  running.Finished();
  return result;
}

SeasonProblem SeasonService::CheckCommand(SeasonFileChoice choice,
                                          const CommitOptions& options) const {
  if (!options.evenIfGameRuns) {
    if (const std::optional<std::string> running = RunningGame()) {
      return MakeProblem(SeasonRefusal::kGameRunning, *running,
                         "the game holds the season in memory and may write it back");
    }
  }
  std::vector<std::string> paths;
  for (const SeasonFileId file : kBothSeasonFiles) {
    if (choice.Has(file)) paths.push_back(PathOf(file));
  }
  if (const std::optional<std::string> blocker = FindWriteBlocker(m_files, m_gameFolder, paths))
    return MakeProblem(SeasonRefusal::kNotWritable, "", *blocker);
  return {};
}

bool SeasonService::BeginCommand(const std::string& command) {
  m_running = std::make_shared<RunningCommand>(m_files, m_gameFolder);
  const int number = m_running->Taken() ? KeepSeasonStep(m_files, m_gameFolder, command) : 0;
  if (number == 0) {
    m_running.reset();
    return false;
  }
  m_running->Note("command " + std::to_string(number));
  return true;
}

bool SeasonService::KeepFiles(const StepScope& scope) {
  return m_running && KeepGameFiles(m_files, m_gameFolder, scope);
}

std::string SeasonService::UndoCommand() {
  if (!m_running) return {};
  m_running.reset();  // lets go of the folder, leaving the note that names the step
  return SettleInterrupted(m_files, m_gameFolder);
}

void SeasonService::EndCommand() {
  DropUnchangedStep(m_files, m_gameFolder);
  if (m_running) m_running->Finished();
  m_running.reset();
}

}  // namespace gridmoor
