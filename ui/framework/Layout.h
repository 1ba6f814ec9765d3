#pragma once
// Keeps a resizable window's controls in place: each control follows the edges of the client
// area it is anchored to, keeping its distance to them; anchored to both opposite edges, it
// grows with the window.

#include <windows.h>

#include <vector>

namespace gridmoor::ui {

enum Anchor : unsigned {
  kAnchorLeft = 1,
  kAnchorTop = 2,
  kAnchorRight = 4,
  kAnchorBottom = 8,
  kAnchorTopLeft = kAnchorLeft | kAnchorTop,
  kAnchorTopRight = kAnchorRight | kAnchorTop,
  kAnchorBottomRight = kAnchorRight | kAnchorBottom,
  kAnchorAll = kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom,
};

// Where a control that sat at `start` in a client area of `startClient` goes in one of
// `client`: an edge anchored on the far side moves with it; a control anchored to neither
// side of an axis keeps its place on that axis.
RECT PlaceAnchored(const RECT& start, SIZE startClient, SIZE client, unsigned anchors);

class CAnchorLayout {
 public:
  // Takes control `id` of `parent` into the layout with its current place.
  void Add(HWND parent, int id, unsigned anchors);
  // Takes every control's current place (and the client area's size) as the start again: after
  // something else has moved them all, as the system does when the window's DPI changes.
  void Capture(HWND parent);
  // Moves the controls for the parent's current client area, in one deferred move.
  void Apply(HWND parent) const;

 private:
  struct Entry {
    int id;
    unsigned anchors;
    RECT start;
  };
  std::vector<Entry> m_entries;
  SIZE m_startClient = {0, 0};
};

}  // namespace gridmoor::ui
