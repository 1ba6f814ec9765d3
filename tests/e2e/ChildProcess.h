#pragma once
// A program started by the driver, owned: a process still running when its owner goes is
// terminated, so a failed scenario never leaves a program behind.

#include <windows.h>

#include <string>

#include "e2e/Wait.h"

namespace gridmoor::e2e {

class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  // Starts `exe` in `currentFolder`, with `arguments` after its quoted name on the command
  // line. Answers an empty owner (no process) when CreateProcess fails; `error` then holds its
  // Win32 error code.
  static ChildProcess Start(const std::string& exe, const std::string& currentFolder,
                            DWORD* error = nullptr, const std::string& arguments = "");

  bool Started() const { return m_process != nullptr; }
  DWORD Id() const { return m_processId; }
  DWORD MainThreadId() const { return m_threadId; }
  HANDLE Handle() const { return m_process; }  // owned by this object

  bool HasExited() const;
  // Waits until the process has ended; false when it still runs after `timeout`.
  bool WaitForExit(Millis timeout = kDefaultTimeout) const;
  // Ends a process that still runs and waits for it to go.
  void Terminate();

 private:
  void Release();

  HANDLE m_process = nullptr;
  HANDLE m_thread = nullptr;
  DWORD m_processId = 0;
  DWORD m_threadId = 0;
};

}  // namespace gridmoor::e2e
