#include "cli/SeasonConsoleHost.h"

#include <ostream>

#include "cli/ConsoleHost.h"

namespace gridmoor::cli {

int StatusOf(const SeasonProblem& problem) {
  switch (problem.refusal) {
    case SeasonRefusal::kNone:
      return kExitOk;
    case SeasonRefusal::kGameRunning:
      return kExitGameRunning;
    case SeasonRefusal::kReadOnly:
    case SeasonRefusal::kNotWritable:
    case SeasonRefusal::kUnreadable:
    case SeasonRefusal::kUndoNotKept:
      return kExitNotWritable;
    case SeasonRefusal::kSeasonFull:
      return kExitSeasonFull;
    case SeasonRefusal::kNotFound:
    case SeasonRefusal::kNotInLibrary:
    case SeasonRefusal::kNothingToDo:
      return kExitNothingToDo;
    case SeasonRefusal::kBadName:
    case SeasonRefusal::kNameTaken:
    case SeasonRefusal::kOutOfRange:
      return kExitUsage;
    case SeasonRefusal::kInvalidFile:
    case SeasonRefusal::kSectionsDisagree:
      return kExitInvalidFile;
    case SeasonRefusal::kWriteFailed:
    case SeasonRefusal::kRestoreFailed:
      return kExitUpdateFailed;
    case SeasonRefusal::kNotConfirmed:
      return kExitNotConfirmed;
  }
  return kExitUpdateFailed;
}

std::string ProblemLine(FileSystem& files, const SeasonProblem& problem) {
  std::string line = ReadableText(SeasonProblemText(files, problem));
  if (problem.refusal == SeasonRefusal::kGameRunning) line += " (or --force)";
  if (problem.refusal == SeasonRefusal::kNotConfirmed)
    line = "not confirmed: " + line + " (answer yes on a terminal, or give --yes)";
  return line;
}

ConsoleSeasonHost::ConsoleSeasonHost(Console& console, FileSystem& files, std::string name,
                                     const ChangeOptions& options)
    : m_console(console), m_files(files), m_name(std::move(name)), m_options(options) {}

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

void ConsoleSeasonHost::ShowPlan(const std::vector<SeasonEffect>& effects, bool dryRun) {
  const char* const will = dryRun ? "would " : "will ";
  // Per file: how many events without their track folder, and whether they are left out.
  std::vector<std::pair<std::string, int>> notInstalled;
  bool leftOut = false;
  for (const SeasonEffect& effect : effects) {
    std::string text = effect.text;
    if (!m_notInstalled.empty() && EndsWith(text, " is not installed")) {
      leftOut = text.rfind("leave out", 0) == 0;
      if (notInstalled.empty() || notInstalled.back().first != effect.file)
        notInstalled.push_back({effect.file, 0});
      ++notInstalled.back().second;
      continue;
    }
    for (const char* folder : {"tracks\\", "replay\\"}) {
      if (!m_gameFolder.empty() && text.rfind(std::string("delete ") + folder, 0) == 0)
        text = "delete " + m_files.NativePath(m_gameFolder + "\\" + text.substr(7));
    }
    m_console.out << (effect.file.empty() ? "" : effect.file + ": ") << will << ReadableText(text)
                  << "\n";
  }
  for (const auto& [file, count] : notInstalled) {
    std::string names;
    for (const std::string& event : m_notInstalled) {
      if (event.rfind(file + ": ", 0) != 0) continue;
      names += (names.empty() ? "" : ", ") + event.substr(file.size() + 2);
    }
    m_console.out << file << ": " << will << (leftOut ? "leave out " : "keep ") << count
                  << (count == 1 ? " event" : " events")
                  << " whose track folder is not installed: " << ReadableText(names) << "\n";
  }
}

bool ConsoleSeasonHost::Ask(const SeasonQuestion& question, bool dryRun) {
  // The game running is never asked at a terminal: --force is the answer.
  if (question.kind == SeasonQuestionKind::kGameRunning) {
    if (dryRun && !m_options.force)
      m_console.out << "would refuse: " << ReadableText(GameRunningText(question.subject))
                    << " (status 9; --force goes on)\n";
    return m_options.force;
  }
  const std::string& text = question.text;
  if (dryRun) {
    m_console.out << "would ask: " << ReadableText(text)
                  << (m_options.yes ? " (--yes answers yes)\n" : " (status 11 unless answered yes)\n");
    return m_options.yes;
  }
  return AskYesNo(m_console, ReadableText(text), m_options.yes);
}

void ConsoleSeasonHost::ShowOutcome(const SeasonOutcome& outcome) {
  m_status = StatusOf(outcome.problem);
  if (outcome.problem) {
    const bool partly = outcome.problem.refusal == SeasonRefusal::kWriteFailed ||
                        outcome.problem.refusal == SeasonRefusal::kRestoreFailed;
    if (outcome.dryRun && !outcome.declined) {
      m_console.out << "would refuse: " << ProblemLine(m_files, outcome.problem) << " (status "
                    << m_status << ")\n";
    } else if (!outcome.dryRun) {
      m_console.err << m_name << ": " << ProblemLine(m_files, outcome.problem)
                    << (partly ? "\n" : "; nothing changed\n");
    }
    return;
  }
  if (outcome.restore) return ShowRestore(*outcome.restore, outcome.dryRun);
  if (outcome.effects.empty()) {
    m_console.out << "Nothing to change.\n";
    return;
  }
  if (outcome.dryRun) return;
  // What was deleted is said once more, as done.
  for (const std::string& path : outcome.deleted) m_console.out << "deleted " << m_files.NativePath(path) << "\n";
  if (!outcome.createdSet.empty())
    m_console.out << "The season files it replaced are saved as the set \"" << outcome.createdSet
                  << "\".\n";
  m_console.out << "Done." << (outcome.stepKept ? " \"restore\" puts back what it changed." : "")
                << "\n";
}

void ConsoleSeasonHost::ShowRestore(const RestoreReport& report, bool dryRun) {
  if (report.redo) {
    m_console.out << (dryRun ? "Would redo" : "Redone") << ": " << report.step.command << "\n";
  } else {
    m_console.out << (dryRun ? "Would restore" : "Restored") << " step " << report.step.number
                  << " (" << report.step.time << ", before: " << report.step.command << ")\n";
  }
  for (const RestoredFile& file : report.files) {
    m_console.out << "  " << file.fileName << ": ";
    if (file.unchanged) {
      m_console.out << "unchanged\n";
    } else if (!file.keptSize) {
      m_console.out << (dryRun ? "would be deleted" : "deleted") << " (it did not exist before)\n";
    } else {
      m_console.out << (file.currentSize ? std::to_string(*file.currentSize) + " bytes" : "missing")
                    << " -> " << *file.keptSize << " bytes\n";
    }
    if (file.changedSince && !dryRun && !file.replacedCopy.empty()) {
      m_console.out << "  the change made to " << file.fileName << " since is kept in "
                    << m_files.NativePath(file.replacedCopy) << "\n";
    }
  }
  if (report.activeSetRestored)
    m_console.out << "  the active set: " << (dryRun ? "would be" : "is") << " the one of then again\n";
  for (const std::string& path : report.filesBack)
    m_console.out << "  " << m_files.NativePath(path) << ": " << (dryRun ? "would be put" : "put")
                  << " back\n";
  for (const std::string& path : report.filesTakenOut)
    m_console.out << "  " << m_files.NativePath(path) << ": " << (dryRun ? "would be taken" : "taken")
                  << " out (kept for redo)\n";
  for (const std::string& event : report.eventsWithoutFolder) {
    m_console.out << "  note: " << (dryRun ? "would put" : "puts") << " back " << event
                  << ", whose track folder is missing\n";
  }
  if (!dryRun && !report.stepDropped)
    m_console.err << m_name << ": the step file could not be deleted; a second restore repeats it\n";
}

std::string GameText(std::string typed) {
  std::string out;
  for (std::size_t i = 0; i < typed.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(typed[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    // Two bytes of UTF-8 for U+0080..U+00FF: lead byte C2 or C3.
    const unsigned char next = i + 1 < typed.size() ? static_cast<unsigned char>(typed[i + 1]) : 0;
    if ((c != 0xC2 && c != 0xC3) || (next & 0xC0) != 0x80) return typed;
    out.push_back(static_cast<char>(((c & 0x03) << 6) | (next & 0x3F)));
    ++i;
  }
  return out;
}

int RunChange(Console& console, FileSystem& files, SeasonService& service, const char* name,
              const SeasonChange& change, const ChangeOptions& options) {
  ConsoleSeasonHost host(console, files, name, options);
  host.SetGameFolder(service.GameFolder());
  host.SetNotInstalled(change.NotInstalled());
  RunSeasonChange(service, host, change, CommandLineText(), options.dryRun);
  return host.Status();
}

}  // namespace gridmoor::cli
