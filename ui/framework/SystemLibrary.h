#pragma once
// Functions of the system's own DLLs that only some actions need (the file dialogs, opening an
// address, files dropped on a window), loaded on first use: the program starts without those
// DLLs and all they pull in. They are loaded by full path from the system folder, never from the
// folder the program was started in, and stay loaded for the program's life.

#include <windows.h>

namespace gridmoor::ui {

// The address of `name` in the system DLL `library`, or null when either is missing.
FARPROC SystemFunction(const char* library, const char* name);

// The same, typed as `decltype(TheFunction)`.
template <class Function>
Function* SystemFunctionOf(const char* library, const char* name) {
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(SystemFunction(library, name)));
}

}  // namespace gridmoor::ui
