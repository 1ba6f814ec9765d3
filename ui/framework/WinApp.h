#pragma once
// The application object: one static instance per program, started by WinMain.

#include <windows.h>

namespace gridmoor::ui {

class CWinApp {
 public:
  // Registers this object as the program's one application; a second one is a programming
  // error and is ignored (the first stays current).
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // The program's start: answers whether a message loop should follow. A dialog-based
  // program runs its dialog here and answers FALSE.
  virtual BOOL InitInstance() = 0;

  // The application registered by the constructor, or null when there is none.
  static CWinApp* Current();

  // Initialises the common controls and runs InitInstance (and, if it asks for one, a
  // message loop until WM_QUIT). Answers the process exit code; exceptions do not escape.
  int Run();
};

}  // namespace gridmoor::ui
