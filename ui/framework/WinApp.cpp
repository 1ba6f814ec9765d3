#include "ui/framework/WinApp.h"

#include <commctrl.h>

#include "ui/framework/MessageBox.h"

namespace gridmoor::ui {

namespace {
CWinApp* g_app = nullptr;  // not owned: the one static application object
}

CWinApp::CWinApp() {
  if (!g_app) g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::Current() { return g_app; }

int CWinApp::Run() {
  // The progress bar (msctls_progress32) must be registered before any dialog is created.
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                                        ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    if (!InitInstance()) return 0;
    MSG msg;
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) != 0 && got != -1) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    return got == 0 ? static_cast<int>(msg.wParam) : 1;
  } catch (...) {
    // Dialogs report their own failures; this is what slipped past every window.
    try {
      AppMessageBox("The program met an unexpected error and must close.", MB_OK | MB_ICONSTOP);
    } catch (...) {
    }
    return 1;
  }
}

}  // namespace gridmoor::ui
