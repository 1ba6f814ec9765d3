#pragma once
// The season service: the one place where the season files (67season.ini and gp.ini) change.
// Every change is first planned in memory on both files (a SeasonChange: the bytes before and
// after, and one line per effect for a dry run or the question before it), then committed in
// one call: the game-running and read-only refusals, the undo step kept first, each file saved
// through the safe replace (only while it still holds the bytes the plan read), the step dropped
// when no byte changed, and then the files of ours (the event library, the sets).
//
// Files of ours live in folders the game never lists, beside the undo steps:
//   seasons\gridmoor-library\events   every event block Gridmoor has installed, removed or
//                                     imported, by track folder (SeasonLibrary.h)
//   seasons\gridmoor-sets\set-<hex>   one saved set: a named copy of both season files
//                                     (SeasonSetFiles.h)
//   seasons\gridmoor-sets\active      the name of the active set
// Names read from any of them (or from a calendar file) never lead outside the game folder:
// a track folder must be a plain name, a set's file name is derived from its name.
//
// Where it lives: the plans of events in SeasonEventPlans.cpp, of sets and calendars in
// SeasonSetPlans.cpp, the commit in SeasonCommit.cpp, reading here (SeasonService.cpp). Front
// ends run a planned change whole through engine/SeasonCommand.h.
//
// Failure, in every call: a SeasonProblem in what the call returns (kNone: none), with what lets
// the player go on where there is a way. Nothing here throws. The bracket of a command that
// writes the season files itself (BeginCommand, RememberInstalled) answers a bool: it is best
// effort, and its caller goes on or stops without a reason to show.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/SeasonChange.h"
#include "engine/SeasonEvents.h"
#include "engine/SeasonFormats.h"
#include "engine/SeasonHistory.h"
#include "platform/FileSystem.h"

namespace gridmoor {

struct TrackPackage;

// How a commit may go past a refusal the player answered.
struct CommitOptions {
  std::string command;          // recorded with the undo step ("gridmoor-cli sort --by date")
  bool evenIfGameRuns = false;  // the player chose to go on while gpl.exe runs
  bool clearReadOnly = false;   // the player chose to clear a season file's read-only mark
};

struct CommitResult {
  SeasonProblem problem;    // kNone: everything planned was done
  bool stepKept = false;    // an undo step now holds the season files as they were before
};

// A season file as the front ends show it.
struct SeasonFileView {
  SeasonProblem problem;   // kUnreadable when it could not be read (events then empty)
  SeasonEvents events;     // with the marks (missing folder, folder named twice, disagreement)
};

// A track folder in tracks\ that no event of 67season.ini names.
struct AvailableTrack {
  std::string folder;   // as on disk
  bool known = false;   // the library holds its event, so `add` can put it back
};

struct SetSummary {
  std::string name;
  std::string savedTime;            // local time, "YYYY-MM-DD HH:MM:SS"
  int seasonEvents = 0;             // the count its 67season.ini holds
  int championshipEvents = 0;       // and its gp.ini (0 when the set has none)
  bool active = false;
  // Active set only: the season files no longer hold the bytes the set holds.
  bool changedSinceSaved = false;
};

// A saved set's events (set show), or two sets compared (set diff).
struct SetView {
  SeasonProblem problem;
  SetSummary summary;
  SeasonEvents events[kSeasonFileCount];
};
struct SetDifference {
  SeasonFileId file = SeasonFileId::kSeason;
  std::string folder;        // the track folder that differs
  int numberInA = 0;         // its event number in A, 0 when A lacks it
  int numberInB = 0;
};


struct SetList {
  std::vector<SetSummary> sets;
  std::vector<SeasonProblem> problems;  // set files left out (kInvalidFile)
};
struct SetComparison {
  SeasonProblem problem;  // a set that cannot be read (the differences are then empty)
  std::vector<SetDifference> differences;
};

class SeasonService {
 public:
  // Works on the game folder `gameFolder` (no trailing backslash) through `files` (not owned;
  // it must outlive the service). `runningGame` answers the name of a program running from the
  // game folder (gpl.exe, or a mod's copy of it under another name), nullopt when none runs; by
  // default the system's process list (ProgramRunningIn).
  SeasonService(FileSystem& files, std::string gameFolder,
                std::function<std::optional<std::string>()> runningGame = {});

  const std::string& GameFolder() const { return m_gameFolder; }
  FileSystem& Files() const { return m_files; }
  // A command of ours stopped halfway (killed, Ctrl+C) is settled when a service is made on its
  // game folder: what was done about it, one line, or "" (SettleInterrupted).
  const std::string& Settled() const { return m_settled; }
  // The program of the game folder that runs now (and may write the season back over a
  // change), or nullopt.
  std::optional<std::string> RunningGame() const;
  // The season files the change writes that are marked read-only now.
  std::vector<std::string> ReadOnlyFiles(const SeasonChange& change) const;
  // gameFolder\seasons\<name of file>.
  std::string PathOf(SeasonFileId file) const;

