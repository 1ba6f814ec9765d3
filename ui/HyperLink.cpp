#include "ui/HyperLink.h"

#include <windowsx.h>

#include <utility>
#include <vector>

#include "ui/framework/Reflect.h"

namespace gridmoor::ui {

OwnedCursor CHyperLink::s_hHandCursor;

namespace {

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(window, text.data(), length + 1);
  return std::string(text.data(), copied > 0 ? static_cast<std::size_t>(copied) : 0);
}

}  // namespace

CHyperLink::CHyperLink()
    : m_bArmed(FALSE),
      m_bHot(FALSE),
      m_bFollowed(FALSE),
      m_nStyle(LINK_UNDERLINE | LINK_SIZETOTEXT | LINK_FOCUSONPRESS),
      m_controlFont(nullptr),
      m_launcher(&SystemLinkLauncher()) {}

CHyperLink::~CHyperLink() {
  HWND window = Handle();
  Detach();
  // A control that outlives the label must not keep drawing with the font deleted below.
  if (window != nullptr && IsWindow(window) && m_fontLink) {
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(m_controlFont), FALSE);
  }
  m_fontLink.Reset();
  s_hHandCursor.Reset();
  m_tip.Destroy();
}

BOOL CHyperLink::SubclassDlgItem(UINT id, HWND parent) {
  if (Handle() != nullptr || parent == nullptr) return FALSE;
  HWND control = GetDlgItem(parent, static_cast<int>(id));
  if (control == nullptr || !Attach(control)) return FALSE;
  PreSubclassWindow();
  return TRUE;
}

void CHyperLink::PreSubclassWindow() {
  HWND window = Handle();
  const std::string text = WindowText(window);
  if (m_strTarget.empty()) m_strTarget = text;
  if (text.empty()) SetWindowTextA(window, m_strTarget.c_str());

  m_controlFont = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
  if (m_controlFont != nullptr) {
    LOGFONTA font{};
    if (GetObjectA(m_controlFont, sizeof font, &font) == sizeof font) {
      font.lfUnderline = (m_nStyle & LINK_UNDERLINE) ? 1 : 0;
      m_fontLink.Reset(CreateFontIndirectA(&font));
      if (m_fontLink) {
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(m_fontLink.Get()), TRUE);
      }
    }
    SizeToText();
  } else {
    m_nStyle &= ~LINK_SIZETOTEXT;
  }

  LoadHandCursor();

  if (m_tip.Create(window)) {
    RECT client{};
    GetClientRect(window, &client);
    m_tip.AddTool(window, m_strTarget, client, kToolId);
  }
}

void CHyperLink::SetLinkTarget(std::string target) {
  m_strTarget = std::move(target);
  HWND window = Handle();
  if (window == nullptr || !IsWindow(window)) return;
  ShowWindow(window, SW_HIDE);
  SizeToText();
  m_tip.UpdateTipText(m_strTarget, window, kToolId);
  ShowWindow(window, SW_SHOW);
}

BOOL CHyperLink::PreTranslateMessage(MSG* msg) {
  if (msg != nullptr && msg->hwnd == Handle() && Handle() != nullptr) m_tip.RelayEvent(msg);
  return FALSE;
}

void CHyperLink::SizeToText() {
  HWND window = Handle();
  if (!(m_nStyle & LINK_SIZETOTEXT) || window == nullptr) return;

  RECT rect{};
  GetWindowRect(window, &rect);
  if (HWND parent = GetParent(window)) {
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  }
  RECT client{};
  GetClientRect(window, &client);
  const int dx = (rect.right - rect.left) - (client.right - client.left);
  const int dy = (rect.bottom - rect.top) - (client.bottom - client.top);

  SIZE extent{};
  {
    const std::string text = WindowText(window);
    WindowDC dc(window);
    if (!dc) return;
    ScopedSelectObject font(dc.Get(), m_fontLink.Get());
    GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
  }

  const LONG style = GetWindowLongA(window, GWL_STYLE);
  if (style & SS_CENTERIMAGE) {
    InflateRect(&rect, 0, -((rect.bottom - rect.top) - extent.cy) / 2);
  } else {
    rect.bottom = rect.top + extent.cy;
  }
  if (style & SS_CENTER) {
    InflateRect(&rect, -((rect.right - rect.left) - extent.cx) / 2, 0);
  } else if (style & SS_RIGHT) {
    rect.left = rect.right - extent.cx;
  } else {
    rect.right = rect.left + extent.cx;
  }
  // The border grows the window beyond the text; shift it so that the kept edge or centre
  // really stays where it was.
  int left = rect.left;
  int top = rect.top;
  if (style & SS_CENTER) {
    left -= dx / 2;
  } else if (style & SS_RIGHT) {
    left -= dx;
  }
  if (style & SS_CENTERIMAGE) top -= dy / 2;
  MoveWindow(window, left, top, (rect.right - rect.left) + dx, (rect.bottom - rect.top) + dy,
             TRUE);
}

