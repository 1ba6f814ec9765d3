#include "ui/framework/Layout.h"

namespace gridmoor::ui {

namespace {

// One axis of PlaceAnchored.
void PlaceAxis(LONG& low, LONG& high, LONG growth, bool lowAnchored, bool highAnchored) {
  if (!highAnchored) return;
  high += growth;
  if (!lowAnchored) low += growth;
}

RECT PlaceInParent(HWND parent, HWND control) {
  RECT rect = {};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

SIZE ClientSize(HWND parent) {
  RECT client = {};
  GetClientRect(parent, &client);
  return {client.right, client.bottom};
}

}  // namespace

RECT PlaceAnchored(const RECT& start, SIZE startClient, SIZE client, unsigned anchors) {
  RECT placed = start;
  PlaceAxis(placed.left, placed.right, client.cx - startClient.cx, anchors & kAnchorLeft,
            anchors & kAnchorRight);
  PlaceAxis(placed.top, placed.bottom, client.cy - startClient.cy, anchors & kAnchorTop,
            anchors & kAnchorBottom);
  return placed;
}

void CAnchorLayout::Add(HWND parent, int id, unsigned anchors) {
  HWND control = GetDlgItem(parent, id);
  if (!control) return;
  if (m_entries.empty()) m_startClient = ClientSize(parent);
  m_entries.push_back({id, anchors, PlaceInParent(parent, control)});
}

void CAnchorLayout::Capture(HWND parent) {
  m_startClient = ClientSize(parent);
  for (Entry& entry : m_entries) {
    if (HWND control = GetDlgItem(parent, entry.id)) entry.start = PlaceInParent(parent, control);
  }
}

void CAnchorLayout::Apply(HWND parent) const {
  const SIZE client = ClientSize(parent);
  HDWP moves = BeginDeferWindowPos(static_cast<int>(m_entries.size()));
  for (const Entry& entry : m_entries) {
    HWND control = GetDlgItem(parent, entry.id);
    if (!control) continue;
    const RECT placed = PlaceAnchored(entry.start, m_startClient, client, entry.anchors);
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (moves) {
      moves = DeferWindowPos(moves, control, nullptr, placed.left, placed.top,
                             placed.right - placed.left, placed.bottom - placed.top, flags);
    } else {
      SetWindowPos(control, nullptr, placed.left, placed.top, placed.right - placed.left,
                   placed.bottom - placed.top, flags);
    }
  }
  if (moves) EndDeferWindowPos(moves);
  // Group boxes and static texts do not repaint what they leave behind on their own.
  InvalidateRect(parent, nullptr, TRUE);
}

}  // namespace gridmoor::ui
