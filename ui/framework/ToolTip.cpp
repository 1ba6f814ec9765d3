#include "ui/framework/ToolTip.h"

#include <commctrl.h>

#include <vector>

namespace gridmoor::ui {

namespace {

// The version 2 layout is understood by every comctl32, with or without the version 6
// manifest; the full structure of newer headers is refused by older versions.
TOOLINFOA MakeToolInfo(HWND window, UINT_PTR id) {
  TOOLINFOA info{};
  info.cbSize = TTTOOLINFOA_V2_SIZE;
  info.hwnd = window;
  info.uId = id;
  return info;
}

// Long enough for any address the label shows; TTM_GETTEXT is told the size.
constexpr std::size_t kTextBufferSize = 4096;

}  // namespace

ToolTip::~ToolTip() { Destroy(); }

BOOL ToolTip::Create(HWND parent, DWORD style) {
  if (m_hwnd != nullptr) return FALSE;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  m_hwnd = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  return m_hwnd != nullptr ? TRUE : FALSE;
}

void ToolTip::Destroy() noexcept {
  // The tooltip is an owned pop-up: it may already have gone with its owner's top window.
  if (m_hwnd != nullptr && IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
  m_hwnd = nullptr;
}

BOOL ToolTip::AddTool(HWND window, const std::string& text, const RECT& rect, UINT_PTR id) {
  if (m_hwnd == nullptr) return FALSE;
  TOOLINFOA info = MakeToolInfo(window, id);
  info.rect = rect;
  info.lpszText = const_cast<char*>(text.c_str());  // the tooltip keeps a copy
  return SendMessageA(m_hwnd, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) ? TRUE : FALSE;
}

BOOL ToolTip::AddControlTool(HWND owner, HWND control, const std::string& text) {
  if (m_hwnd == nullptr || control == nullptr) return FALSE;
  TOOLINFOA info = MakeToolInfo(owner, ControlToolId(control));
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.lpszText = const_cast<char*>(text.c_str());  // the tooltip keeps a copy
  return SendMessageA(m_hwnd, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) ? TRUE : FALSE;
}

BOOL ToolTip::AddRelayedControlTool(HWND owner, HWND control, const std::string& text) {
  if (m_hwnd == nullptr || control == nullptr) return FALSE;
  TOOLINFOA info = MakeToolInfo(owner, ControlToolId(control));
  info.uFlags = TTF_IDISHWND;
  info.lpszText = const_cast<char*>(text.c_str());  // the tooltip keeps a copy
  return SendMessageA(m_hwnd, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) ? TRUE : FALSE;
}

void ToolTip::UpdateTipText(const std::string& text, HWND window, UINT_PTR id) {
  if (m_hwnd == nullptr) return;
  TOOLINFOA info = MakeToolInfo(window, id);
  info.lpszText = const_cast<char*>(text.c_str());
  SendMessageA(m_hwnd, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

std::string ToolTip::GetText(HWND window, UINT_PTR id) const {
  if (m_hwnd == nullptr) return {};
  std::vector<char> buffer(kTextBufferSize, '\0');
  TOOLINFOA info = MakeToolInfo(window, id);
  info.lpszText = buffer.data();
  SendMessageA(m_hwnd, TTM_GETTEXTA, buffer.size(), reinterpret_cast<LPARAM>(&info));
  buffer.back() = '\0';
  return std::string(buffer.data());
}

void ToolTip::RelayEvent(MSG* msg) {
  if (m_hwnd == nullptr || msg == nullptr) return;
  SendMessageA(m_hwnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}

}  // namespace gridmoor::ui
