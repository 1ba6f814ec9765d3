#pragma once
// The whole text of a list view cell that its column cuts short, shown as a tooltip while the
// mouse rests on the cell. The list view's own label tips cover only the first column; this
// covers every column, cell by cell, through one tool of a tooltip the window already owns.

#include <windows.h>

#include "ui/framework/Controls.h"
#include "ui/framework/ToolTip.h"

namespace gridmoor::ui {

class ListCellTips {
 public:
  ListCellTips() = default;
  ListCellTips(const ListCellTips&) = delete;
  ListCellTips& operator=(const ListCellTips&) = delete;

  // Adds `list`, a child of `owner`, as a tool of `tip` (which must outlive this). Answers
  // false when the tooltip refuses it.
  bool Attach(ToolTip& tip, HWND owner, const CListView& list);
  // Sees a message of the window's loop: a mouse move over the list chooses the tip for the
  // cell under it (none when the text fits); the list's mouse messages are relayed to the tip.
  void Track(const MSG& msg);
  // The rows changed: the cell under the mouse is looked at afresh on the next move.
  void Forget();

 private:
  // The tip for the cell: its whole text when the column cuts it, else nothing.
  std::string TipFor(int row, int column) const;

  ToolTip* m_tip = nullptr;         // not owned
  HWND m_owner = nullptr;           // not owned
  const CListView* m_list = nullptr;  // not owned
  int m_row = -1;
  int m_column = -1;
};

// Whether text `textWidth` pixels wide is cut in a cell `cellWidth` wide, where the list draws
// `margins` pixels around it.
constexpr bool CellCutsText(int textWidth, int cellWidth, int margins) {
  return textWidth > 0 && textWidth + margins > cellWidth;
}

}  // namespace gridmoor::ui
