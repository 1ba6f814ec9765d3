#pragma once
// Notifications a dialog hands back to the child control they concern, so that a control can
// answer for itself (its colours, say). The dialog base sends ReflectedMessage(WM_CTLCOLORSTATIC)
// to the static control with the same wParam and lParam; a non-zero answer is the brush to use.

#include <windows.h>

namespace gridmoor::ui {

constexpr UINT kReflectBase = WM_USER + 0x1C00;
constexpr UINT ReflectedMessage(UINT message) { return kReflectBase + message; }

}  // namespace gridmoor::ui
