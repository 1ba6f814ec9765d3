#include "ui/framework/MessageBox.h"

namespace gridmoor::ui {

namespace {
HWND g_mainWindow = nullptr;  // not owned
}

const std::string& ApplicationTitle() {
  static const std::string title = [] {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, n < MAX_PATH ? n : 0);
    std::string::size_type slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    std::string::size_type dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
  }();
  return title;
}

void SetMainWindow(HWND window) { g_mainWindow = window; }
HWND MainWindow() { return g_mainWindow; }

int AppMessageBox(const std::string& text, UINT type) {
  if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
  HWND owner = g_mainWindow && IsWindow(g_mainWindow) ? g_mainWindow : nullptr;
  return MessageBoxA(owner, text.c_str(), ApplicationTitle().c_str(), type);
}

}  // namespace gridmoor::ui