  // ---- Reading (never writes, never throws)
  SeasonFileView Read(SeasonFileId file) const;
  // The folders of tracks\ that no event of 67season.ini names, sorted without regard to case.
  std::vector<AvailableTrack> AvailableTracks() const;
  // What `add` could put into `file`: the installed track folders no event of it names, each
  // `known` when the library holds its event (only those can be added).
  std::vector<AvailableTrack> AddCandidates(SeasonFileId file) const;
  // The saved sets, sorted by name without regard to case. A set file that is not valid is
  // left out, with its problem in `problems`.
  SetList ListSets() const;
  // The active set's name, or nullopt.
  std::optional<std::string> ActiveSet() const;
  SetView ShowSet(const std::string& name) const;
  // The events by track folder that are in one set and not the other, or at another number.
  SetComparison DiffSets(const std::string& a, const std::string& b) const;
  // The undo steps, newest first.
  std::vector<HistoryStep> ListSteps() const;

  // ---- Planning (reads only; the problem of a refused plan is in SeasonChange::Problem)
  // Takes every event naming one of `tracks` out of the chosen files (later events move down),
  // remembering each block in the library first. With `deleteFiles` also deletes
  // tracks\<track> and the replay the library knows for it (a plain name only).
  SeasonChange PlanRemove(const std::vector<std::string>& tracks, SeasonFileChoice files,
                          bool deleteFiles) const;
  // Puts the library's event of each track back: appended, or refreshed where an event already
  // names the folder. kSeasonFull when 67season.ini would pass 64 events.
  SeasonChange PlanAdd(const std::vector<std::string>& tracks, SeasonFileChoice files) const;
  // Reorders the events (numbered 1..N again, ties keep their order), each event's lines kept
  // byte for byte and every other byte of the file kept.
  SeasonChange PlanSort(SortKey key, SeasonFileChoice files) const;
  // Moves the (first) event naming `track` to number `to` (1..N), the others keeping their order.
  SeasonChange PlanMove(const std::string& track, int to, SeasonFileChoice files) const;
  // Moves the events naming each of `tracks` `by` places (negative: towards the first), together
  // and keeping their order, the others closing up around them: one change for a selection.
  // kOutOfRange when one would pass the first or last place; kNotFound for a name no event has.
  SeasonChange PlanShift(const std::vector<std::string>& tracks, int by,
                         SeasonFileChoice files) const;

  // Saves both season files as set `name` (replacing a set of that name) and makes it active.
  SeasonChange PlanSetSave(const std::string& name) const;
  // Makes set `name` the season files. The files it replaces are saved into the active set
  // first; with none active, into a new set (SeasonChange::CreatedSetName).
  SeasonChange PlanSetUse(const std::string& name) const;
  SeasonChange PlanSetDelete(const std::string& name) const;
  SeasonChange PlanSetRename(const std::string& from, const std::string& to) const;
  // Writes set `name` as one portable calendar file at `filePath` (any path the player names).
  SeasonChange PlanSetExport(const std::string& name, const std::string& filePath) const;
  // Reads a calendar file into a new set (named `as`, else the name in the file). Events whose
  // track folder is not installed are named in the effects; `onlyInstalled` keeps them out.
  SeasonChange PlanSetImport(const std::string& filePath, const std::string& as,
                             bool onlyInstalled) const;

  // The refusals a commit would give now (game running, read-only, not writable): for a dry
  // run, and for asking before the commit. kNone when the commit may go ahead.
  SeasonProblem Check(const SeasonChange& change, const CommitOptions& options) const;
  // Does the change (see the file comment for the order). Never throws.
  CommitResult Commit(const SeasonChange& change, const CommitOptions& options);


  // ---- Changes made outside a plan: the install run writes the season files itself.
  // The refusals a commit would give to a command that writes the chosen season files itself:
  // the game running (unless evenIfGameRuns) and the real reason a file or the undo folder
  // cannot be written (kNotWritable). The read-only mark is the install's own question.
  SeasonProblem CheckCommand(SeasonFileChoice files, const CommitOptions& options) const;
  // Keeps an undo step before a command that changes the season files on its own; false when
  // it cannot (the caller then must not change them, or, in the dialog, goes on without one).
  bool BeginCommand(const std::string& command);
  // Keeps in the command's step the files `scope` names, before the command writes them (the
  // game files there now move into the step); false when it cannot.
  bool KeepFiles(const StepScope& scope);
  // Ends the command begun: drops its step when no byte changed, else records what it left.
  void EndCommand();
  // Ends the command begun by undoing what it did (it was stopped halfway): what was done, as
  // SettleInterrupted says it.
  std::string UndoCommand();
  // Remembers in the library the event 67season.ini now holds for the package's track, with the
  // package's replay file name. Best effort: never throws, answers whether it was written.
  bool RememberInstalled(const TrackPackage& package);

 private:
  SeasonProblem ClearMarks(const SeasonChange& change);

  FileSystem& m_files;  // not owned
  std::string m_gameFolder;
  std::function<std::optional<std::string>()> m_runningGame;
  std::string m_settled;
  std::shared_ptr<RunningCommand> m_running;  // from BeginCommand to EndCommand
};

}  // namespace gridmoor
