#pragma once
// The engine's host on a terminal: the dialog's message boxes printed with their kind, its
// questions asked on the terminal (or answered by --yes), its progress bar drawn on a terminal
// or printed as plain lines, and its option boxes set from the command line.

#include <chrono>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "engine/InstallHost.h"

namespace gridmoor::cli {

// Thrown by the host at the run's next progress step after Ctrl+C (InterruptNote): the command
// stops there and undoes what it began. Not a std::exception, so no engine step takes it for a
// failure of its own.
struct Interrupted {};

// What the command line chose for one install run.
struct RunChoices {
  std::string gameFolder;     // the game-folder box
  bool championship = false;  // box 1001: --championship
  bool noReplay = false;      // box 1003 cleared by --no-replay
  bool assumeYes = false;     // --yes
  bool quiet = false;         // --quiet: failures only
};

class ConsoleHost : public InstallHost {
 public:
  // `packageFolder` is where the screenshot is looked for. With `planOnly` nothing is printed
  // while the engine runs: questions are answered Yes (so the plan goes on as far as a real
  // run could) and, like every box, recorded for the plan.
  ConsoleHost(Console& console, FileSystem& files, std::string packageFolder, RunChoices choices,
              bool planOnly);
  ~ConsoleHost() override;

  struct Shown {
    std::string kind;  // "error", "question", "summary"
    std::string text;  // with CR LF made LF
  };
  const std::vector<Shown>& Messages() const { return m_messages; }
  bool ReplayAvailable() const { return m_replayAvailable; }
  // Whether a question was answered No, or could not be asked (no terminal, no --yes).
  bool Declined() const { return m_declined; }

  MessageAnswer ShowMessage(const std::string& text, MessageButtons buttons,
                            MessageIcon icon) override;
  void SetProgress(int position) override;
  std::string GameFolderText() override { return m_choices.gameFolder; }
  bool IsChampionshipChecked() override { return m_choices.championship; }
  bool IsReplayChecked() override { return m_replayAvailable && !m_choices.noReplay; }
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
  void CheckSeasonBox() override {}
  void SetReadmeText(const std::string&) override {}
  void SetCaption(const std::string&) override {}
  void SetReplayOption(bool available) override { m_replayAvailable = available; }
  bool LoadScreenshot(const std::string& fileName) override;
  void CloseDialog() override { EndProgressLine(); }

 private:
  void EndProgressLine();

  Console& m_console;
  FileSystem& m_files;  // not owned
  std::string m_packageFolder;
  RunChoices m_choices;
  bool m_planOnly;
  bool m_replayAvailable = false;
  int m_position = -1;
  bool m_barShown = false;
  bool m_declined = false;
  std::chrono::steady_clock::time_point m_stepStart = std::chrono::steady_clock::now();
  std::vector<Shown> m_messages;
};

// The box's text for a terminal: CR LF (and lone CRs) as line breaks, later lines indented.
std::string TerminalText(const std::string& text, const std::string& indent);

// A box's text as a terminal says it: without the dialog's "Click OK to finish..." wording,
// and each line that is a path under one of `folders` (as the engine names them) given as
// `files` names it natively (NativePath), so it can be pasted.
std::string PlainText(const std::string& text, FileSystem& files,
                      const std::vector<std::string>& folders);

// Text from the game's files (8-bit ANSI, taken as Latin-1) as UTF-8, for a terminal and for
// JSON; text that is valid UTF-8 already is left as it is.
std::string ReadableText(const std::string& ansi);

}  // namespace gridmoor::cli
