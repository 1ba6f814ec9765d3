#pragma once
// The bordered frame around the screenshot. It shows no image of its own: the dialog paints
// the screenshot beneath it, at a fixed pixel rectangle. The frame's size follows the dialog
// units, so with a larger dialog font its border moves onto the picture; the frame then paints
// the strip of the picture it covers back over its border, and the picture stays whole.

#include <windows.h>

#include "ui/DibBitmap.h"
#include "ui/framework/SubclassedWindow.h"

namespace gridmoor::ui {

class CPictureFrame : public SubclassedWindow {
 public:
  // Takes over the dialog's control `id`, which surrounds `picture` painted at `area` (pixels
  // of the dialog's client area). `picture` must outlive the frame's window.
  BOOL SubclassDlgItem(UINT id, HWND parent, CDibBitmap& picture, const RECT& area);

  HWND GetSafeHwnd() const noexcept { return Handle(); }

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  // Paints the part of the picture that lies inside the frame's window, border included.
  void PaintCoveredPicture();

  CDibBitmap* m_picture = nullptr;  // not owned: the dialog's
  RECT m_area = {};
};

}  // namespace gridmoor::ui
