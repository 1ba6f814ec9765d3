#include "ui/InstallApp.h"

#include "ui/InstallDlg.h"

namespace gridmoor::ui {

// The one application object, started by WinMain.
CInstallApp theApp;

BOOL CInstallApp::InitInstance() {
  // The 3D-controls library that once gave dialogs their raised look has no counterpart on
  // today's Windows; the manifest's version 6 common controls give the look instead.
  CInstallDlg dialog;
  // The dialog makes itself the main window while it runs: every message box is owned by it.
  // There is no help: F1 shows nothing.
  dialog.DoModal();  // the end code carries no meaning: the outcome was shown in message boxes
  return FALSE;
}

}  // namespace gridmoor::ui
