#include "engine/SeasonHistory.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <exception>
#include <set>

#include "engine/GameFiles.h"
#include "engine/HistoryStep.h"
#include "engine/SeasonEvents.h"
#include "engine/SeasonUpdate.h"
#include "platform/FileException.h"
#include "platform/ProfileText.h"

namespace gridmoor {

using namespace history;

std::vector<std::string> DescribeSeasonChange(const std::string& fileName,
                                              const std::optional<std::string>& before,
                                              const std::optional<std::string>& after) {
  std::vector<std::string> lines;
  if (before == after) return lines;
  const auto old = EventFolders(before);
  const auto now = EventFolders(after);
  for (const auto& [number, folder] : EventsNotIn(now, old))
    lines.push_back(fileName + ": added Event" + std::to_string(number) + " " + folder);
  for (const auto& [number, folder] : EventsNotIn(old, now))
    lines.push_back(fileName + ": removed Event" + std::to_string(number) + " " + folder);
  if (lines.empty()) lines.push_back(fileName + ": changed, no event added or removed");
  return lines;
}

bool SetStepRoomLimit(FileSystem& files, const std::string& gameFolder, std::uint64_t bytes) {
  try {
    files.CreateDirectoryLevel(HistoryFolder(gameFolder));
    const std::string path = RoomSettingPath(gameFolder);
    if (!files.ReplaceFileContents(path, files.ReadExistingFile(path, 64), std::to_string(bytes) + "\n"))
      return false;
    MakeRoom(files, gameFolder, 0, true);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

int KeepSeasonStep(FileSystem& files, const std::string& gameFolder, const std::string& command) {
  try {
    Step step = NewStep(files, gameFolder, command, {}, false);
    const std::optional<std::string> old = FreeSlot(files, step);
    if (!files.ReplaceFileContents(step.path, old, Serialize(step))) return 0;
    DropRedoSteps(files, gameFolder);
    return step.info.number;
  } catch (const std::exception&) {
    return 0;
  }
}

bool KeepGameFiles(FileSystem& files, const std::string& gameFolder, const StepScope& scope) {
  try {
    std::vector<Step> steps = ReadSteps(files, gameFolder, false);
    // Only the step of a command still running: one that tells what its command left has ended.
    if (steps.empty() || steps.front().after[0] || steps.front().after[1]) return false;
    Step& step = steps.front();
    const std::size_t before = step.entries.size(), folders = step.folders.size();
    Capture(files, gameFolder, scope, step);
    step.kept[0] = std::nullopt;  // Capture read the season files anew; the step keeps its own
    step.kept[1] = std::nullopt;
    std::optional<Step> kept = Parse(step.raw);
    if (!kept) return false;
    for (std::size_t i = before; i < step.entries.size(); ++i) kept->entries.push_back(step.entries[i]);
    for (std::size_t i = folders; i < step.folders.size(); ++i) kept->folders.push_back(step.folders[i]);
    kept->path = step.path;
    if (kept->entries.size() != before || kept->folders.size() != folders) {
      if (!files.ReplaceFileContents(kept->path, step.raw, Serialize(*kept))) return false;
    }
    if (!MoveIn(files, gameFolder, *kept)) return false;
    MakeRoom(files, gameFolder, kept->info.number, false);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::optional<PlannedStep> PlanSeasonStep(FileSystem& files, const std::string& gameFolder,
                                          const std::string& command,
                                          const std::optional<std::string> (&after)[2],
                                          const StepScope& scope,
                                          const std::vector<std::optional<std::string>>& ownAfter) {
  try {
    Step step = NewStep(files, gameFolder, command, scope, false);
    for (int i = 0; i < kFileCount; ++i) {
      step.after[i] = Describe(after[i]);
      for (std::string& line : DescribeSeasonChange(FileName(i), step.kept[i], after[i]))
        step.info.changes.push_back(std::move(line));
    }
    // What the command leaves: the bytes it writes into files of ours; the game files it
    // deletes are gone.
    for (Entry& entry : step.entries) {
      if (entry.game) {
        entry.after = "missing";
      } else {
        const std::string full = Full(gameFolder, entry.path);
        for (std::size_t i = 0; i < scope.ownFiles.size() && i < ownAfter.size(); ++i) {
          if (scope.ownFiles[i] == full) entry.after = Describe(ownAfter[i]);
        }
      }
    }
    PlannedStep planned;
    planned.number = step.info.number;
    planned.record = FileReplacement{step.path, FreeSlot(files, step), Serialize(step)};
    return planned;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

bool MoveIntoStep(FileSystem& files, const std::string& gameFolder, int number) {
  try {
    DropRedoSteps(files, gameFolder);
    const std::string path = RecordPath(gameFolder, number, false);
    const std::optional<std::string> raw = files.ReadWholeFile(path, std::size_t{256} << 20);
    std::optional<Step> step = raw ? Parse(*raw) : std::nullopt;
    if (!step) return false;
    step->path = path;
    const bool holdsGameFiles = std::any_of(step->entries.begin(), step->entries.end(),
                                            [](const Entry& entry) { return entry.game; });
    if (!holdsGameFiles) return true;
    if (!MoveIn(files, gameFolder, *step)) return false;
    MakeRoom(files, gameFolder, number, false);
    return true;
  } catch (const std::exception&) {
  }
  return false;
}

void SettleFailedStep(FileSystem& files, const std::string& gameFolder) {
  try {
    std::vector<Step> steps = ReadSteps(files, gameFolder, false);
    if (steps.empty()) return;
    Step& step = steps.front();
    NoteAfter(files, gameFolder, step);
    if (!HoldsChange(step)) {
      Drop(files, step);
    } else {
      files.ReplaceFileContents(step.path, step.raw, Serialize(step));
    }
  } catch (const std::exception&) {
  }
}

void DropUnchangedStep(FileSystem& files, const std::string& gameFolder) {
  try {
    std::vector<Step> steps = ReadSteps(files, gameFolder, false);
    if (steps.empty()) return;
    Step& step = steps.front();
    // A step that already tells what its command left belongs to a command that has ended.
    if (step.after[0] || step.after[1]) return;
    // A copy that failed leaves its file missing: the old one goes back, as if never moved.
    std::size_t index = 0;
    for (Entry& entry : step.entries) {
      if (!entry.game) continue;
      const std::string stored = StoredFile(step, index++);
      const std::string path = Full(gameFolder, entry.path);
      if (entry.existed && files.Fingerprint(path) == "missing" &&
          files.Fingerprint(stored) != "missing") {
        files.MoveFile(stored, path);
      }
    }
    NoteAfter(files, gameFolder, step);
    for (int i = 0; i < kFileCount; ++i) {
      const std::optional<std::string> now = ReadSeasonFile(files, gameFolder, i);
      for (std::string& line : DescribeSeasonChange(FileName(i), step.kept[i], now))
        step.info.changes.push_back(std::move(line));
    }
    if (!HoldsChange(step)) {
      Drop(files, step);
    } else {
      files.ReplaceFileContents(step.path, step.raw, Serialize(step));
    }
  } catch (const std::exception&) {
    // The step stays as kept: a restore then cannot tell later changes apart, nothing worse.
  }
}

std::vector<HistoryStep> ListSeasonSteps(FileSystem& files, const std::string& gameFolder) {
  std::vector<HistoryStep> list;
  try {
    for (const bool redo : {false, true}) {
      for (const Step& step : ReadSteps(files, gameFolder, redo)) {
        HistoryStep info = step.info;
        info.bytes = step.raw.size() + StoredBytes(files, step);
        std::vector<std::pair<std::string, int>> gameFolders;  // "tracks\\calder", files
        for (const Entry& entry : step.entries) {
          if (!entry.game) {
            info.holds.push_back(entry.path);
            continue;
          }
          const std::string folder = entry.path.substr(0, entry.path.rfind('\\'));
          auto found = std::find_if(gameFolders.begin(), gameFolders.end(),
                                    [&folder](const auto& f) { return f.first == folder; });
          if (found == gameFolders.end()) {
            gameFolders.emplace_back(folder, 1);
          } else {
            ++found->second;
          }
        }
        for (const auto& [folder, count] : gameFolders)
          info.holds.push_back(std::to_string(count) + (count == 1 ? " file of " : " files of ") + folder);
        if (step.activeKnown) info.holds.push_back("the active-set record");
        list.push_back(std::move(info));
      }
    }
  } catch (const std::exception&) {
  }
  return list;
}

// ---------------------------------------------------------------------------------- running

RunningCommand::RunningCommand(FileSystem& files, const std::string& gameFolder)
    : m_files(files), m_path(HistoryFolder(gameFolder) + "\\running") {
  try {
    files.CreateDirectoryLevel(HistoryFolder(gameFolder));
    m_lock = HistoryFolder(gameFolder) + "\\lock";
    if (files.Fingerprint(m_lock) == "missing") files.ReplaceFileContents(m_lock, std::nullopt, "");
    m_hold = files.OpenExclusiveForRead(m_lock);
    m_taken = true;
  } catch (const std::exception&) {
    // Held by another command of ours (or no folder to hold it in: nothing to write anyway).
    m_taken = !IsFolder(files, HistoryFolder(gameFolder));
  }
}

RunningCommand::~RunningCommand() {
  if (!m_hold) return;
  m_hold.reset();
  // No trace of a command that kept nothing.
  try {
    m_files.RemoveFile(m_lock);
  } catch (const std::exception&) {
  }
}

void RunningCommand::Note(const std::string& what) {
  if (!m_hold) return;
  try {
    m_files.ReplaceFileContents(m_path, m_files.ReadExistingFile(m_path, 4096), what);
  } catch (const std::exception&) {
  }
}

void RunningCommand::Finished() {
  if (!m_hold) return;
  try {
    m_files.RemoveFile(m_path);
  } catch (const std::exception&) {
    // Left behind, the note makes the next command look at a step that is whole: no harm.
  }
}

}  // namespace gridmoor
