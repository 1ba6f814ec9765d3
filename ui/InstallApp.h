#pragma once
// The application object: runs the install dialog once and ends, or, started with /season,
// the season window alone.

#include <windows.h>

#include "ui/framework/WinApp.h"

namespace gridmoor::ui {

class CInstallApp : public CWinApp {
 public:
  // Runs the dialog (or the season window) to its end; always answers FALSE, so the program
  // ends with it.
  BOOL InitInstance() override;

 private:
  // The season window for the game folder of the registry, else the one the player browses to.
  void RunSeasonWindow();
};

}  // namespace gridmoor::ui
