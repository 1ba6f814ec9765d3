#include <windows.h>
#include <tlhelp32.h>

#include <memory>

#include "platform/ProcessList.h"

namespace gridmoor {

namespace {

using HandleOwner = std::unique_ptr<void, decltype(&CloseHandle)>;

// PROCESS_QUERY_LIMITED_INFORMATION: enough for the image name, granted for more processes than
// a full query (others' elevated ones too); named in the headers only from Vista on.
constexpr DWORD kQueryLimited = 0x1000;

using QueryImageName = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
using ModuleFileName = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);

// Both looked up at run time: the program must still start where kernel32 lacks them.
QueryImageName QueryFullImageName() {
  static const QueryImageName query = [] {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    FARPROC found = kernel32 ? GetProcAddress(kernel32, "QueryFullProcessImageNameA") : nullptr;
    return reinterpret_cast<QueryImageName>(reinterpret_cast<void*>(found));
  }();
  return query;
}

// Before Windows 7 the call lives in psapi.dll, kept loaded for the life of the program.
ModuleFileName ModuleFileNameEx() {
  static const ModuleFileName get = [] {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    FARPROC found = kernel32 ? GetProcAddress(kernel32, "K32GetModuleFileNameExA") : nullptr;
    if (!found) {
      HMODULE psapi = LoadLibraryA("psapi.dll");
      found = psapi ? GetProcAddress(psapi, "GetModuleFileNameExA") : nullptr;
    }
    return reinterpret_cast<ModuleFileName>(reinterpret_cast<void*>(found));
  }();
  return get;
}

// The full path of the program the process `pid` runs, or "" when it cannot be opened.
std::string ImagePath(DWORD pid) {
  char path[32768];
  if (const QueryImageName query = QueryFullImageName()) {
    if (const HANDLE process = OpenProcess(kQueryLimited, FALSE, pid)) {
      const HandleOwner owner(process, &CloseHandle);
      DWORD size = sizeof path;
      if (query(process, 0, path, &size) && size < sizeof path) return std::string(path, size);
    }
  }
  if (const ModuleFileName get = ModuleFileNameEx()) {
    if (const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid)) {
      const HandleOwner owner(process, &CloseHandle);
      const DWORD size = get(process, nullptr, path, sizeof path);
      if (size > 0 && size < sizeof path) return std::string(path, size);
    }
  }
  return {};
}

// `folder` as Windows names a program's folder: full, long names, no trailing backslash.
std::string FolderAsImagesName(const std::string& folder) {
  char full[32768];
  DWORD size = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
  if (size == 0 || size >= sizeof full) return {};
  char longName[32768];
  const DWORD longSize = GetLongPathNameA(full, longName, sizeof longName);
  std::string name = longSize > 0 && longSize < sizeof longName ? std::string(longName, longSize)
                                                                : std::string(full, size);
  // "C:\" keeps its backslash: a program there has "C:" for its folder.
  while (!name.empty() && (name.back() == '\\' || name.back() == '/')) name.pop_back();
  return name;
}

}  // namespace

std::optional<std::string> ProgramRunningIn(const std::string& gameFolder) {
  const std::string folder = FolderAsImagesName(gameFolder);
  if (folder.empty()) return std::nullopt;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return std::nullopt;
  // Closed however the search ends.
  const HandleOwner owner(snapshot, &CloseHandle);
  const DWORD self = GetCurrentProcessId();
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == self) continue;
    const std::string image = ImagePath(entry.th32ProcessID);
    const std::size_t cut = image.find_last_of('\\');
    if (cut == std::string::npos || cut != folder.size()) continue;
    if (lstrcmpiA(image.substr(0, cut).c_str(), folder.c_str()) == 0) return image.substr(cut + 1);
  }
  return std::nullopt;
}

}  // namespace gridmoor
