#pragma once
// A season command's change, planned in memory before anything is written: both season files
// before and after, the files of ours that go with it, what it does (one line per effect) and
// what it asks; or the refusal that stops it. What stops a command is a SeasonProblem.

#include <optional>
#include <string>
#include <vector>

#include "engine/SeasonRules.h"

namespace gridmoor {

// Why a plan or a commit stops. Each names what the player can do about it.
enum class SeasonRefusal {
  kNone,
  kGameRunning,        // gpl.exe runs and may write the season back. Go on: evenIfGameRuns.
  kReadOnly,           // `path` is marked read-only. Go on: clearReadOnly (the mark is cleared).
  kNotWritable,        // `path` (or its folder) cannot be written by this user; `detail` says why
  kUnreadable,         // a season file exists but cannot be read whole (`path`, `detail`)
  kSeasonFull,         // 67season.ini would hold more than 64 events; `mustGo` must go first
  kNotFound,           // no event, set, step or library entry for `subject` (several names:
                       // each one not found, comma-separated; nothing changes for the others)
  kNotInLibrary,       // add: the library does not know the event of `subject`
  kNothingToDo,        // the change would change no byte
  kBadName,            // `subject` is not a set name (kSetNameRule), a plain folder name, or
                       // (`path`) a file to write
  kOutOfRange,         // a number the command was given is outside what the file holds
  kNameTaken,          // a set named `subject` exists already (letter case ignored)
  kInvalidFile,        // a calendar, set or library file is cut, hostile, oversized or
                       // nonsense (`path`, `detail`); nothing is written
  kSectionsDisagree,   // the file's count and sections disagree (`path`); reordering would
                       // guess, so the file must be mended first (remove, restore, or by hand)
  kUndoNotKept,        // the undo step could not be written; nothing changed
  kWriteFailed,        // `path` could not be written; what was written before it stays
                       // changed, and restore puts it back
  kRestoreFailed,      // restore: `path` could not be read or written; the step is kept
  kNotConfirmed,       // the player answered No (`detail`: what stays as it was)
};

// Failure, in every call of the season API: a SeasonProblem in what the call returns (kNone: no
// failure). Nothing in it throws.
struct SeasonProblem {
  SeasonRefusal refusal = SeasonRefusal::kNone;
  std::string path;     // the file concerned, as the engine addresses it (backslashes)
  std::string subject;  // the track folder, set name or file name concerned
  std::string detail;   // the reason, one line, without a trailing full stop
  int mustGo = 0;       // kSeasonFull: events to take out before the change fits
  explicit operator bool() const { return refusal != SeasonRefusal::kNone; }
};

// One line of what a change does, e.g. {"67season.ini", "Event3 \"Calder\" (calder) taken out"}.
// `file` is a season file's name, or "" for the files of ours and the track files.
struct SeasonEffect {
  std::string file;
  std::string text;
};

// A planned change: both season files before and after, and the writes of ours that go with
// it. Made by SeasonService::Plan*, consumed by Commit. Copyable; holds no file open.
class SeasonChange {
 public:
  // The refusal found while planning (kNone: the change may be committed).
  const SeasonProblem& Problem() const { return m_parts.problem; }
  // What the change does, in the order it is done; empty when it does nothing.
  const std::vector<SeasonEffect>& Effects() const { return m_parts.effects; }
  // Whether committing would change a byte of the season file.
  bool Changes(SeasonFileId file) const;
  bool ChangesSeasonFiles() const {
    return Changes(SeasonFileId::kSeason) || Changes(SeasonFileId::kChampionship);
  }
  // The season file's bytes after the change (its bytes now when it does not change); nullopt
  // when the file is missing and stays so.
  const std::optional<std::string>& After(SeasonFileId file) const;
  const std::optional<std::string>& Before(SeasonFileId file) const;
  // A question the command asks before it commits (after the engine's own: the game running,
  // a read-only mark): replacing what the player named, or the command's own confirmation.
  struct Question {
    std::string text;
    std::vector<std::string> files;
    bool overwrite = false;  // replaces a file or set the player named
    bool undoable = false;   // restore takes back what a Yes lets happen
  };
  const std::vector<Question>& Questions() const { return m_parts.questions; }
  // What the commit deletes: track folders and replays (remove --delete-files), moved into the
  // undo step.
  std::vector<std::string> DeletedPaths() const;
  // set import: the events whose track folder is not installed, "name (folder)", by file.
  const std::vector<std::string>& NotInstalled() const { return m_parts.notInstalled; }
  // A set name the commit makes up to keep the season files a set switch replaces (none was
  // active); empty otherwise. The front end prints it.
  const std::string& CreatedSetName() const { return m_parts.createdSet; }

  // A file of ours (or a calendar the player named) written through the safe replace, or
  // deleted (bytes nullopt), before or after the season files.
  struct OwnWrite {
    std::string path;
    std::optional<std::string> expected;  // the bytes the plan read (nullopt: missing)
    std::optional<std::string> bytes;     // nullopt: delete the file
    bool beforeSeason = false;
  };
  // What the change is made of. The plans (engine/Season*Plans.cpp) build it through Build();
  // the commit reads it through Built(); front ends use the accessors above.
  struct Parts {
    SeasonProblem problem;
    std::vector<SeasonEffect> effects;
    std::optional<std::string> before[kSeasonFileCount];
    std::optional<std::string> after[kSeasonFileCount];
    std::vector<OwnWrite> writes;
    std::vector<std::string> deleteFolders;  // track folders (remove --delete-files)
    std::vector<std::string> deleteFiles;    // their replays
    std::string createdSet;
    std::vector<Question> questions;
    std::vector<std::string> notInstalled;
  };
  Parts& Build() { return m_parts; }
  const Parts& Built() const { return m_parts; }

 private:
  Parts m_parts;
};

// A problem with its parts, for the plans and the commit.
SeasonProblem MakeProblem(SeasonRefusal refusal, std::string subject = {}, std::string detail = {},
                          std::string path = {});

}  // namespace gridmoor
