#pragma once
// A base for a control we take over from a dialog template: its window procedure is swapped for
// ours, messages reach the derived class's OnMessage, and what it doesn't handle goes on to the
// control's own procedure. The original procedure is put back when the object lets go of the
// window or the window is destroyed, whichever comes first.

#include <windows.h>

namespace gridmoor::ui {

class SubclassedWindow {
 public:
  SubclassedWindow() = default;
  SubclassedWindow(const SubclassedWindow&) = delete;
  SubclassedWindow& operator=(const SubclassedWindow&) = delete;
  virtual ~SubclassedWindow();

  // Takes over `window`. Fails (FALSE) when `window` is not a window, this object already
  // holds one, or another SubclassedWindow holds this window.
  BOOL Attach(HWND window);
  // Lets go of the window and puts its own procedure back; does nothing when none is held.
  void Detach();

  // The window held, or null.
  HWND Handle() const noexcept { return m_hwnd; }

 protected:
  // Handles one message. Answers true with `result` set when handled; false hands the message
  // to the control's own procedure. Exceptions must not leave it: the base turns one into
  // default processing.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The control's own processing of a message.
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Called when the window is being destroyed, after the object has let go of it.
  virtual void OnDetached() {}

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept;

  HWND m_hwnd = nullptr;            // not owned: the dialog owns its controls
  WNDPROC m_previousProc = nullptr;
};

}  // namespace gridmoor::ui
