#include "engine/SeasonCommand.h"

#include <exception>

#include "engine/FileErrorText.h"
#include "engine/GameFiles.h"
#include "engine/SeasonRules.h"
#include "engine/SeasonPlanning.h"
#include "engine/TrackRecords.h"
#include "engine/WriteAccessCheck.h"
#include "platform/FileException.h"

namespace gridmoor {
namespace {

// The paths as the system names them, "a, b and c".
std::string NameList(FileSystem& files, const std::vector<std::string>& paths) {
  std::string text;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == paths.size() ? " and " : ", ") + files.NativePath(paths[i]);
  }
  return text;
}

// Asks the questions in their order; the first No ends the run with the outcome it gives.
class Questions {
 public:
  Questions(SeasonHost& host, FileSystem& files, SeasonOutcome& outcome)
      : m_host(host), m_files(files), m_outcome(outcome) {}

  bool GameRunning(SeasonService& service) {
    const std::optional<std::string> running = service.RunningGame();
    if (!running) return true;
    SeasonQuestion question;
    question.kind = SeasonQuestionKind::kGameRunning;
    question.subject = *running;
    question.text = GameRunningText(*running) +
                    ". It holds the season in memory and may write it back over this "
                    "change. Go on anyway?";
    if (m_host.Ask(question, m_outcome.dryRun)) return true;
    m_outcome.problem = MakeProblem(SeasonRefusal::kGameRunning, *running,
                                "the game holds the season in memory and may write it back");
    m_outcome.declined = true;
    return false;
  }

  bool ClearReadOnly(const std::vector<std::string>& marked) {
    if (marked.empty()) return true;
    SeasonQuestion question;
    question.kind = SeasonQuestionKind::kClearReadOnly;
    question.files = marked;
    question.text = NameList(m_files, marked) + (marked.size() == 1 ? " is" : " are") +
                    " marked read-only. Clear the mark?";
    return Ask(question, "the read-only mark stays");
  }

  bool Ask(const SeasonQuestion& question, const std::string& whenNo) {
    if (m_host.Ask(question, m_outcome.dryRun)) return true;
    m_outcome.problem = MakeProblem(SeasonRefusal::kNotConfirmed, "", whenNo);
    m_outcome.declined = true;
    return false;
  }

 private:
  SeasonHost& m_host;
  FileSystem& m_files;  // not owned
  SeasonOutcome& m_outcome;
};

SeasonOutcome Finish(SeasonHost& host, SeasonOutcome outcome) {
  host.ShowOutcome(outcome);
  return outcome;
}

// The restore itself, once every question is answered: the marks asked about cleared, then the
// newest step put back (`report` becomes what was done).
SeasonProblem PutStepBack(FileSystem& files, const std::string& game, RestoreReport& report,
                          bool redo) {
  for (const std::string& path : report.readOnlyFiles) {
    try {
      if (HasReadOnlyMark(files, path)) ClearReadOnlyMark(files, path);
    } catch (const CFileException& error) {
      return MakeProblem(SeasonRefusal::kNotWritable, "",
                     "its read-only mark cannot be cleared: " +
                         std::string(FileErrorReason(error.Cause())),
                     path);
    }
  }
  report = RestoreNewestStep(files, game, /*dryRun=*/false, redo);
  switch (report.status) {
    case RestoreStatus::kRestored:
      return {};
    case RestoreStatus::kReadOnly:
      return MakeProblem(SeasonRefusal::kReadOnly, "", "it is marked read-only", report.failedFile);
    default:
      return MakeProblem(SeasonRefusal::kRestoreFailed, "",
                     "it could not be read or written; the step is kept, so a second restore "
                     "tries again",
                     report.failedFile);
  }
}

}  // namespace

