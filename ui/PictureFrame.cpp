#include "ui/PictureFrame.h"

#include "ui/framework/Gdi.h"
#include "ui/framework/Reflect.h"

namespace gridmoor::ui {

BOOL CPictureFrame::SubclassDlgItem(UINT id, HWND parent, CDibBitmap& picture, const RECT& area) {
  if (Handle() != nullptr || parent == nullptr) return FALSE;
  HWND control = GetDlgItem(parent, static_cast<int>(id));
  if (control == nullptr || !Attach(control)) return FALSE;
  m_picture = &picture;
  m_area = area;
  return TRUE;
}

void CPictureFrame::PaintCoveredPicture() {
  HWND frame = Handle();
  HWND parent = GetParent(frame);
  RECT bounds{};
  if (m_picture == nullptr || parent == nullptr || !GetWindowRect(frame, &bounds)) return;
  // The frame's window origin in the parent's client pixels, where the picture's area is given.
  POINT origin = {bounds.left, bounds.top};
  if (!ScreenToClient(parent, &origin)) return;
  RECT inParent = {origin.x, origin.y, origin.x + (bounds.right - bounds.left),
                   origin.y + (bounds.bottom - bounds.top)};
  RECT covered{};
  if (!IntersectRect(&covered, &inParent, &m_area)) return;

  // The window DC clips to the frame: only the covered strip is drawn.
  WindowDC dc(frame, WindowDC::kWholeWindow);
  if (!dc) return;
  m_picture->PaintStretched(dc.Get(), m_area.left - origin.x, m_area.top - origin.y,
                            m_area.right - m_area.left, m_area.bottom - m_area.top, FALSE);
}

bool CPictureFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case ReflectedMessage(WM_CTLCOLORSTATIC):
      // With no image the frame would fill its client area with the dialog's background, over
      // the picture beneath it; a hollow brush leaves only its border.
      result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      return true;
    case WM_NCPAINT:
    case WM_PAINT:
      result = DefaultProc(message, wParam, lParam);
      PaintCoveredPicture();
      return true;
    default:
      return false;
  }
}

}  // namespace gridmoor::ui
