// Restore and redo, and the settling of a command that was stopped halfway: a step put back
// whole, what it replaces kept as the step of the other direction.

#include <algorithm>
#include <exception>

#include "engine/GameFiles.h"
#include "engine/HistoryStep.h"
#include "engine/SeasonHistory.h"
#include "engine/TrackPackage.h"
#include "platform/FileException.h"

namespace gridmoor {
namespace {

using namespace history;

std::string Parent(const std::string& path) { return path.substr(0, path.rfind('\\')); }

bool Exists(FileSystem& files, const std::string& path) {
  return files.Fingerprint(path) != "missing";
}

std::string RunningNotePath(const std::string& gameFolder) {
  return HistoryFolder(gameFolder) + "\\running";
}

void Fail(const std::string& path) { throw CFileException(kCauseGeneric, path); }

// Puts `step`'s "before" back: the game files from its folder (one already back is skipped,
// so a settle can finish a restore begun), the folders, the files of ours, the season files,
// the active-set record. What is in a game file's place must have gone into the other step
// first, unless `discard`: a settle then drops what the stopped command wrote there. Throws
// CFileException naming the path that failed; `current` follows the work.
void PutBack(FileSystem& files, const std::string& game, const Step& step, bool discard,
             std::string& current) {
  for (const Folder& folder : step.folders) {
    current = Full(game, folder.path);
    if (folder.existed) files.CreateDirectoryLevel(current);
  }
  std::size_t index = 0;
  for (const Entry& entry : step.entries) {
    if (!entry.game) continue;
    const std::string stored = StoredFile(step, index++);
    current = Full(game, entry.path);
    if (Exists(files, current)) {
      if (!discard || (entry.existed && !Exists(files, stored))) {
        if (entry.existed && !Exists(files, stored)) continue;  // back already
        Fail(current);
      }
      if (!files.RemoveFile(current)) Fail(current);
    }
    if (!entry.existed || !Exists(files, stored)) continue;
    if (!IsFolder(files, Parent(current))) files.CreateDirectoryLevel(Parent(current));
    if (!files.MoveFile(stored, current)) Fail(current);
  }
  for (auto it = step.folders.rbegin(); it != step.folders.rend(); ++it) {
    current = Full(game, it->path);
    const auto entries = files.ListFolder(current);
    if (!it->existed && entries && entries->empty()) files.RemoveFolderTree(current);
  }
  for (const Entry& entry : step.entries) {
    if (entry.game) continue;
    current = Full(game, entry.path);
    const std::optional<std::string> now = ReadOwn(files, current);
    if (now == entry.bytes) continue;
    if (entry.bytes) {
      files.CreateDirectoryLevel(Parent(current));
      if (!files.ReplaceFileContents(current, now, *entry.bytes)) Fail(current);
    } else if (!files.RemoveFile(current)) {
      Fail(current);
    }
  }
  for (int i = 0; i < kFileCount; ++i) {
    current = SeasonFilePath(game, FileName(i));
    const std::optional<std::string> now = ReadSeasonFile(files, game, i);
    if (now == step.kept[i]) continue;
    bool done = false;
    if (step.kept[i]) {
      done = files.ReplaceFileContents(current, now, *step.kept[i]);
    } else {
      // No replace can delete; read once more right before, so a change made meanwhile stays.
      done = ReadSeasonFile(files, game, i) == now && files.RemoveFile(current);
    }
    if (!done) Fail(current);
  }
  // The record goes back with the files: a set switch undone must not leave it naming the set
  // switched to, or the next switch saves these files over that set.
  if (step.activeKnown) {
    current = game + kActiveSetFile;
    const std::optional<std::string> now = ReadActiveRecord(files, game);
    if (now != step.active) {
      bool done = false;
      if (step.active) {
        files.CreateDirectoryLevel(game + kSetsFolder);
        done = files.ReplaceFileContents(current, now, *step.active);
      } else {
        done = ReadActiveRecord(files, game) == now && files.RemoveFile(current);
      }
      if (!done) Fail(current);
    }
  }
}

StepScope ScopeOf(const std::string& game, const Step& step) {
  StepScope scope;
  for (const Entry& entry : step.entries)
    (entry.game ? scope.gameFiles : scope.ownFiles).push_back(Full(game, entry.path));
  for (const Folder& folder : step.folders) scope.folders.push_back(Full(game, folder.path));
  return scope;
}

// The other direction's step: what putting `step` back replaces, captured and written, its game
// files moved in. Throws on failure, with nothing of it left.
Step KeepInverse(FileSystem& files, const std::string& game, const Step& step) {
  Step inverse = NewStep(files, game, step.info.command, ScopeOf(game, step), !step.info.redo);
  for (int i = 0; i < kFileCount; ++i) {
    inverse.after[i] = Describe(step.kept[i]);
    for (std::string& line : DescribeSeasonChange(FileName(i), inverse.kept[i], step.kept[i]))
      inverse.info.changes.push_back(std::move(line));
  }
  for (Entry& entry : inverse.entries) {
    const auto same = std::find_if(step.entries.begin(), step.entries.end(),
                                   [&entry](const Entry& e) { return e.path == entry.path; });
    if (same == step.entries.end()) continue;
    if (!entry.game) {
      entry.after = Describe(same->bytes);
    } else if (!same->existed) {
      entry.after = "missing";
    } else {
      // The kept file keeps its size and write time when it is renamed back: what it will
      // leave is known now, so the inverse is written once.
      std::size_t index = 0;
      for (auto it = step.entries.begin(); it != same; ++it) index += it->game ? 1 : 0;
      entry.after = files.Fingerprint(StoredFile(step, index));
    }
  }
  const std::optional<std::string> old = FreeSlot(files, inverse);
  if (!files.ReplaceFileContents(inverse.path, old, Serialize(inverse))) Fail(inverse.path);
  inverse.raw = Serialize(inverse);
  if (!MoveIn(files, game, inverse)) {
    Drop(files, inverse);
    Fail(StoreFolder(inverse));
  }
  return inverse;
}

// The game files' state after the put-back, into the inverse's record: a later restore of it
// tells what was changed since.
void NoteGameAfter(FileSystem& files, const std::string& game, Step& inverse) {
  const std::string raw = inverse.raw;
  for (Entry& entry : inverse.entries) {
    if (entry.game) entry.after = files.Fingerprint(Full(game, entry.path));
  }
  files.ReplaceFileContents(inverse.path, raw, Serialize(inverse));
}

void NoteRunning(FileSystem& files, const std::string& game, const std::string& what) {
  try {
    const std::string path = RunningNotePath(game);
    files.ReplaceFileContents(path, files.ReadExistingFile(path, 4096), what);
  } catch (const std::exception&) {
  }
}

}  // namespace

RestoreReport RestoreNewestStep(FileSystem& files, const std::string& gameFolder, bool dryRun,
                                bool redo) {
  RestoreReport report;
  report.redo = redo;
  std::string current = HistoryFolder(gameFolder);
  try {
    const std::vector<Step> steps = ReadSteps(files, gameFolder, redo);
    if (steps.empty()) return report;
    const Step& step = steps.front();
    report.step = step.info;

    for (int i = 0; i < kFileCount; ++i) {
      current = SeasonFilePath(gameFolder, FileName(i));
      const std::optional<std::string> now = ReadSeasonFile(files, gameFolder, i);
      RestoredFile file;
      file.fileName = FileName(i);
      if (step.kept[i]) file.keptSize = step.kept[i]->size();
      if (now) file.currentSize = now->size();
      file.unchanged = now == step.kept[i];
      file.changedSince = !file.unchanged && step.after[i] && *step.after[i] != Describe(now);
      if (!file.unchanged && now && (files.GetStatus(current).attributes & kAttributeReadOnly) != 0) {
        report.readOnlyFiles.push_back(current);
        if (!dryRun) {
          report.status = RestoreStatus::kReadOnly;
          report.failedFile = current;
          return report;
        }
      }
      report.files.push_back(file);
      for (const auto& [number, folder] : EventsNotIn(EventFolders(step.kept[i]), EventFolders(now))) {
        const bool fileComesBack = std::any_of(
            step.entries.begin(), step.entries.end(), [&folder = folder](const Entry& entry) {
              return entry.game && entry.existed && entry.path.rfind("tracks\\" + folder + "\\", 0) == 0;
            });
        if (!IsPlainFileName(folder) ||
            (!fileComesBack && !IsFolder(files, gameFolder + kTracksFolder + folder))) {
          report.eventsWithoutFolder.push_back(std::string(FileName(i)) + ": Event" +
                                               std::to_string(number) + " " + folder);
        }
      }
    }
    if (step.activeKnown) {
      current = gameFolder + kActiveSetFile;
      report.activeSetRestored = ReadActiveRecord(files, gameFolder) != step.active;
    }
    std::size_t index = 0;
    for (const Entry& entry : step.entries) {
      current = Full(gameFolder, entry.path);
      std::string now;
      if (entry.game) {
        const std::string stored = StoredFile(step, index++);
        now = files.Fingerprint(current);
        // A step whose kept copy is gone (its folder deleted or moved by hand) must never
        // replace a game file with nothing.
        if (entry.existed && !Exists(files, stored)) {
          report.status = RestoreStatus::kFailed;
          report.failedFile = stored;
          return report;
        }
        if (entry.existed) {
          report.filesBack.push_back(current);
        } else if (now != "missing") {
          report.filesTakenOut.push_back(current);
        }
      } else {
        const std::optional<std::string> bytes = ReadOwn(files, current);
        now = Describe(bytes);
        if (bytes != entry.bytes) report.filesBack.push_back(current);
      }
      if (!entry.after.empty() && now != entry.after) report.otherChangedSince.push_back(current);
    }
    report.status = RestoreStatus::kRestored;
    if (dryRun) return report;

    current = HistoryFolder(gameFolder);
    Step inverse = KeepInverse(files, gameFolder, step);
    NoteRunning(files, gameFolder,
                std::string(redo ? "redo " : "restore ") + std::to_string(step.info.number) + " " +
                    std::to_string(inverse.info.number));
    // What the restore replaces is in the inverse step now; a season file changed by someone
    // else is also left as a plain copy beside the steps, for the player to open.
    for (int i = 0; i < kFileCount; ++i) {
      RestoredFile& file = report.files[static_cast<std::size_t>(i)];
      if (!file.changedSince || !inverse.kept[i]) continue;
      current = HistoryFolder(gameFolder) + "\\" + FileName(i) + ".replaced-" +
                std::to_string(step.info.number);
      const std::optional<std::string> old = files.ReadExistingFile(current, kMaxSeasonFileBytes);
      if (!files.ReplaceFileContents(current, old, *inverse.kept[i])) Fail(current);
      file.replacedCopy = current;
    }
    PutBack(files, gameFolder, step, /*discard=*/false, current);
    Drop(files, step);
    report.stepDropped = true;
    MakeRoom(files, gameFolder, inverse.info.number, inverse.info.redo);
    files.RemoveFile(RunningNotePath(gameFolder));
  } catch (const std::exception&) {
    // Every kept file stays, and the step: the next command completes the restore.
    report.status = RestoreStatus::kFailed;
    report.failedFile = current;
  }
  return report;
}

std::string SettleInterrupted(FileSystem& files, const std::string& gameFolder) {
  const std::string notePath = RunningNotePath(gameFolder);
  const std::optional<std::string> note = files.ReadWholeFile(notePath, 256);
  if (!note) return {};
  // Left by a command still running (in another process): it is not ours to settle.
  const RunningCommand probe(files, gameFolder);
  if (!probe.Taken()) return {};
  std::string current;
  try {
    const std::size_t space = note->find(' ');
    const std::string kind = note->substr(0, space);
    int first = 0, second = 0;
    if (space != std::string::npos) {
      const std::string rest = note->substr(space + 1);
      first = std::atoi(rest.c_str());
      const std::size_t next = rest.find(' ');
      if (next != std::string::npos) second = std::atoi(rest.c_str() + next + 1);
    }
    const auto find = [&files, &gameFolder](int number, bool redo) -> std::optional<Step> {
      for (Step& step : ReadSteps(files, gameFolder, redo)) {
        if (step.info.number == number) return std::move(step);
      }
      return std::nullopt;
    };
    std::string said;
    if (kind == "command") {
      std::optional<Step> step = find(first, false);
      if (step) {
        Step now = *step;
        NoteAfter(files, gameFolder, now);
        // A command that had ended all but the note stays; any other is undone.
        bool whole = step->after[0] && step->after[1] && now.after[0] == step->after[0] &&
                     now.after[1] == step->after[1];
        for (std::size_t i = 0; i < step->entries.size(); ++i)
          whole = whole && now.entries[i].after == step->entries[i].after;
        for (const Entry& entry : step->entries) {
          if (entry.game) files.RemoveStaleTemporaries(Parent(Full(gameFolder, entry.path)));
        }
        if (!whole) {
          PutBack(files, gameFolder, *step, /*discard=*/true, current);
          Drop(files, *step);
          said = "the command \"" + step->info.command + "\" was stopped halfway; it is undone";
        }
      }
    } else if (kind == "restore" || kind == "redo") {
      const bool redo = kind == "redo";
      std::optional<Step> step = find(first, redo);
      std::optional<Step> inverse = find(second, !redo);
      if (step && inverse) {
        // Finish moving what the put-back replaces into the inverse, then put the step back.
        std::size_t index = 0;
        for (const Entry& entry : inverse->entries) {
          if (!entry.game) continue;
          const std::string stored = StoredFile(*inverse, index++);
          current = Full(gameFolder, entry.path);
          const auto same = std::find_if(step->entries.begin(), step->entries.end(),
                                         [&entry](const Entry& e) { return e.path == entry.path; });
          std::size_t sameIndex = 0;
          for (auto it = step->entries.begin(); it != same; ++it) sameIndex += it->game ? 1 : 0;
          const bool alreadyBack = same != step->entries.end() && same->existed &&
                                   !Exists(files, StoredFile(*step, sameIndex));
          if (entry.existed && !alreadyBack && !Exists(files, stored) && Exists(files, current)) {
            files.CreateDirectoryLevel(StoreFolder(*inverse));
            if (!files.MoveFile(current, stored)) Fail(current);
          }
        }
        PutBack(files, gameFolder, *step, /*discard=*/false, current);
        Drop(files, *step);
        NoteGameAfter(files, gameFolder, *inverse);
        said = std::string("the ") + (redo ? "redo" : "restore") + " of \"" + step->info.command +
               "\" was stopped halfway; it is completed";
      }
    }
    // What the stopped command left half written goes too.
    files.RemoveStaleTemporaries(gameFolder + kSeasonsFolder);
    files.RemoveStaleTemporaries(HistoryFolder(gameFolder));
    files.RemoveStaleTemporaries(gameFolder + kSetsFolder);
    files.RemoveStaleTemporaries(gameFolder + kLibraryFolder);
    files.RemoveFile(notePath);
    return said;
  } catch (const std::exception&) {
    return "a command stopped halfway could not be settled (" + current + "); it is tried again";
  }
}

}  // namespace gridmoor
