#pragma once
// Wrappers for the dialog's controls. They borrow the control's window: the dialog window
// owns its children and destroys them with itself. An unbound wrapper does nothing and
// answers empty values.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace gridmoor::ui {

class CControl {
 public:
  CControl() = default;
  CControl(const CControl&) = delete;
  CControl& operator=(const CControl&) = delete;

  void Attach(HWND window) { m_hWnd = window; }
  HWND GetSafeHwnd() const { return m_hWnd; }

  std::string GetWindowText() const;
  void SetWindowText(const std::string& text);
  void EnableWindow(bool enable);
  bool IsWindowEnabled() const;
  DWORD GetStyle() const;

 protected:
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

 private:
  HWND m_hWnd = nullptr;  // not owned
};

class CButton : public CControl {
 public:
  // BST_CHECKED, BST_UNCHECKED or BST_INDETERMINATE.
  int GetCheck() const;
  void SetCheck(int state);
};

class CEdit : public CControl {
 public:
  // Selects characters start..end; 0, -1 selects everything.
  void SetSel(int start, int end);
  void ScrollCaret();
  // Replaces the selection with `text`.
  void ReplaceSel(const std::string& text, bool canUndo);
  // At most `characters` may be typed or pasted (EM_LIMITTEXT).
  void LimitText(int characters);
  // The whole content replaced by `text`: select all, scroll the caret into view, replace the
  // selection without undo.
  void ReplaceAll(const std::string& text);
};

class CProgressCtrl : public CControl {
 public:
  void SetRange(int lower, int upper);
  void SetPos(int position);
  int GetPos() const;
};

// A list view in report style. Rows and columns count from 0.
class CListView : public CControl {
 public:
  // LVS_EX_* bits, for instance LVS_EX_FULLROWSELECT.
  void SetExtendedStyle(DWORD style);
  // Appends a column `width` pixels wide; `format` is LVCFMT_LEFT or LVCFMT_RIGHT.
  void AddColumn(const std::string& heading, int width, int format = LVCFMT_LEFT);
  int GetColumnWidth(int column) const;
  void SetColumnWidth(int column, int width);
  // Replaces every row by `rows` (one text per column), with the redraw held off meanwhile.
  void SetRows(const std::vector<std::vector<std::string>>& rows);
  int GetItemCount() const;
  // The selected rows in ascending order.
  std::vector<int> GetSelectedRows() const;
  // Selects and focuses `row` alone and scrolls it into view; a row out of range clears the
  // selection.
  void SelectRow(int row);
  // Selects `rows` (those in range), the first of them focused and scrolled into view.
  void SelectRows(const std::vector<int>& rows);
  // The text of a cell; empty when there is no such cell.
  std::string GetItemText(int row, int column) const;
  // The cell under `point` (client coordinates): false when it is over no cell.
  bool CellAt(POINT point, int& row, int& column) const;
  // The area a cell's text is drawn in (client coordinates); false when there is no such cell.
  bool GetCellTextRect(int row, int column, RECT& rect) const;
  // How wide `text` is in the list's font, in pixels.
  int GetStringWidth(const std::string& text) const;
};

// A drop-down list (CBS_DROPDOWNLIST) of texts.
class CComboBox : public CControl {
 public:
  void ResetContent();
  int AddString(const std::string& text);
  int GetCount() const;
  // The selected index, or CB_ERR (-1) when none is.
  int GetCurSel() const;
  void SetCurSel(int index);
  // The text at `index`; empty when out of range.
  std::string GetItemText(int index) const;
  // Widens the drop-down list (never the box) so that its longest text shows whole.
  void FitDroppedWidth();
};

}  // namespace gridmoor::ui
