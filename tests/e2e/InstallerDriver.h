#pragma once
// Drives the real installer program from outside, as a user would: starts it from a package
// folder, waits for its dialog, reads the dialog's controls, types, clicks and presses keys,
// and answers its message boxes while recording each one. Everything goes through window
// messages to the other process; every wait is on a condition with a deadline.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "e2e/ChildProcess.h"
#include "e2e/Screen.h"
#include "e2e/Wait.h"

namespace gridmoor::e2e {

// The dialog's controls, by the ids of its template.
namespace control {
constexpr int kInstall = IDOK;
constexpr int kCancel = IDCANCEL;
constexpr int kSeason = 1000;
constexpr int kChampionship = 1001;
constexpr int kHomepage = 1002;
constexpr int kReplay = 1003;
constexpr int kCredit = 1004;
constexpr int kReadme = 1005;
constexpr int kScreenshotFrame = 1006;
constexpr int kProgress = 1007;
constexpr int kGameFolder = 1096;
constexpr int kBrowse = 1097;
constexpr int kOpenSeason = 1098;
}  // namespace control

// The title of the open-file dialog behind "Browse".
constexpr const char* kBrowseTitle = "Locate GPL.EXE";

// One message box of the program, as it was shown and answered.
struct MessageBoxRecord {
  HWND window = nullptr;  // not owned; gone once answered
  std::string caption;
  std::string text;
  BoxIcon icon = BoxIcon::Unknown;
  std::vector<int> buttons;  // IDOK, IDYES, IDNO ... in the order of the box's controls
  int progress = -1;         // the dialog's progress bar when the box came up; -1 without one
  int answer = 0;            // the button the driver pressed; 0 while unanswered
};

// "caption | text | icon | buttons", with line breaks made visible; for test output.
std::string Describe(const MessageBoxRecord& box);
const char* ButtonName(int id);

// Picks the button to press on a box.
using AnswerPolicy = std::function<int(const MessageBoxRecord&)>;
// OK where the box has it; a box without OK gets its last button (No on Yes/No).
AnswerPolicy AnswerOk();
// Boxes that offer a choice get `choices` in turn (the last one repeats); OK boxes get OK.
AnswerPolicy AnswerChoices(std::vector<int> choices);

struct RunOutcome {
  std::vector<MessageBoxRecord> boxes;  // every box seen, in order
  bool exited = false;                  // the program ended before the deadline
};

class InstallerDriver {
 public:
  // Starts `exe` with `packageFolder` as its current directory and `arguments` on its command
  // line.
  InstallerDriver(const std::string& exe, const std::string& packageFolder,
                  const std::string& arguments = "");
  InstallerDriver(const InstallerDriver&) = delete;
  InstallerDriver& operator=(const InstallerDriver&) = delete;

  bool Started() const { return m_process.Started(); }
  DWORD StartError() const { return m_startError; }
  ChildProcess& Process() { return m_process; }

  // Waits until the installer's dialog is shown: visible, holding the game-folder box.
  bool WaitForDialog(Millis timeout = kDefaultTimeout);
  HWND Dialog() const { return m_dialog; }  // not owned; null until found
  HWND Control(int id) const;

  // What the dialog shows now.
  std::string Caption() const;
  std::string Text(int id) const;
  bool IsChecked(int id) const;
  bool IsEnabled(int id) const;
  int Progress() const;
  // The id of the dialog's control that has the keyboard focus; 0 when none of them has it.
  int FocusedControl() const;
  // The client area's top-left corner in screen coordinates.
  POINT ClientOrigin() const;
  RECT WindowRect() const;

  // Input. Posted, never sent, where the program may answer by opening a modal box.
  void SetText(int id, const std::string& text);  // WM_SETTEXT, as a paste replaces all
  // Tabs to the control, selects its text and types `text` key by key; answers whether the
  // box shows exactly `text` afterwards.
  bool TypeText(int id, const std::string& text);
  void Click(int id);          // a push button's click: WM_COMMAND / BN_CLICKED
  void ClickCheckBox(int id);  // BM_CLICK: the box toggles itself and tells the dialog
  void ClickLabel(int id);     // left button down and up inside the control
  void PressKey(WORD virtualKey);  // key down and up at the control with the focus
  // Presses Tab until `id` has the focus (at most once round the dialog).
  bool TabTo(int id);
  void CloseFromTitleBar();  // the caption's close button: WM_SYSCOMMAND / SC_CLOSE

  // Waits for the next message box of the program and reads it, unanswered. Empty when
  // none comes before the deadline or the program ends first.
  std::optional<MessageBoxRecord> WaitForMessageBox(Millis timeout = kDefaultTimeout);
  // Presses `button` on the box and waits until the box is gone; false when the box has no
  // such button or doesn't close.
  bool Answer(MessageBoxRecord& box, int button);
  // Answers every box as `policy` says until the program ends or `timeout` passes.
  RunOutcome AnswerUntilExit(const AnswerPolicy& policy, Millis timeout = kDefaultTimeout);

  // A visible top-level window of the program with this title (the open-file dialog).
  HWND WaitForWindow(const std::string& title, Millis timeout = kDefaultTimeout);

  bool WaitForExit(Millis timeout = kDefaultTimeout) { return m_process.WaitForExit(timeout); }

  // The program's top-level windows, visible or not.
  std::vector<HWND> TopLevelWindows() const;

 private:
  bool IsMessageBox(HWND window) const;
  MessageBoxRecord ReadMessageBox(HWND box) const;

  // Before m_process: its initializer writes the start error, which a later member initializer
  // would overwrite.
  DWORD m_startError = 0;
  ChildProcess m_process;
  HWND m_dialog = nullptr;  // not owned
};

// The open-file dialog: types `path` into its file name box and presses Open.
bool ChooseFileInDialog(HWND fileDialog, const std::string& path);
// Presses the open-file dialog's Cancel.
void CancelFileDialog(HWND fileDialog);

// A window's class name and text, and the text of a control of another process.
std::string ClassOf(HWND window);
std::string WindowText(HWND window);

}  // namespace gridmoor::e2e
