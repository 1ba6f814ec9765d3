#include <windows.h>
#include <tlhelp32.h>

#include <cstring>
#include <memory>

#include "platform/ProcessList.h"

namespace gridmoor {

bool IsProgramRunning(const std::string& exeName) {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  // Closed however the search ends.
  const std::unique_ptr<void, decltype(&CloseHandle)> owner(snapshot, &CloseHandle);
  const DWORD self = GetCurrentProcessId();
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32First(snapshot, &entry); more && !found;
       more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == self) continue;
    // The name may come with its folder on some systems; compare the last part only.
    const char* name = entry.szExeFile;
    if (const char* slash = std::strrchr(name, '\\')) name = slash + 1;
    found = lstrcmpiA(name, exeName.c_str()) == 0;
  }
  return found;
}

}  // namespace gridmoor