SeasonOutcome RunSeasonChange(SeasonService& service, SeasonHost& host, const SeasonChange& change,
                              const std::string& record, bool dryRun) {
  SeasonOutcome outcome;
  outcome.dryRun = dryRun;
  if (change.Problem()) {
    outcome.problem = change.Problem();
    return Finish(host, outcome);
  }
  outcome.effects = change.Effects();
  outcome.createdSet = change.CreatedSetName();
  if (change.Effects().empty()) return Finish(host, outcome);  // nothing to do is no failure
  host.ShowPlan(change.Effects(), dryRun);

  CommitOptions options{record, true, true};
  if (SeasonProblem refused = service.Check(change, options)) {
    outcome.problem = refused;
    return Finish(host, outcome);
  }
  Questions ask(host, service.Files(), outcome);
  if (change.ChangesSeasonFiles() && !ask.GameRunning(service)) return Finish(host, outcome);
  if (!ask.ClearReadOnly(service.ReadOnlyFiles(change))) return Finish(host, outcome);
  for (const SeasonChange::Question& own : change.Questions()) {
    SeasonQuestion question;
    question.kind = own.overwrite ? SeasonQuestionKind::kOverwrite : SeasonQuestionKind::kConfirm;
    question.text = own.text;
    question.files = own.files;
    question.undoable = own.undoable;
    if (!ask.Ask(question, "not confirmed")) return Finish(host, outcome);
  }
  if (dryRun) return Finish(host, outcome);

  host.Busy(true);
  const CommitResult result = service.Commit(change, options);
  host.Busy(false);
  outcome.problem = result.problem;
  outcome.stepKept = result.stepKept;
  if (!result.problem) outcome.deleted = change.DeletedPaths();
  return Finish(host, outcome);
}

SeasonOutcome RunSeasonRestore(SeasonService& service, SeasonHost& host, const std::string& record,
                               bool dryRun, bool redo) {
  (void)record;  // what a restore replaces is kept as the step of the other direction
  SeasonOutcome outcome;
  outcome.dryRun = dryRun;
  FileSystem& files = service.Files();
  const std::string& game = service.GameFolder();
  RestoreReport report = RestoreNewestStep(files, game, /*dryRun=*/true, redo);
  if (report.status == RestoreStatus::kNothingKept) {
    outcome.problem = MakeProblem(SeasonRefusal::kNothingToDo, "",
                                  redo ? "nothing to redo: no step was undone since the last command"
                                       : "nothing to restore: no undo steps kept in " +
                                             files.NativePath(HistoryFolder(game)));
    return Finish(host, outcome);
  }
  if (report.status == RestoreStatus::kFailed) {
    outcome.problem = MakeProblem(SeasonRefusal::kUnreadable, "", "it cannot be read",
                              report.failedFile);
    return Finish(host, outcome);
  }
  outcome.restore = report;
  // Only the files the restore changes must be writable.
  std::vector<std::string> paths;
  std::vector<std::string> changedSince;
  for (const RestoredFile& file : report.files) {
    if (file.unchanged) continue;
    paths.push_back(SeasonFilePath(game, file.fileName));
    if (file.changedSince) changedSince.push_back(SeasonFilePath(game, file.fileName));
  }
  for (const std::string& path : report.otherChangedSince) changedSince.push_back(path);
  if (const std::optional<std::string> blocker = FindWriteBlocker(files, game, paths)) {
    outcome.problem = MakeProblem(SeasonRefusal::kNotWritable, "", *blocker);
    return Finish(host, outcome);
  }
  Questions ask(host, service.Files(), outcome);
  if (!ask.GameRunning(service)) return Finish(host, outcome);
  if (!ask.ClearReadOnly(report.readOnlyFiles)) return Finish(host, outcome);
  if (!changedSince.empty()) {
    SeasonQuestion question;
    question.kind = SeasonQuestionKind::kChangedSince;
    question.files = changedSince;
    question.text = NameList(files, changedSince) + (changedSince.size() == 1 ? " was" : " were") +
                    " changed after that command (by hand or by another program). Undo over that "
                    "change too? It is kept in the undo folder, and \"redo\" brings it back.";
    if (!ask.Ask(question, "the files changed since stay as they are")) return Finish(host, outcome);
  }
  if (dryRun) return Finish(host, outcome);

  host.Busy(true);
  outcome.problem = PutStepBack(files, game, report, redo);
  host.Busy(false);
  outcome.restore = report;
  return Finish(host, outcome);
}

SeasonOutcome BeginSeasonCommand(SeasonService& service, SeasonHost& host, SeasonFileChoice choice,
                                 const std::string& record, bool dryRun) {
  SeasonOutcome outcome;
  outcome.dryRun = dryRun;
  if (SeasonProblem refused = service.CheckCommand(choice, {record, true, true})) {
    outcome.problem = refused;
    return outcome;
  }
  Questions ask(host, service.Files(), outcome);
  if (!ask.GameRunning(service)) return outcome;
  if (!dryRun && !service.BeginCommand(record)) {
    outcome.problem = MakeProblem(SeasonRefusal::kUndoNotKept, "",
                              "the season files' bytes cannot be kept for restore",
                              HistoryFolder(service.GameFolder()));
  }
  return outcome;
}

