#include "ui/framework/Dialog.h"

#include <cstring>
#include <new>
#include <string>

#include "ui/framework/MessageBox.h"
#include "ui/framework/Reflect.h"

namespace gridmoor::ui {

namespace {

// Stands in, for the report, for an escaping exception of no standard type.
struct UnknownFailure : std::exception {
  const char* what() const noexcept override { return "unknown error"; }
};

// Messages whose result the dialog procedure returns itself instead of in DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}

bool IsChildColourMessage(UINT message) {
  return message == WM_CTLCOLORSTATIC || message == WM_CTLCOLOREDIT ||
         message == WM_CTLCOLORBTN || message == WM_CTLCOLORLISTBOX ||
         message == WM_CTLCOLORSCROLLBAR;
}

template <class T>
T ReadAt(const unsigned char* bytes, std::size_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

}  // namespace

PreparedTemplate PrepareTemplate(const void* data, std::size_t size) {
  PreparedTemplate prepared;
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (!bytes) return prepared;
  // Extended templates start with version 1 and the signature 0xFFFF; the style sits after
  // the help id and the extended style.
  const bool extended = size >= 4 && ReadAt<WORD>(bytes, 0) == 1 && ReadAt<WORD>(bytes, 2) == 0xFFFF;
  const std::size_t styleAt = extended ? 12 : 0;
  const std::size_t xAt = extended ? 18 : 10;
  const std::size_t headerSize = extended ? 26 : 18;
  if (size < headerSize) return prepared;

  prepared.words.resize((size + sizeof(DWORD) - 1) / sizeof(DWORD));
  std::memcpy(prepared.words.data(), bytes, size);
  auto* copy = reinterpret_cast<unsigned char*>(prepared.words.data());
  DWORD style = ReadAt<DWORD>(copy, styleAt);
  prepared.visible = (style & WS_VISIBLE) != 0;
  style &= ~static_cast<DWORD>(WS_VISIBLE);
  std::memcpy(copy + styleAt, &style, sizeof style);
  const bool atOrigin = ReadAt<short>(copy, xAt) == 0 && ReadAt<short>(copy, xAt + 2) == 0;
  prepared.centre = atOrigin && (style & (DS_ABSALIGN | DS_CENTER | DS_CENTERMOUSE)) == 0;
  return prepared;
}

void CDataExchange::Attach(int id, CControl& control) {
  if (!control.GetSafeHwnd()) control.Attach(GetDlgItem(m_hDialog, id));
}

CDialog::CDialog(UINT templateId) : m_nTemplateId(templateId) {}

CDialog::~CDialog() {
  if (m_hWnd) DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal(HWND owner) {
  if (m_hWnd) return -1;
  m_hOwner = owner;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(m_nTemplateId), RT_DIALOG);
  HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return -1;
  PreparedTemplate prepared = PrepareTemplate(data, SizeofResource(instance, found));
  if (prepared.words.empty()) return -1;

  m_bEndRequested = false;
  m_nResult = -1;
  m_bCentre = prepared.centre;
  HWND window = CreateDialogIndirectParamA(
      instance, reinterpret_cast<LPCDLGTEMPLATEA>(prepared.words.data()), owner, DialogProc,
      reinterpret_cast<LPARAM>(this));
  if (!window) return -1;
  // As the system's own modal dialogs do: the owner takes no input until the dialog is gone.
  const bool disabledOwner = owner && IsWindowEnabled(owner);
  if (disabledOwner) ::EnableWindow(owner, FALSE);

  if (!m_bEndRequested && prepared.visible && m_hWnd) {
    // The dialog manager has put the focus on a control while the window was hidden; showing
    // it must not lose that choice.
    HWND focus = GetFocus();
    ShowWindow(window, SW_SHOWNORMAL);
    if (focus && IsChild(window, focus) && GetFocus() != focus) SetFocus(focus);
  }

  MSG msg;
  while (!m_bEndRequested && m_hWnd) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {  // the thread is quitting: leave WM_QUIT for the outer loop
      PostQuitMessage(static_cast<int>(msg.wParam));
      m_nResult = -1;
      break;
    }
    if (got == -1) {
      m_nResult = -1;
      break;
    }
    bool handled = false;
    try {
      handled = m_hAccelerators && m_hWnd && (msg.hwnd == m_hWnd || IsChild(m_hWnd, msg.hwnd)) &&
                TranslateAcceleratorA(m_hWnd, m_hAccelerators, &msg) != 0;
      handled = SwallowsAltRelease(msg, handled) || handled;
      if (!handled) handled = PreTranslateMessage(&msg) != FALSE;
    } catch (const std::exception& error) {
      Report(error);
    } catch (...) {
      Report(UnknownFailure());
    }
    if (!handled && !(m_hWnd && IsDialogMessageA(m_hWnd, &msg))) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  const INT_PTR result = m_nResult;
  // Enabled before the dialog goes, so that the activation returns to the owner.
  if (disabledOwner) ::EnableWindow(owner, TRUE);
  if (m_hWnd) DestroyWindow(m_hWnd);
  m_hOwner = nullptr;
  return result;
}

void CDialog::EndDialog(INT_PTR result) {
  m_nResult = result;
  m_bEndRequested = true;
}

bool CDialog::SwallowsAltRelease(const MSG& msg, bool accelerated) {
  // An Alt key that goes down and up with nothing in between arms the system menu, and the
  // window procedure never saw the key an accelerator took: the release after an Alt
  // accelerator is eaten, so the next key reaches the list and not a menu.
  if (accelerated) {
    if (msg.message == WM_SYSKEYDOWN) m_bAltAccelerated = true;
    return false;
  }
  if ((msg.message == WM_SYSKEYUP || msg.message == WM_KEYUP) && msg.wParam == VK_MENU &&
      m_bAltAccelerated) {
    m_bAltAccelerated = false;
    return true;
  }
  // Another key pressed without Alt: the next Alt release is the player's own again.
  if (msg.message == WM_KEYDOWN) m_bAltAccelerated = false;
  return false;
}

BOOL CDialog::PreTranslateMessage(MSG*) { return FALSE; }

void CDialog::UseAccelerators(UINT resourceId) {
  m_hAccelerators = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId));
}

