#include "ui/framework/SubclassedWindow.h"

namespace gridmoor::ui {

namespace {

// The object is found through a window property, not GWLP_USERDATA, which the control or a
// later subclasser may use. The previous procedure is kept beside it so that the window can
// still reach it when the object has let go while another subclasser sits above ours.
constexpr const char* kObjectProperty = "Gridmoor.SubclassedWindow";
constexpr const char* kPreviousProcProperty = "Gridmoor.SubclassedWindow.Previous";

WNDPROC PreviousProcOf(HWND window) {
  return reinterpret_cast<WNDPROC>(GetPropA(window, kPreviousProcProperty));
}

}  // namespace

SubclassedWindow::~SubclassedWindow() { Detach(); }

BOOL SubclassedWindow::Attach(HWND window) {
  if (m_hwnd != nullptr || window == nullptr || !IsWindow(window)) return FALSE;
  if (GetPropA(window, kObjectProperty) != nullptr) return FALSE;

  auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
  if (previous == nullptr) return FALSE;
  if (!SetPropA(window, kObjectProperty, this) ||
      !SetPropA(window, kPreviousProcProperty, reinterpret_cast<HANDLE>(previous))) {
    RemovePropA(window, kObjectProperty);
    RemovePropA(window, kPreviousProcProperty);
    return FALSE;
  }
  m_hwnd = window;
  m_previousProc = previous;
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
  return TRUE;
}

void SubclassedWindow::Detach() {
  if (m_hwnd == nullptr) return;
  if (IsWindow(m_hwnd) && GetPropA(m_hwnd, kObjectProperty) == this) {
    RemovePropA(m_hwnd, kObjectProperty);
    // When someone subclassed the control after us, putting our predecessor back would cut
    // them off; our procedure then stays in the chain and forwards to the predecessor.
    if (GetWindowLongPtrA(m_hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Procedure)) {
      SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
      RemovePropA(m_hwnd, kPreviousProcProperty);
    }
  }
  m_hwnd = nullptr;
  m_previousProc = nullptr;
}

bool SubclassedWindow::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT SubclassedWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_previousProc == nullptr) return DefWindowProcA(m_hwnd, message, wParam, lParam);
  return CallWindowProcA(m_previousProc, m_hwnd, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedWindow::Procedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) noexcept {
  auto* self = static_cast<SubclassedWindow*>(GetPropA(window, kObjectProperty));
  const WNDPROC previous = PreviousProcOf(window);
  auto forward = [&]() -> LRESULT {
    return previous != nullptr ? CallWindowProcA(previous, window, message, wParam, lParam)
                               : DefWindowProcA(window, message, wParam, lParam);
  };

  if (message == WM_NCDESTROY) {
    // The window is going: let go of it before the control's own clean-up runs.
    if (self != nullptr) {
      self->Detach();
      try {
        self->OnDetached();
      } catch (...) {
      }
    }
    RemovePropA(window, kPreviousProcProperty);
    return forward();
  }
  if (self == nullptr) return forward();

  try {
    LRESULT result = 0;
    if (self->OnMessage(message, wParam, lParam, result)) return result;
  } catch (...) {
    // A handler that failed half way leaves the message to the control.
  }
  return forward();
}

}  // namespace gridmoor::ui
