#pragma once
// Per-monitor DPI awareness for one window's life: the program as a whole declares none (the
// install dialog is scaled by the system), while a window made inside this scope follows each
// monitor's DPI itself, sharp on every one. Where the system lacks per-window awareness
// (before Windows 10 1703) nothing changes.

#include <windows.h>

namespace gridmoor::ui {

class ScopedPerMonitorDpi {
 public:
  ScopedPerMonitorDpi();
  // Puts the thread's earlier awareness back.
  ~ScopedPerMonitorDpi();
  ScopedPerMonitorDpi(const ScopedPerMonitorDpi&) = delete;
  ScopedPerMonitorDpi& operator=(const ScopedPerMonitorDpi&) = delete;

 private:
  HANDLE m_previous = nullptr;  // the earlier DPI_AWARENESS_CONTEXT; not a handle to close
};

// WM_DPICHANGED, which the headers show only to programs built for Windows 8.1 and later.
constexpr UINT kWmDpiChanged = 0x02E0;

// The DPI `window` is drawn for; 96 where the system cannot tell.
UINT WindowDpi(HWND window);

}  // namespace gridmoor::ui
