#include "ui/ListCellTips.h"

#include <windowsx.h>

#include "ui/framework/Dpi.h"

namespace gridmoor::ui {

bool ListCellTips::Attach(ToolTip& tip, HWND owner, const CListView& list) {
  m_tip = &tip;
  m_owner = owner;
  m_list = &list;
  // Relayed, not subclassed: filling the list sends it hundreds of messages, and a subclassing
  // tooltip that saw each of them made a full season's window open a third slower.
  if (!tip.AddRelayedControlTool(owner, list.GetSafeHwnd(), "")) return false;
  // Long names and mark lists: a tip as wide as the screen would be hard to read.
  SendMessageA(tip.Handle(), TTM_SETMAXTIPWIDTH, 0, 600);
  return true;
}

void ListCellTips::Forget() {
  m_row = -1;
  m_column = -1;
  if (m_tip && m_list) m_tip->UpdateTipText("", m_owner, ToolTip::ControlToolId(m_list->GetSafeHwnd()));
}

void ListCellTips::Track(const MSG& msg) {
  if (!m_tip || !m_list || msg.hwnd != m_list->GetSafeHwnd()) return;
  if (msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST) return;
  if (msg.message == WM_MOUSEMOVE) {
    const POINT point = {GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    int row = -1;
    int column = -1;
    if (!m_list->CellAt(point, row, column)) row = column = -1;
    if (row != m_row || column != m_column) {
      m_row = row;
      m_column = column;
      // Another cell: the tip of the last one goes, and this one's (if any) comes after the
      // tooltip's usual pause.
      SendMessageA(m_tip->Handle(), TTM_POP, 0, 0);
      m_tip->UpdateTipText(row < 0 ? std::string() : TipFor(row, column), m_owner,
                           ToolTip::ControlToolId(m_list->GetSafeHwnd()));
    }
  }
  MSG relayed = msg;
  m_tip->RelayEvent(&relayed);
}

std::string ListCellTips::TipFor(int row, int column) const {
  const std::string text = m_list->GetItemText(row, column);
  RECT cell = {};
  if (text.empty() || !m_list->GetCellTextRect(row, column, cell)) return {};
  // The list leaves about 6 pixels (at 96 DPI) either side of a sub-item's text, and a few
  // pixels beside the first column's.
  const UINT dpi = WindowDpi(m_list->GetSafeHwnd());
  const int margins = MulDiv(column == 0 ? 4 : 12, static_cast<int>(dpi), 96);
  return CellCutsText(m_list->GetStringWidth(text), cell.right - cell.left, margins) ? text
                                                                                     : std::string();
}

}  // namespace gridmoor::ui
