#pragma once
// The history: before a command changes anything in the game folder, what it is about to change
// is kept as one step in seasons\gridmoor-undo\ (a folder the game never reads), written as
// safely as the season files themselves. Restoring puts the newest step back whole and keeps
// what it replaced as a redo step, so restoring again steps further back and redo steps
// forward again, until a new command runs.
//
// A step is one record file, step-NN (NN = number modulo kMaxHistorySteps), holding a short
// text (number, time, command, for each season file its size or "missing", the active-set record
// as it was, the files of ours and of the game the step holds) and then the kept bytes of the
// season files and of the files of ours (sets, the library, track records). The game's files a
// command replaces or deletes (tracks\<dir>\, replay\) are moved, not copied, into the step's
// folder step-NN.d; the ones it adds are listed. After the command, what it left is added (a
// digest for the bytes of ours, size and write time for the game's files), so a restore can tell
// whether someone else changed a file since. Redo steps are the same, named redo-NN.
//
// While a command writes, seasons\gridmoor-undo\running names its step and is held open; a
// command that finds it left by a process that died settles the step first (SettleInterrupted):
// an interrupted command is undone, an interrupted restore or redo is completed.
//
// A command keeps one step however many tracks it installs or removes: KeepSeasonStep before
// its first change (KeepGameFiles before each copy), DropUnchangedStep after its last.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <memory>

#include "engine/HistoryBasics.h"
#include "platform/FileSystem.h"

namespace gridmoor {

// The player's room for kept files, saved in the undo folder; MakeRoom applies it at once.
bool SetStepRoomLimit(FileSystem& files, const std::string& gameFolder, std::uint64_t bytes);

// The events `after` has and `before` has not (by track folder, counted), and the other way
// round, as "<fileName>: added Event<N> <folder>" / "... removed ..." lines; one "changed, no
// event added or removed" line when the texts differ otherwise; nothing when they are equal.
// A missing file has no events.
std::vector<std::string> DescribeSeasonChange(const std::string& fileName,
                                              const std::optional<std::string>& before,
                                              const std::optional<std::string>& after);

// Keeps the current bytes of both season files (or that they are missing), and the active-set
// record's (left out when it cannot be read; a restore then leaves it alone), as a new step, before
// `command` changes them. Answers false, and keeps nothing, when the step cannot be written; the
// caller then must not change the season files.
// Answers the step's number (0: not kept).
int KeepSeasonStep(FileSystem& files, const std::string& gameFolder, const std::string& command);

// Adds `scope` to the step KeepSeasonStep kept (paths it holds already are left as they are:
// the first keeping is what restore puts back) and then moves the game files that exist into
// it, so the command can write them anew. False when the step cannot hold them; the caller then
// must not change them (what was moved already is back in place).
bool KeepGameFiles(FileSystem& files, const std::string& gameFolder, const StepScope& scope);

// KeepSeasonStep for a change whose outcome is planned before it is made (the season service's
// commits), as the one write to make: the step records what the command will leave (`after`, by
// file) and the events it adds and removes, so no second write follows a command that completes.
// The caller makes it durable before the season files change (FileSystem::ReplaceFilesInOrder,
// the step in an earlier group than theirs); the undo folder is made here. Nullopt, planning
// nothing, when the step cannot be planned (a season file or the folder cannot be read); the
// caller then must not change the season files. A command that then fails calls
// SettleFailedStep. Never throws.
// `ownAfter` gives what the command writes into each of scope.ownFiles (nullopt: deletes it);
// scope.gameFiles are the game files it deletes: after the record is durable the commit moves
// them into the step (MoveIntoStep).
struct PlannedStep {
  FileReplacement record;
  int number = 0;
};
std::optional<PlannedStep> PlanSeasonStep(FileSystem& files, const std::string& gameFolder,
                                          const std::string& command,
                                          const std::optional<std::string> (&after)[2],
                                          const StepScope& scope = {},
                                          const std::vector<std::optional<std::string>>& ownAfter = {});
// Moves the game files of the planned step `number` that exist into it; false (what was moved
// is back) when one cannot be moved.
bool MoveIntoStep(FileSystem& files, const std::string& gameFolder, int number);

// The marker of a command that writes: made and held open from before its step is kept until it
// ends (its destructor). Taken() is false when another command of ours holds it now.
class RunningCommand {
 public:
  RunningCommand(FileSystem& files, const std::string& gameFolder);
  ~RunningCommand();
  RunningCommand(const RunningCommand&) = delete;
  RunningCommand& operator=(const RunningCommand&) = delete;
  bool Taken() const { return m_taken; }
  // Names the step being written, so a settle knows what to undo or complete; Finished() when
  // the command has ended, whole or refused (a command that fails partway leaves the note, and
  // the next command settles its step).
  void Note(const std::string& what);
  void Finished();