void CHyperLink::FollowLink() {
  const int result = m_launcher->Launch(m_strTarget, SW_SHOW);
  if (result <= 32) {
    m_launcher->ReportFailure(result);
    return;
  }
  m_bFollowed = TRUE;
  Repaint();
}

COLORREF CHyperLink::TextColor() const noexcept {
  if (m_bArmed) return kArmedColor;
  if (m_bFollowed) return kFollowedColor;
  return kLinkColor;
}

void CHyperLink::SetLauncher(LinkLauncher* launcher) noexcept {
  m_launcher = launcher != nullptr ? launcher : &SystemLinkLauncher();
}

void CHyperLink::LoadHandCursor() {
  if (s_hHandCursor) return;
  char folder[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    const std::string path = std::string(folder, length) + "\\winhlp32.exe";
    // Only its resources are wanted: mapped as data, none of its code runs.
    HMODULE help = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (help != nullptr) {
      if (HCURSOR hand = LoadCursorA(help, MAKEINTRESOURCEA(106))) {
        s_hHandCursor.Reset(CopyCursor(hand));
      }
      FreeLibrary(help);
    }
  }
  // Current systems ship no such help program; their own hand looks the same.
  if (!s_hHandCursor) {
    if (HCURSOR hand = LoadCursorA(nullptr, IDC_HAND)) {
      s_hHandCursor.Reset(CopyCursor(hand));
    }
  }
}

void CHyperLink::Repaint() {
  if (Handle() != nullptr) InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT CHyperLink::OnCtlColor(HDC dc) {
  SetTextColor(dc, TextColor());
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

void CHyperLink::OnMouseMove(POINT point) {
  if (!m_bHot) {
    m_bHot = TRUE;
    Repaint();
    SetCapture(Handle());
    return;
  }
  RECT client{};
  GetClientRect(Handle(), &client);
  if (!PtInRect(&client, point)) {
    m_bHot = FALSE;
    ReleaseCapture();
    Repaint();
  }
}

bool CHyperLink::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == ReflectedMessage(WM_CTLCOLORSTATIC)) {
    result = OnCtlColor(reinterpret_cast<HDC>(wParam));
    return true;
  }
  switch (message) {
    case WM_SETCURSOR:
      if (s_hHandCursor) {
        SetCursor(s_hHandCursor.Get());
        result = TRUE;
      } else {
        result = FALSE;
      }
      return true;
    case WM_NCHITTEST:
      result = HTCLIENT;
      return true;
    case WM_MOUSEMOVE:
      OnMouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      result = 0;
      return true;
    case WM_CAPTURECHANGED:
      // Hot means holding the capture: another window that took it ends the hot state.
      if (m_bHot && reinterpret_cast<HWND>(lParam) != Handle()) m_bHot = FALSE;
      result = 0;
      return true;
    case WM_LBUTTONDOWN:
      if (m_nStyle & LINK_FOCUSONPRESS) SetFocus(Handle());
      m_bArmed = TRUE;
      result = 0;
      return true;
    case WM_LBUTTONUP:
      if (m_bArmed) FollowLink();
      result = 0;
      return true;
    case WM_SETFOCUS:
      m_bArmed = TRUE;
      Repaint();
      result = 0;
      return true;
    case WM_KILLFOCUS:
      m_bHot = FALSE;
      m_bArmed = FALSE;
      Repaint();
      result = 0;
      return true;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) {
        FollowLink();
        result = 0;
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace gridmoor::ui