void EndSeasonCommand(SeasonService& service) { service.EndCommand(); }

std::string GameRunningText(const std::string& program) {
  // Said where it runs from, so a player does not look for gpl.exe in the task list.
  if (SameFoldedName(program, kGameProgram)) return program + " is running";
  return program + " (in the game folder) is running";
}

namespace {

// The same track, recorded in its folder at a newer version than the package's: an install
// would take back the fixes of the newer one, so it is asked.
void ConfirmOlderVersion(SeasonService& service, SeasonHost& host, const TrackPackage& package,
                         SeasonOutcome& outcome) {
  FileSystem& files = service.Files();
  const std::string version = ReadPackageVersion(files, package.packageFolder);
  if (version.empty()) return;
  const RecordRead read = ReadTrackRecord(files, service.GameFolder(), package.trackDirectory);
  if (!read.record || read.record->version.empty() ||
      !SameFoldedName(read.record->name, package.name) ||
      CompareVersions(version, read.record->version) >= 0)
    return;
  const std::string folder = service.GameFolder() + kTracksFolder + package.trackDirectory;
  try {
    if (!(files.GetStatus(folder).attributes & kAttributeDirectory)) return;
  } catch (const CFileException&) {
    return;  // the folder is gone: nothing newer is replaced
  }
  SeasonQuestion question;
  question.kind = SeasonQuestionKind::kOverwrite;
  question.files = {folder};
  question.text = files.NativePath(folder) + " holds " + OneLineName(package.name) + " version " +
                  OneLineName(read.record->version) + "; this package is the older version " +
                  OneLineName(version) + ". Install the older version over it?";
  Questions ask(host, files, outcome);
  ask.Ask(question, "version " + OneLineName(read.record->version) + " stays");
}

}  // namespace

SeasonOutcome ConfirmTrackFolder(SeasonService& service, SeasonHost& host,
                                 const TrackPackage& package, bool dryRun) {
  SeasonOutcome outcome;
  outcome.dryRun = dryRun;
  FileSystem& files = service.Files();
  const std::optional<FolderHolder> holder =
      OtherTrackInFolder(files, service.GameFolder(), package);
  if (!holder) {
    ConfirmOlderVersion(service, host, package, outcome);
    return outcome;
  }
  SeasonQuestion question;
  question.kind = SeasonQuestionKind::kOverwrite;
  question.files = {holder->folder};
  // The time to the minute: enough to know the install again.
  const std::string when = holder->installedTime.substr(0, 16);
  const int count = holder->filesReplaced;
  question.text = files.NativePath(holder->folder) + " holds " + OneLineName(holder->name) +
                  (when.empty() ? "" : ", installed " + when) + "; " +
                  (count == 0 ? std::string("the new files go beside its own")
                              : "its " + std::to_string(count) +
                                    (count == 1 ? " file will be replaced; restore puts it back"
                                                : " files will be replaced; restore puts them back")) +
                  ". Install " + OneLineName(package.name) + " there?";
  Questions ask(host, files, outcome);
  ask.Ask(question, "the track in " + files.NativePath(holder->folder) + " stays");
  return outcome;
}

std::string SeasonProblemText(FileSystem& files, const SeasonProblem& problem) {
  const std::string path = problem.path.empty() ? "" : files.NativePath(problem.path);
  const std::string subject = problem.subject.empty() ? path : "\"" + problem.subject + "\"";
  const std::string prefix = subject.empty() ? "" : subject + ": ";
  switch (problem.refusal) {
    case SeasonRefusal::kNone:
      return {};
    case SeasonRefusal::kGameRunning:
      return GameRunningText(problem.subject.empty() ? kGameProgram : problem.subject) +
             " and may write the season back; close it first";
    case SeasonRefusal::kSeasonFull:
      return problem.detail + ": take out " + std::to_string(problem.mustGo) +
             (problem.mustGo == 1 ? " event" : " events") + " first";
    case SeasonRefusal::kWriteFailed:
      return path + ": " + problem.detail + "; \"restore\" puts back what was changed";
    case SeasonRefusal::kNotWritable:
    case SeasonRefusal::kReadOnly:
    case SeasonRefusal::kRestoreFailed:
    case SeasonRefusal::kUndoNotKept:
      return (path.empty() ? "" : path + ": ") + problem.detail;
    default:
      return prefix + problem.detail;
  }
}

}  // namespace gridmoor
