#pragma once
// The application object: runs the install dialog once and ends.

#include <windows.h>

#include "ui/framework/WinApp.h"

namespace gridmoor::ui {

class CInstallApp : public CWinApp {
 public:
  // Runs the dialog to its end; always answers FALSE, so the program ends with it.
  BOOL InitInstance() override;
};

}  // namespace gridmoor::ui
