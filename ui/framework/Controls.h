#pragma once
// Wrappers for the dialog's controls. They borrow the control's window: the dialog window
// owns its children and destroys them with itself. An unbound wrapper does nothing and
// answers empty values.

#include <windows.h>

#include <string>

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

}  // namespace gridmoor::ui
