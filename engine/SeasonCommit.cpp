// The commit: the refusals a change meets now, and its writes in the order they must reach the
// disk; the bracket of a command that writes the season files itself.

#include <exception>
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

CommitResult SeasonService::Commit(const SeasonChange& change, const CommitOptions& options) {
  CommitResult result;
  result.problem = Check(change, options);
  if (result.problem) return result;
  const auto fail = [&result](const std::string& path) {
    result.problem = MakeProblem(SeasonRefusal::kWriteFailed, path,
                             "it could not be written (changed meanwhile, or no room or right to "
                             "write a new file beside it)",
                             path);
  };

  const bool season = change.ChangesSeasonFiles();
  if (season && options.clearReadOnly) {
    for (const SeasonFileId file : kBothSeasonFiles) {
      if (!change.Changes(file) || !change.Before(file)) continue;
      try {
        if (HasReadOnlyMark(m_files, PathOf(file))) ClearReadOnlyMark(m_files, PathOf(file));
      } catch (const CFileException& error) {
        result.problem = MakeProblem(SeasonRefusal::kNotWritable, SeasonFileNameOf(file),
                                 std::string("its read-only mark cannot be cleared: ") +
                                     FileErrorReason(error.Cause()),
                                 PathOf(file));
        return result;
      }
    }
  }
  // The writes in the order they must reach the disk: the undo step, the files of ours that
  // keep what the season files lose, the season files, the rest of ours. The replaces go to the
  // file system together, one group per kind, so it can share its flushes; a deletion, or a
  // folder of ours still to make, is done on its own between them.
  enum class Phase { kStep, kBefore, kSeason, kAfter };
  struct Write {
    Phase phase;
    std::string path;
    std::optional<std::string> expected;
    std::optional<std::string> bytes;  // nullopt: delete the file
  };
  std::vector<Write> writes;
  if (season) {
    const std::optional<std::string> after[2] = {change.After(SeasonFileId::kSeason),
                                                 change.After(SeasonFileId::kChampionship)};
    const std::optional<FileReplacement> step =
        PlanSeasonStep(m_files, m_gameFolder, options.command, after);
    if (step) writes.push_back({Phase::kStep, step->path, step->expected, step->bytes});
  }
  for (const SeasonChange::OwnWrite& write : change.Built().writes) {
    if (write.beforeSeason)
      writes.push_back({Phase::kBefore, write.path, write.expected, write.bytes});
  }
  for (const SeasonFileId file : kBothSeasonFiles) {
    if (change.Changes(file))
      writes.push_back({Phase::kSeason, PathOf(file), change.Before(file), change.After(file)});
  }
  for (const SeasonChange::OwnWrite& write : change.Built().writes) {
    if (!write.beforeSeason)
      writes.push_back({Phase::kAfter, write.path, write.expected, write.bytes});
  }
  const auto undoNotKept = [&result, this] {
    result.problem = MakeProblem(SeasonRefusal::kUndoNotKept, "", "the undo step cannot be written",
                             HistoryFolder(m_gameFolder));
  };
  if (season && (writes.empty() || writes.front().phase != Phase::kStep)) {
    undoNotKept();
    return result;
  }
  const auto failed = [&](const Write& write) {
    if (write.phase == Phase::kStep) return undoNotKept();
    fail(write.path);
    if (result.stepKept && write.phase != Phase::kAfter) SettleFailedStep(m_files, m_gameFolder);
  };
  // What a commit killed mid-write left in these folders goes first (our ".~" temporaries only).
  std::set<std::string> folders;
  for (const Write& write : writes) folders.insert(write.path.substr(0, write.path.rfind('\\')));
  // Only in the game's own seasons folders: an export target is the player's folder, whose
  // files we do not know.
  const std::string seasons = m_gameFolder + kSeasonsFolder;
  for (const std::string& folder : folders) {
    if (folder.compare(0, seasons.size(), seasons) == 0) m_files.RemoveStaleTemporaries(folder);
  }
  std::vector<std::vector<FileReplacement>> groups;
  std::vector<const Write*> batch;
  const auto flush = [&]() {
    const std::size_t done = batch.empty() ? 0 : m_files.ReplaceFilesInOrder(groups);
    for (std::size_t i = 0; i < done; ++i) {
      if (batch[i]->phase == Phase::kStep) result.stepKept = true;
    }
    const bool whole = done == batch.size();
    if (!whole) failed(*batch[done]);
    groups.clear();
    batch.clear();
    return whole;
  };
  const std::string ours = m_gameFolder + kSeasonsFolder + "\\gridmoor-";
  for (const Write& write : writes) {
    const std::string folder = write.path.substr(0, write.path.rfind('\\'));
    const bool makeFolder =
        write.path.compare(0, ours.size(), ours) == 0 && !IsFolder(m_files, folder);
    if (!write.bytes || makeFolder) {
      if (!flush()) return result;
      bool done = true;
      try {
        if (!write.bytes) {
          const std::optional<std::string> now =
              write.phase == Phase::kSeason
                  ? m_files.ReadExistingFile(write.path, kMaxSeasonFileBytes)
                  : ReadOwnFile(m_files, write.path, kMaxSetBytes);
          // Read once more right before: a change made meanwhile stays.
          done = now == write.expected && m_files.RemoveFile(write.path);
        } else {
          m_files.CreateDirectoryLevel(folder);
        }
      } catch (const std::exception&) {
        done = false;
      }
      if (!done) {
        failed(write);
        return result;
      }
      if (!write.bytes) continue;
    }
    if (batch.empty() || batch.back()->phase != write.phase) groups.emplace_back();
    groups.back().push_back({write.path, write.expected, *write.bytes});
    batch.push_back(&write);
  }
  if (!flush()) return result;
  for (const std::string& folder : change.Built().deleteFolders) {
    if (!m_files.RemoveFolderTree(folder)) {
      result.problem = MakeProblem(SeasonRefusal::kWriteFailed, folder, "it could not be deleted whole",
                               folder);
      return result;
    }
  }
  for (const std::string& file : change.Built().deleteFiles) {
    if (!m_files.RemoveFile(file)) {
      fail(file);
      return result;
    }
  }
  return result;
}

SeasonProblem SeasonService::CheckCommand(SeasonFileChoice choice,
                                          const CommitOptions& options) const {
  if (!options.evenIfGameRuns && GameRuns()) {
    return MakeProblem(SeasonRefusal::kGameRunning, kGameProgram,
                   "the game holds the season in memory and may write it back");
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
  return KeepSeasonStep(m_files, m_gameFolder, command);
}

void SeasonService::EndCommand() { DropUnchangedStep(m_files, m_gameFolder); }

}  // namespace gridmoor
