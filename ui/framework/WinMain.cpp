// The program's entry point: hands over to the one static application object.
#include <windows.h>

#include "ui/framework/WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  gridmoor::ui::CWinApp* app = gridmoor::ui::CWinApp::Current();
  return app ? app->Run() : 1;
}
