#pragma once
// A dialog from a template resource, run modally by its own message loop so that
// PreTranslateMessage sees every message before the dialog manager does.

#include <windows.h>

#include <cstddef>
#include <exception>
#include <vector>

#include "ui/framework/Controls.h"

namespace gridmoor::ui {

class CDialog;

// Binds dialog members to the dialog's child controls. A control that is already bound is
// left as it is, so a second exchange (the OK action runs one) changes nothing.
class CDataExchange {
 public:
  explicit CDataExchange(HWND dialog) : m_hDialog(dialog) {}

  // Attaches a plain control wrapper to child `id`.
  void Attach(int id, CControl& control);

  // Hands child `id` to a window class that subclasses it (its SubclassDlgItem runs once).
  template <class Subclassing>
  void Subclass(int id, Subclassing& window) {
    if (!window.GetSafeHwnd()) window.SubclassDlgItem(static_cast<UINT>(id), m_hDialog);
  }

 private:
  HWND m_hDialog;  // not owned
};

class CDialog {
 public:
  explicit CDialog(UINT templateId);
  // Destroys the window if it still exists.
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Creates the dialog from its template (hidden until OnInitDialog has run, centred on the
  // screen when the template leaves the position at 0, 0), runs it until EndDialog has been
  // asked and the handler that asked has returned, and destroys it. Answers the code given
  // to EndDialog, or -1 when the window cannot be created or the thread is told to quit.
  // With an `owner`, the owner is disabled for the run and the dialog owns the program's
  // message boxes meanwhile (see MainWindow); both are given back when it ends.
  INT_PTR DoModal(HWND owner = nullptr);

  // Asks the modal run to end with `result`; the window closes once the running handler
  // returns to the dialog's message loop.
  void EndDialog(INT_PTR result);
  bool IsEnding() const { return m_bEndRequested; }

  HWND GetSafeHwnd() const { return m_hWnd; }

  // Sees every message of the modal loop first; answering TRUE swallows it.
  virtual BOOL PreTranslateMessage(MSG* msg);

  // Keys of accelerator table `resourceId` become commands (WM_COMMAND with code 1) while
  // the focus is in this dialog. Call before DoModal.
  void UseAccelerators(UINT resourceId);

 protected:
  // Binds the members to the controls (see CDataExchange); called by OnInitDialog and OnOK.
  virtual void DoDataExchange(CDataExchange& dx);

  // The handler of WM_INITDIALOG. The base runs DoDataExchange; answer TRUE to let the dialog
  // manager give the focus to the first tab stop.
  virtual BOOL OnInitDialog();
  // The OK action: a data exchange, then EndDialog(IDOK).
  virtual void OnOK();
  // The cancel action (Cancel, Escape, the close button): EndDialog(IDCANCEL).
  virtual void OnCancel();
  // WM_COMMAND; answers whether it was handled. The base runs OnOK for IDOK and OnCancel for
  // IDCANCEL.
  virtual bool OnCommand(int id, int code);
  // WM_PAINT; answers false to let the default processing run after it.
  virtual bool OnPaint();
  // WM_QUERYDRAGICON; null lets the system choose.
  virtual HICON OnQueryDragIcon();
  // Any other message; answers whether it was handled, with its result in `result`.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Reports a failure that escaped a handler, in one message box with the stop icon. While
  // one report is showing, further failures are dropped rather than stacked.
  virtual void ReportFailure(const std::exception& error) noexcept;

  // A message's result for the dialog manager (DWLP_MSGRESULT); answers TRUE, the value a
  // dialog procedure returns for a handled message.
  static INT_PTR SetMsgResult(HWND dialog, LRESULT result);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleInitDialog();
  void CentreOnScreen();
  // Whether `msg` is the release of an Alt whose key combination an accelerator took
  // (`accelerated`: this message was just translated); it must not reach the default handling.
  bool SwallowsAltRelease(const MSG& msg, bool accelerated);
  void Report(const std::exception& error) noexcept;

  UINT m_nTemplateId;
  HWND m_hWnd = nullptr;  // owned: destroyed by DoModal or the destructor
  HWND m_hOwner = nullptr;  // not owned
  HWND m_hPreviousMainWindow = nullptr;  // not owned
  HACCEL m_hAccelerators = nullptr;  // a resource: freed with the module
  bool m_bEndRequested = false;
  INT_PTR m_nResult = -1;
  bool m_bReporting = false;
  bool m_bMadeMainWindow = false;
  bool m_bCentre = false;
  bool m_bAltAccelerated = false;  // an Alt accelerator fired; Alt is not yet released
};

// A dialog template made ready for DoModal: a DWORD-aligned copy with WS_VISIBLE cleared, so
// that the window stays hidden until the dialog has initialised.
struct PreparedTemplate {
  std::vector<DWORD> words;  // empty when the data is no dialog template
  bool visible = false;      // the template asked for WS_VISIBLE
  bool centre = false;       // placed at 0, 0 without DS_ABSALIGN, DS_CENTER or DS_CENTERMOUSE
};

// Reads a plain or extended dialog template of `size` bytes; fails (empty words) when the
// data is too short to hold a template header.
PreparedTemplate PrepareTemplate(const void* data, std::size_t size);

}  // namespace gridmoor::ui
