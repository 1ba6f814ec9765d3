#include "ui/framework/Controls.h"

#include <commctrl.h>

#include <vector>

namespace gridmoor::ui {

LRESULT CControl::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  return m_hWnd ? SendMessageA(m_hWnd, message, wParam, lParam) : 0;
}

std::string CControl::GetWindowText() const {
  if (!m_hWnd) return {};
  int length = GetWindowTextLengthA(m_hWnd);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  int got = ::GetWindowTextA(m_hWnd, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
}

void CControl::SetWindowText(const std::string& text) {
  if (m_hWnd) ::SetWindowTextA(m_hWnd, text.c_str());
}

void CControl::EnableWindow(bool enable) {
  if (m_hWnd) ::EnableWindow(m_hWnd, enable ? TRUE : FALSE);
}

bool CControl::IsWindowEnabled() const { return m_hWnd && ::IsWindowEnabled(m_hWnd); }

DWORD CControl::GetStyle() const {
  return m_hWnd ? static_cast<DWORD>(GetWindowLongPtrA(m_hWnd, GWL_STYLE)) : 0;
}

int CButton::GetCheck() const { return static_cast<int>(Send(BM_GETCHECK)); }

void CButton::SetCheck(int state) { Send(BM_SETCHECK, static_cast<WPARAM>(state)); }

void CEdit::SetSel(int start, int end) {
  Send(EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

void CEdit::ScrollCaret() { Send(EM_SCROLLCARET); }

void CEdit::ReplaceSel(const std::string& text, bool canUndo) {
  Send(EM_REPLACESEL, canUndo ? TRUE : FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void CEdit::ReplaceAll(const std::string& text) {
  SetSel(0, -1);
  ScrollCaret();
  ReplaceSel(text, false);
}

void CProgressCtrl::SetRange(int lower, int upper) {
  Send(PBM_SETRANGE, 0, MAKELPARAM(lower, upper));
}

void CProgressCtrl::SetPos(int position) { Send(PBM_SETPOS, static_cast<WPARAM>(position)); }

int CProgressCtrl::GetPos() const { return static_cast<int>(Send(PBM_GETPOS)); }

}  // namespace gridmoor::ui
