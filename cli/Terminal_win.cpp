#include <windows.h>

#include "cli/Terminal.h"

namespace gridmoor::cli {

namespace {

bool IsConsole(DWORD which) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

}  // namespace

bool StdinIsTerminal() { return IsConsole(STD_INPUT_HANDLE); }
bool StdoutIsTerminal() { return IsConsole(STD_OUTPUT_HANDLE); }

std::optional<std::string> ReadLeavingAccessTime(const std::string& path, std::size_t maxBytes,
                                                 bool* truncated) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  } else {
    // All ones: the system leaves the last access time alone for this handle.
    FILETIME keep{0xFFFFFFFF, 0xFFFFFFFF};
    SetFileTime(file, nullptr, &keep, nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  bool cut = false;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
      CloseHandle(file);
      return std::nullopt;
    }
    if (got == 0) break;
    const std::size_t room = maxBytes - bytes.size();
    if (got > room) {
      bytes.append(buffer, room);
      cut = true;
      break;
    }
    bytes.append(buffer, got);
  }
  CloseHandle(file);
  if (truncated) *truncated = cut;
  return bytes;
}

namespace {

volatile LONG g_interrupted = 0;
bool g_armed = false;

BOOL WINAPI NoteInterrupt(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // Asked twice: let the next handler (the system's) stop the process.
  return InterlockedExchange(&g_interrupted, 1) == 0 ? TRUE : FALSE;
}

}  // namespace

InterruptNote::InterruptNote() {
  g_interrupted = 0;
  g_armed = SetConsoleCtrlHandler(NoteInterrupt, TRUE) != FALSE;
}

InterruptNote::~InterruptNote() {
  if (g_armed) SetConsoleCtrlHandler(NoteInterrupt, FALSE);
  g_armed = false;
}

InterruptNote::Paused::Paused() {
  if (g_armed) SetConsoleCtrlHandler(NoteInterrupt, FALSE);
}

InterruptNote::Paused::~Paused() {
  if (g_armed) SetConsoleCtrlHandler(NoteInterrupt, TRUE);
}

bool InterruptNote::Raised() { return g_interrupted != 0; }

}  // namespace gridmoor::cli
