// Times a Windows program from its start until it shows a window: the time the player waits.
//
//   startup_timer <runs> <control id> <rows> <program> [arguments...]
//
// Each run starts the program, polls its top-level windows until a visible one holds child
// `control id` (0: any visible window will do) and, with `rows` above 0, until that child, a
// list view, holds that many rows; then it closes the program and waits for it to end. Prints
// each run's time and the median, in milliseconds. A measuring tool run by hand: not a test.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Search {
  DWORD process;
  int control;
  int rows;
  HWND found;
};

BOOL CALLBACK FindShown(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != search->process || !IsWindowVisible(window)) return TRUE;
  if (search->control != 0) {
    HWND child = GetDlgItem(window, search->control);
    if (!child) return TRUE;
    if (search->rows > 0) {
      DWORD_PTR rows = 0;
      if (!SendMessageTimeoutA(child, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000, &rows) ||
          static_cast<int>(rows) < search->rows) {
        return TRUE;
      }
    }
  }
  search->found = window;
  return FALSE;
}

std::string Quoted(const char* argument) { return std::string("\"") + argument + "\""; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: startup_timer <runs> <control id> <rows> <program> [args...]\n");
    return 2;
  }
  const int runs = std::max(1, std::atoi(argv[1]));
  const int control = std::atoi(argv[2]);
  const int rows = std::atoi(argv[3]);
  std::string command = Quoted(argv[4]);
  for (int i = 5; i < argc; ++i) command += " " + std::string(argv[i]);

  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = command;
    const auto start = std::chrono::steady_clock::now();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      std::fprintf(stderr, "cannot start %s (error %lu)\n", argv[4], GetLastError());
      return 1;
    }
    Search search = {process.dwProcessId, control, rows, nullptr};
    while (!search.found && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
      EnumWindows(FindShown, reinterpret_cast<LPARAM>(&search));
      if (!search.found) Sleep(1);
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (search.found) {
      PostMessageA(search.found, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(process.hProcess, 10000) == WAIT_TIMEOUT)
        TerminateProcess(process.hProcess, 1);
      times.push_back(ms);
      std::printf("run %d: %.1f ms\n", run + 1, ms);
    } else {
      std::fprintf(stderr, "run %d: the program ended without the window\n", run + 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  if (times.empty()) return 1;
  std::sort(times.begin(), times.end());
  std::printf("median of %zu: %.1f ms\n", times.size(), times[times.size() / 2]);
  return 0;
}
