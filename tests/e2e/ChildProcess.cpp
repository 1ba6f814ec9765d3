#include "e2e/ChildProcess.h"

#include <utility>
#include <vector>

namespace gridmoor::e2e {

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : m_process(std::exchange(other.m_process, nullptr)),
      m_thread(std::exchange(other.m_thread, nullptr)),
      m_processId(std::exchange(other.m_processId, 0)),
      m_threadId(std::exchange(other.m_threadId, 0)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    Release();
    m_process = std::exchange(other.m_process, nullptr);
    m_thread = std::exchange(other.m_thread, nullptr);
    m_processId = std::exchange(other.m_processId, 0);
    m_threadId = std::exchange(other.m_threadId, 0);
  }
  return *this;
}

ChildProcess::~ChildProcess() { Release(); }

void ChildProcess::Release() {
  if (m_process) {
    Terminate();
    CloseHandle(m_process);
    m_process = nullptr;
  }
  if (m_thread) {
    CloseHandle(m_thread);
    m_thread = nullptr;
  }
}

ChildProcess ChildProcess::Start(const std::string& exe, const std::string& currentFolder,
                                 DWORD* error, const std::string& arguments) {
  // CreateProcess may write into the command line, so it gets a buffer of its own.
  std::string quoted = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
  std::vector<char> commandLine(quoted.begin(), quoted.end());
  commandLine.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  ChildProcess child;
  const auto create = [&] {
    return CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup,
                          &info) != 0;
  };
  // Wine gives up on a new process that is slow to come up on a loaded machine and answers
  // ERROR_INTERNAL_ERROR; a second start then succeeds. Anything else is the real answer.
  if (!create() && (GetLastError() != ERROR_INTERNAL_ERROR || !create())) {
    if (error) *error = GetLastError();
    return child;
  }
  if (error) *error = 0;
  child.m_process = info.hProcess;
  child.m_thread = info.hThread;
  child.m_processId = info.dwProcessId;
  child.m_threadId = info.dwThreadId;
  return child;
}

bool ChildProcess::HasExited() const {
  return !m_process || WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0;
}

bool ChildProcess::WaitForExit(Millis timeout) const {
  if (!m_process) return true;
  return WaitForSingleObject(m_process, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

void ChildProcess::Terminate() {
  if (m_process && !HasExited()) {
    TerminateProcess(m_process, 1);
    WaitForSingleObject(m_process, 10000);
  }
}

}  // namespace gridmoor::e2e
