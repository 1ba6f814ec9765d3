#pragma once
// Undo steps for the season files: before a command changes 67season.ini or gp.ini, their bytes
// are kept as one step in seasons\gridmoor-undo\ (a folder the game never reads), written as
// safely as the season files themselves. Restoring puts the newest step's bytes back exactly
// and drops the step, so restoring again steps further back.
//
// A step is one file, step-NN (NN = number modulo kMaxHistorySteps), so it is written in one
// safe replace and keeping a new step overwrites the oldest once the folder is full. It holds
// a short text record (number, time, command, for each file its size or "missing", and the
// active-set record seasons\gridmoor-sets\active as it was) and then the kept bytes; after the
// command, what it left (size and digest) is added, so a restore can tell whether someone else
// changed a file since, with what the command changed: the events it added and removed, by
// folder.
//
// A command keeps one step however many tracks it installs or removes: KeepSeasonStep before
// its first change, DropUnchangedStep after its last.

#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace gridmoor {

// Steps kept at most; older ones are dropped when a new one is kept.
constexpr int kMaxHistorySteps = 50;

// The local time now as steps and sets record it, "YYYY-MM-DD HH:MM:SS".
std::string LocalTimeText();

// The undo folder of a game folder: gameFolder + "\seasons\gridmoor-undo".
std::string HistoryFolder(const std::string& gameFolder);

struct HistoryStep {
  int number = 0;         // increasing; the newest step has the highest number
  std::string time;       // local time the step was kept, "YYYY-MM-DD HH:MM:SS"
  std::string command;    // the command line that made the change
  // What the command changed, one line each ("67season.ini: added Event6 alder", "gp.ini:
  // removed Event2 brockhurst", "gp.ini: changed, no event added or removed"); empty until the
  // command has ended (DropUnchangedStep).
  std::vector<std::string> changes;
};

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
bool KeepSeasonStep(FileSystem& files, const std::string& gameFolder, const std::string& command);

// KeepSeasonStep for a change whose outcome is planned before it is made (the season service's
// commits), as the one write to make: the step records what the command will leave (`after`, by
// file) and the events it adds and removes, so no second write follows a command that completes.
// The caller makes it durable before the season files change (FileSystem::ReplaceFilesInOrder,
// the step in an earlier group than theirs); the undo folder is made here. Nullopt, planning
// nothing, when the step cannot be planned (a season file or the folder cannot be read); the
// caller then must not change the season files. A command that then fails calls
// SettleFailedStep. Never throws.
std::optional<FileReplacement> PlanSeasonStep(FileSystem& files, const std::string& gameFolder,
                                              const std::string& command,
                                              const std::optional<std::string> (&after)[2]);

// After a planned command failed: drops the newest step when both season files still hold the
// bytes it kept, else records what the files now hold (for the restore's check). Never throws.
void SettleFailedStep(FileSystem& files, const std::string& gameFolder);

// Drops the newest step when both season files still hold the bytes it kept: the command changed
// nothing worth undoing. Otherwise notes in the step what the command left, for the restore's
// check. Never throws.
void DropUnchangedStep(FileSystem& files, const std::string& gameFolder);

// The kept steps, newest first. Step files that cannot be read are left out.
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
};

// Puts the newest step's bytes back into both season files (deleting a file the step kept as
// missing), then the active-set record the step kept, and drops the step. A file changed since the command is restored all the same, after
// its bytes are copied into the undo folder (RestoredFile::replacedCopy). With `dryRun` only
// reports what it would do and writes nothing (a read-only mark is listed, not a refusal). Files are replaced only while they hold what was
// read, so a change made meanwhile fails the restore instead of being lost. Never throws.
RestoreReport RestoreNewestStep(FileSystem& files, const std::string& gameFolder, bool dryRun);

}  // namespace gridmoor
