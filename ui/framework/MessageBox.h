#pragma once
// The program's message boxes: modal, owned by the main window, captioned with the
// application's title.

#include <windows.h>

#include <string>

namespace gridmoor::ui {

// The executable's file name without folder and extension ("gridmoor").
const std::string& ApplicationTitle();

// The window that owns every message box; the main dialog sets it while it runs.
void SetMainWindow(HWND window);
HWND MainWindow();

// Shows `text` and answers the button chosen (IDOK, IDYES, ...). A `type` that names no icon
// gets the exclamation mark.
int AppMessageBox(const std::string& text, UINT type = MB_OK);

}  // namespace gridmoor::ui
