#pragma once
// The device context of one WM_PAINT: BeginPaint on construction, EndPaint on every way out,
// so that a failing paint handler still validates the window instead of being asked again.

#include <windows.h>

namespace gridmoor::ui {

class CPaintDC {
 public:
  explicit CPaintDC(HWND window) : m_hWnd(window), m_hDC(BeginPaint(window, &m_ps)) {}
  ~CPaintDC() { EndPaint(m_hWnd, &m_ps); }
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;

  // Valid until this object ends; null when BeginPaint failed.
  HDC GetSafeHdc() const { return m_hDC; }

 private:
  HWND m_hWnd;  // not owned
  PAINTSTRUCT m_ps = {};
  HDC m_hDC;  // owned by the paint: released by EndPaint
};

}  // namespace gridmoor::ui
