#include "ui/framework/Dpi.h"

namespace gridmoor::ui {

namespace {

using SetContext = HANDLE(WINAPI*)(HANDLE);

// Looked up at run time: the program must still start where user32 lacks the call.
SetContext SetThreadContext() {
  static const SetContext set = [] {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    FARPROC found = user32 ? GetProcAddress(user32, "SetThreadDpiAwarenessContext") : nullptr;
    return reinterpret_cast<SetContext>(reinterpret_cast<void*>(found));
  }();
  return set;
}

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2: the one where the system also scales the
// dialog's template, fonts and non-client area when the window changes monitors.
const HANDLE kPerMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));

}  // namespace

ScopedPerMonitorDpi::ScopedPerMonitorDpi() {
  if (SetContext set = SetThreadContext()) m_previous = set(kPerMonitorV2);
}

ScopedPerMonitorDpi::~ScopedPerMonitorDpi() {
  if (m_previous) SetThreadContext()(m_previous);
}

UINT WindowDpi(HWND window) {
  using GetDpi = UINT(WINAPI*)(HWND);
  static const GetDpi get = [] {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    FARPROC found = user32 ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
    return reinterpret_cast<GetDpi>(reinterpret_cast<void*>(found));
  }();
  const UINT dpi = get ? get(window) : 0;
  return dpi ? dpi : 96;
}

}  // namespace gridmoor::ui
