#pragma once
// Drives the program's season window from outside: finds it among the program's windows,
// reads its list views' rows (through memory lent in the program's own process: the system
// carries no pointers between processes for the common controls) and the sets combo,
// selects, clicks and closes. As with the
// dialog, everything that may open a modal box is posted.

#include <windows.h>

#include <string>
#include <vector>

#include "e2e/InstallerDriver.h"

namespace gridmoor::e2e {

// The season window's controls.
namespace season {
constexpr int kShowSeason = 1100;
constexpr int kShowChampionship = 1101;
constexpr int kCount = 1102;
constexpr int kList = 1103;
constexpr int kProblem = 1104;
constexpr int kRemove = 1105;
constexpr int kAdd = 1106;
constexpr int kMoveUp = 1107;
constexpr int kMoveDown = 1108;
constexpr int kSort = 1109;
constexpr int kUndo = 1110;
constexpr int kSets = 1112;
constexpr int kSetUse = 1113;
constexpr int kSetSave = 1114;
constexpr int kSetDelete = 1115;
constexpr int kSetExport = 1116;
constexpr int kSetImport = 1117;
constexpr int kRedo = 1118;
constexpr int kStatus = 1119;
constexpr int kSetRename = 1130;
constexpr int kSetState = 1131;
constexpr int kInstall = 1132;
constexpr int kClose = IDCANCEL;
// The name prompt and the Add dialog.
constexpr int kNameEdit = 1121;
constexpr int kAddList = 1126;
// An event's details.
constexpr int kDetailsKeys = 1135;
constexpr int kDetailsFiles = 1136;
constexpr int kDetailsInstalled = 1137;
constexpr int kDetailsRemove = 1138;
}  // namespace season

// One row of the list as shown: #, name, track folder, laps, date, marks.
using ListRow = std::vector<std::string>;

class SeasonWindowDriver {
 public:
  explicit SeasonWindowDriver(InstallerDriver& program) : m_program(program) {}

  // Waits until the program shows the season window: visible, holding the list.
  bool WaitForWindow(Millis timeout = kDefaultTimeout);
  HWND Window() const { return m_window; }  // not owned
  HWND Control(int id) const { return m_window ? GetDlgItem(m_window, id) : nullptr; }
  bool IsOpen() const { return m_window && IsWindow(m_window) && IsWindowVisible(m_window); }

  std::string Text(int id) const { return WindowText(Control(id)); }
  bool IsEnabled(int id) const;
  bool IsChecked(int id) const;
  // A list view of the program (the window's, or the Add dialog's), row by row.
  std::vector<ListRow> Rows(HWND list) const;
  std::vector<ListRow> Rows() const { return Rows(Control(season::kList)); }
  int RowCount() const;
  std::vector<int> SelectedRows(HWND list) const;
  // Selects `row` alone in `list`, as a click on it would.
  bool SelectRow(HWND list, int row);
  bool SelectRow(int row) { return SelectRow(Control(season::kList), row); }
  // Selects `rows` together in `list`, as Ctrl+clicks on them would.
  bool SelectRows(HWND list, const std::vector<int>& rows);
  bool SelectRows(const std::vector<int>& rows) { return SelectRows(Control(season::kList), rows); }
  // The text of the window's tooltip for control `id` (Undo, Redo); empty without one.
  std::string ToolTipText(int id) const;
  // The sets combo's texts, and choosing one of them (as the player picks it).
  std::vector<std::string> SetTexts() const;
  std::string SelectedSetText() const;
  bool SelectSet(const std::string& text);

  // A column's width in the window's list, in pixels; setting it as a drag of its divider would.
  int ColumnWidth(int column) const;
  void SetColumnWidth(int column, int width);
  // Moves the mouse, as far as the list can tell, to the middle of a cell (a posted move);
  // false when the cell's place cannot be read.
  bool PointAtCell(int row, int column);
  // Makes another window of this process the active one, then the season window again, as
  // the player switching back from another program does; false when either refuses.
  bool ActivateFromElsewhere();
  // Types Alt+`virtualKey` on the keyboard (the window must be the active one), Alt released
  // before the key with `altFirst`, after it otherwise; false when the system takes no input.
  bool PressAltKey(WORD virtualKey, bool altFirst);
  // A key typed on the keyboard (into the active window's focus), without modifiers.
  bool TypeKey(WORD virtualKey);
  // A visible pop-up menu of the program's (the system menu's, say).
  bool MenuIsOpen() const;

  // A button's click or a radio button's choice (posted).
  void Click(int id);
  // A key without modifiers pressed in the list, as the player types it there (posted).
  void PressKeyInList(WORD virtualKey);
  void Choose(int radioId);
  // Waits until the window has read the files again after a change: the list shows `rows` rows.
  bool WaitForRows(int rows, Millis timeout = kDefaultTimeout);
  bool WaitForClosed(Millis timeout = kDefaultTimeout);

  // A dialog of the program other than the window that holds control `id` (the name prompt,
  // the Add dialog).
  HWND WaitForDialogWith(int id, Millis timeout = kDefaultTimeout);

 private:
  InstallerDriver& m_program;
  HWND m_window = nullptr;  // not owned
};

// Types `text` into the name prompt and presses OK; false when the prompt does not close.
bool AnswerNamePrompt(HWND prompt, const std::string& text);

}  // namespace gridmoor::e2e
