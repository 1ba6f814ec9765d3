#pragma once
// A season command run whole, the same way for every front end: the plan, the refusals, the
// questions in one fixed order, the commit and what it leaves. The front end (the command line,
// the season window, a test double) implements SeasonHost: it shows the plan, answers the
// questions and shows the outcome; it decides nothing about the season files.
//
// The order, for every command:
//   1. the plan's own refusal (unknown names, a full season, a bad set name...);
//   2. the refusals no answer can lift: a file or folder this user cannot write, the undo folder;
//   3. the questions, each asked only when it applies: the game running, a read-only mark,
//      files changed since (restore), a file or set to overwrite, then the command's own;
//   4. the commit (a dry run stops before it), and what it leaves (the undo step, a set made).
// Nothing is written before step 4, so every refusal and every No leaves every byte as it was.
//
// Failure has one shape here: a SeasonProblem in the outcome (kNone: done). Nothing throws.

#include <optional>
#include <string>
#include <vector>

#include "engine/SeasonHistory.h"
#include "engine/SeasonService.h"

namespace gridmoor {

enum class SeasonQuestionKind {
  kGameRunning,    // the game runs and may write the season back: go on anyway?
  kClearReadOnly,  // a season file to change is marked read-only: clear the mark?
  kChangedSince,   // restore: files were changed after the command, by hand or another program
  kOverwrite,      // a file or a set the player named exists: replace it?
  kConfirm,        // the command's own question ("Remove these events?")
};

struct SeasonQuestion {
  SeasonQuestionKind kind = SeasonQuestionKind::kConfirm;
  std::string text;                // the question, as one paragraph; ends in '?'
  std::vector<std::string> files;  // the files it is about (engine paths)
  std::string subject;             // kGameRunning: the program found running
  // Whether "restore" takes back what a Yes lets happen. A front end with an Undo button at
  // hand may answer such a kConfirm question itself; every other question it must ask.
  bool undoable = false;
};

// What a command did (or, in a dry run, would do).
struct SeasonOutcome {
  SeasonProblem problem;   // kNone: done
  bool declined = false;   // the problem is the player's No to a question; nothing changed
  bool dryRun = false;
  bool stepKept = false;   // an undo step holds what the command changed
  std::vector<SeasonEffect> effects;  // the plan's lines, as shown before the questions
  // What was deleted (tracks\<folder>, a replay; kept in the undo step), as engine paths.
  std::vector<std::string> deleted;
  std::string createdSet;  // a set the command made to keep the files it replaced
  std::optional<RestoreReport> restore;  // restore's report
};

class SeasonHost {
 public:
  virtual ~SeasonHost() = default;
  // Shows what the command will do (a dry run: would do), before any question. Called only for
  // a plan the engine accepted.
  virtual void ShowPlan(const std::vector<SeasonEffect>& effects, bool dryRun) = 0;
  // The player's answer: true for Yes. In a dry run the host answers as the real run would be
  // answered, and may say that it would ask.
  virtual bool Ask(const SeasonQuestion& question, bool dryRun) = 0;
  // Writing begins (true) and ends (false): a wait cursor, a progress line.
  virtual void Busy(bool busy) { (void)busy; }
  // The end: done, refused, declined or failed.
  virtual void ShowOutcome(const SeasonOutcome& outcome) = 0;
};

// Runs a planned change (SeasonService::Plan*) whole. `record` is the command as its undo step
// records it ("gridmoor-cli sort --by date").
SeasonOutcome RunSeasonChange(SeasonService& service, SeasonHost& host, const SeasonChange& change,
                              const std::string& record, bool dryRun);

// Puts back the newest undo step (`redo`: the newest redo step), with the same order of refusals
// and questions.
SeasonOutcome RunSeasonRestore(SeasonService& service, SeasonHost& host, const std::string& record,
                               bool dryRun, bool redo = false);

// The refusals and questions of a command that writes the season files itself (the install):
// the game running (asked), a file or the undo folder this user cannot write; then, unless a
// dry run, the undo step kept for the whole command. kNone: go on, and call
// EndSeasonCommand after the last change. The read-only mark is the install's own question.
SeasonOutcome BeginSeasonCommand(SeasonService& service, SeasonHost& host, SeasonFileChoice files,
                                 const std::string& record, bool dryRun);
void EndSeasonCommand(SeasonService& service);

// Before an install copies the package's files: when tracks\<its folder> holds another track
// (OtherTrackInFolder), asks whether to replace it (kOverwrite, the line naming the track, when
// it was installed and how many of its files go). kNone: go on (nothing asked when the folder
// is free or holds the same track, unless the package's `version=` is older than the one its
// record names: then whether to install the older version over the newer); kNotConfirmed,
// declined, after a No. The dialog asks nothing
// of the kind: its run is the one it always was.
SeasonOutcome ConfirmTrackFolder(SeasonService& service, SeasonHost& host,
                                 const TrackPackage& package, bool dryRun);

// A refusal as one line for the player, without a closing "nothing changed": the one table of
// the season commands' refusal texts. Paths are named as the system names them (`files`).
std::string SeasonProblemText(FileSystem& files, const SeasonProblem& problem);

// "gpl.exe is running", or for a mod's copy of the game "gplc67.exe (in the game folder) is
// running": `program` is the name of the program found running from the game folder.
std::string GameRunningText(const std::string& program);

}  // namespace gridmoor
