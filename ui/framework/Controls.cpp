#include "ui/framework/Controls.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "ui/framework/Gdi.h"

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

void CEdit::LimitText(int characters) { Send(EM_LIMITTEXT, static_cast<WPARAM>(characters)); }

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

void CListView::SetExtendedStyle(DWORD style) {
  Send(LVM_SETEXTENDEDLISTVIEWSTYLE, style, style);
}

void CListView::AddColumn(const std::string& heading, int width, int format) {
  const int index = static_cast<int>(SendMessageA(
      reinterpret_cast<HWND>(Send(LVM_GETHEADER)), HDM_GETITEMCOUNT, 0, 0));
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.fmt = format;
  column.cx = width;
  column.pszText = const_cast<char*>(heading.c_str());
  Send(LVM_INSERTCOLUMNA, static_cast<WPARAM>(index < 0 ? 0 : index),
       reinterpret_cast<LPARAM>(&column));
}

int CListView::GetColumnWidth(int column) const {
  return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
}

void CListView::SetColumnWidth(int column, int width) {
  Send(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0));
}

void CListView::SetRows(const std::vector<std::vector<std::string>>& rows) {
  Send(WM_SETREDRAW, FALSE);
  Send(LVM_DELETEALLITEMS);
  Send(LVM_SETITEMCOUNT, rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      LVITEMA item = {};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(r);
      item.iSubItem = static_cast<int>(c);
      item.pszText = const_cast<char*>(rows[r][c].c_str());
      Send(c == 0 ? LVM_INSERTITEMA : LVM_SETITEMTEXTA, c == 0 ? 0 : r,
           reinterpret_cast<LPARAM>(&item));
    }
  }
  Send(WM_SETREDRAW, TRUE);
  if (GetSafeHwnd()) InvalidateRect(GetSafeHwnd(), nullptr, TRUE);
}

int CListView::GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }

std::vector<int> CListView::GetSelectedRows() const {
  std::vector<int> rows;
  for (int row = static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
       row >= 0;
       row = static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) {
    rows.push_back(row);
  }
  return rows;
}

void CListView::SelectRow(int row) {
  LVITEMA clear = {};
  clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  Send(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
  if (row < 0 || row >= GetItemCount()) return;
  LVITEMA set = {};
  set.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  set.state = LVIS_SELECTED | LVIS_FOCUSED;
  Send(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&set));
  Send(LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void CListView::SelectRows(const std::vector<int>& rows) {
  SelectRow(-1);
  const int count = GetItemCount();
  bool first = true;
  for (const int row : rows) {
    if (row < 0 || row >= count) continue;
    LVITEMA set = {};
    set.stateMask = LVIS_SELECTED | (first ? LVIS_FOCUSED : 0);
    set.state = set.stateMask;
    Send(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&set));
    if (first) Send(LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    first = false;
  }
}

void CComboBox::ResetContent() { Send(CB_RESETCONTENT); }

int CComboBox::AddString(const std::string& text) {
  return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int CComboBox::GetCount() const { return static_cast<int>(Send(CB_GETCOUNT)); }

int CComboBox::GetCurSel() const {
  return GetSafeHwnd() ? static_cast<int>(Send(CB_GETCURSEL)) : CB_ERR;
}

void CComboBox::SetCurSel(int index) { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }

std::string CComboBox::GetItemText(int index) const {
  const LRESULT length = Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
  if (length == CB_ERR || length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT got =
      Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  return got == CB_ERR ? std::string() : std::string(buffer.data(), static_cast<std::size_t>(got));
}

void CComboBox::FitDroppedWidth() {
  HWND box = GetSafeHwnd();
  if (!box) return;
  WindowDC dc(box);
  if (!dc) return;
  const ScopedSelectObject font(dc.Get(), reinterpret_cast<HGDIOBJ>(Send(WM_GETFONT)));
  int widest = 0;
  for (int index = 0; index < GetCount(); ++index) {
    const std::string text = GetItemText(index);
    SIZE size = {};
    if (GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size))
      widest = std::max<int>(widest, size.cx);
  }
  RECT boxRect = {};
  GetWindowRect(box, &boxRect);
  // The list's border and a scroll bar beside the text.
  const int margin = 2 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL) + 8;
  Send(CB_SETDROPPEDWIDTH,
       static_cast<WPARAM>(std::max<int>(boxRect.right - boxRect.left, widest + margin)));
}

std::string CListView::GetItemText(int row, int column) const {
  char text[1024] = {};
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  Send(LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  text[sizeof text - 1] = '\0';
  return text;
}

bool CListView::CellAt(POINT point, int& row, int& column) const {
  LVHITTESTINFO hit = {};
  hit.pt = point;
  if (Send(LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 || hit.iItem < 0 ||
      (hit.flags & LVHT_ONITEM) == 0) {
    return false;
  }
  row = hit.iItem;
  column = hit.iSubItem;
  return true;
}

bool CListView::GetCellTextRect(int row, int column, RECT& rect) const {
  rect = {};
  rect.top = column;
  // The first column's bounds would be the whole row: its label is the first column's text.
  rect.left = LVIR_LABEL;
  return Send(LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) != 0;
}

int CListView::GetStringWidth(const std::string& text) const {
  return static_cast<int>(Send(LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

}  // namespace gridmoor::ui