 private:
  FileSystem& m_files;
  std::string m_path;
  std::string m_lock;
  std::unique_ptr<OpenFile> m_hold;
  bool m_taken = false;
};

// What SettleInterrupted did: "" when no command of ours was left unfinished, else one line
// ("the interrupted command \"gridmoor-cli install x\" was undone").
// Never throws; what it cannot settle stays for the next run.
std::string SettleInterrupted(FileSystem& files, const std::string& gameFolder);

// After a planned command failed: drops the newest step when both season files still hold the
// bytes it kept, else records what the files now hold (for the restore's check). Never throws.
void SettleFailedStep(FileSystem& files, const std::string& gameFolder);

// Drops the newest step when both season files still hold the bytes it kept: the command changed
// nothing worth undoing. Otherwise notes in the step what the command left, for the restore's
// check. Never throws.
void DropUnchangedStep(FileSystem& files, const std::string& gameFolder);

// The kept steps, newest first, then the redo steps (the next to redo first). Step files that
// cannot be read are left out.
std::vector<HistoryStep> ListSeasonSteps(FileSystem& files, const std::string& gameFolder);

// What restoring the newest step does to one season file.
struct RestoredFile {
  std::string fileName;                  // "67season.ini" or "gp.ini"
  std::optional<std::size_t> keptSize;   // the bytes put back; nullopt: the file is deleted
  std::optional<std::size_t> currentSize;  // the file now; nullopt: missing
  bool unchanged = false;  // it already holds the kept bytes; left alone
  // It no longer holds what the command left: someone else (the game, an editor) changed it
  // since, and the restore undoes that change too. False when unknown (the command did not end).
  bool changedSince = false;
  // Where the bytes the restore replaced were kept when changedSince (inside the undo folder).
  std::string replacedCopy;
};

enum class RestoreStatus {
  kRestored,     // (or, for a dry run, would be)
  kNothingKept,  // no step to restore
  kReadOnly,     // a season file to change is marked read-only; nothing changed
  kFailed,       // a file could not be read or written; the step stays (see failedFile)
};

struct RestoreReport {
  RestoreStatus status = RestoreStatus::kNothingKept;
  HistoryStep step;
  std::vector<RestoredFile> files;
  std::string failedFile;  // the path that failed (kReadOnly, kFailed)
  // The season files to change that are marked read-only (a dry run lists them all; a real
  // restore stops at the first, kReadOnly).
  std::vector<std::string> readOnlyFiles;
  bool stepDropped = false;
  // The active-set record differs from the one the step kept and is (or, for a dry run, would
  // be) put back after the season files. A step kept without the record leaves it alone.
  bool activeSetRestored = false;
  // Events the restore puts back whose tracks\<folder> is not there, "67season.ini: Event2
  // brockhurst": the game would list a track it cannot load.
  std::vector<std::string> eventsWithoutFolder;
  // The other files the step puts back, takes out (the command added them; they go into the
  // redo step) or finds changed since the command, as engine paths.
  std::vector<std::string> filesBack;
  std::vector<std::string> filesTakenOut;
  std::vector<std::string> otherChangedSince;
  bool redo = false;  // a redo (what a restore took back, put back again)
};

// Puts the newest step's bytes back into both season files (deleting a file the step kept as
// missing), then the active-set record the step kept, and drops the step. A file changed since the command is restored all the same, after
// its bytes are copied into the undo folder (RestoredFile::replacedCopy). With `dryRun` only
// reports what it would do and writes nothing (a read-only mark is listed, not a refusal). Files are replaced only while they hold what was
// read, so a change made meanwhile fails the restore instead of being lost. Never throws.
// The game files and files of ours go back first, then the season files. What the restore
// replaces goes into a new redo step (`redo`: the newest redo step is put back instead, and what
// it replaces goes into a new undo step).
RestoreReport RestoreNewestStep(FileSystem& files, const std::string& gameFolder, bool dryRun,
                                bool redo = false);

}  // namespace gridmoor