void CDialog::DoDataExchange(CDataExchange&) {}

BOOL CDialog::OnInitDialog() {
  CDataExchange dx(m_hWnd);
  DoDataExchange(dx);
  return TRUE;
}

void CDialog::OnOK() {
  CDataExchange dx(m_hWnd);
  DoDataExchange(dx);
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnCommand(int id, int) {
  if (id == IDOK) {
    OnOK();
    return true;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  return false;
}

bool CDialog::OnPaint() { return false; }

HICON CDialog::OnQueryDragIcon() { return nullptr; }

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void CDialog::ReportFailure(const std::exception& error) noexcept {
  try {
    std::string text = dynamic_cast<const std::bad_alloc*>(&error)
                           ? "There is not enough memory to complete the operation."
                           : std::string("An unexpected error occurred:\r\n") + error.what();
    AppMessageBox(text, MB_OK | MB_ICONSTOP);
  } catch (...) {
    // Nothing is left to tell the user with.
  }
}

INT_PTR CDialog::SetMsgResult(HWND dialog, LRESULT result) {
  SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
  return TRUE;
}

void CDialog::Report(const std::exception& error) noexcept {
  if (m_bReporting) return;
  m_bReporting = true;
  ReportFailure(error);
  m_bReporting = false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept {
  CDialog* self;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    if (self) self->m_hWnd = window;
  } else {
    self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
  }
  if (!self) return FALSE;

  INT_PTR answer = FALSE;
  try {
    answer = self->HandleMessage(message, wParam, lParam);
  } catch (const std::exception& error) {
    self->Report(error);
  } catch (...) {
    self->Report(UnknownFailure());
  }

  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, DWLP_USER, 0);
    self->m_hWnd = nullptr;
    if (self->m_bMadeMainWindow) {
      if (MainWindow() == window) SetMainWindow(self->m_hPreviousMainWindow);
      self->m_hPreviousMainWindow = nullptr;
      self->m_bMadeMainWindow = false;
    }
  }
  return answer;
}

INT_PTR CDialog::HandleInitDialog() {
  // An owned dialog owns the message boxes while it runs: a box owned by its disabled owner
  // would enable the owner again when it closes.
  if (m_hOwner || !MainWindow() || !IsWindow(MainWindow())) {
    m_hPreviousMainWindow = m_hOwner ? MainWindow() : nullptr;
    SetMainWindow(m_hWnd);
    m_bMadeMainWindow = true;
  }
  BOOL focus = FALSE;
  try {
    focus = OnInitDialog();
  } catch (...) {
    // A dialog that could not initialise is never shown.
    EndDialog(-1);
    throw;
  }
  if (m_bCentre) CentreOnScreen();
  return focus;
}

void CDialog::CentreOnScreen() {
  RECT window;
  if (!GetWindowRect(m_hWnd, &window)) return;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  const RECT& work = monitor.rcWork;
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  int x = work.left + (work.right - work.left - width) / 2;
  int y = work.top + (work.bottom - work.top - height) / 2;
  // A dialog larger than the work area keeps its caption reachable.
  if (x < work.left) x = work.left;
  if (y < work.top) y = work.top;
  SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return HandleInitDialog();
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_PAINT:
      return OnPaint() ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    default:
      break;
  }
  if (IsChildColourMessage(message)) {
    // The control may answer for itself (the hyperlink label picks its own colours).
    HWND child = reinterpret_cast<HWND>(lParam);
    if (child && IsChild(m_hWnd, child)) {
      LRESULT brush = SendMessageA(child, ReflectedMessage(message), wParam, lParam);
      if (brush) return static_cast<INT_PTR>(brush);
    }
  }
  LRESULT result = 0;
  if (!OnMessage(message, wParam, lParam, result)) return FALSE;
  return ReturnsResultDirectly(message) ? static_cast<INT_PTR>(result)
                                        : SetMsgResult(m_hWnd, result);
}

}  // namespace gridmoor::ui
