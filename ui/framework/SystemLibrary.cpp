#include "ui/framework/SystemLibrary.h"

#include <string>

namespace gridmoor::ui {

FARPROC SystemFunction(const char* library, const char* name) {
  HMODULE module = GetModuleHandleA(library);
  if (!module) {
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    module = LoadLibraryA((std::string(folder, length) + "\\" + library).c_str());
  }
  return module ? GetProcAddress(module, name) : nullptr;
}

}  // namespace gridmoor::ui
