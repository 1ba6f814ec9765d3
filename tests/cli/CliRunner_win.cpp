#include <windows.h>

#include <fstream>
#include <iterator>

#include "cli/CliRunner.h"

namespace gridmoor::testing {

std::string CliProgram() { return GRIDMOOR_CLI_PROGRAM; }

namespace {

// One argument quoted so that the child's C runtime reads it back unchanged.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

std::string CommandLine(const std::string& program, const std::vector<std::string>& args) {
  std::string line = Quote(program);
  for (const std::string& arg : args) line += " " + Quote(arg);
  return line;
}

// A temporary file, deleted with its owner.
struct TempFile {
  std::string path;
  TempFile() {
    char folder[MAX_PATH + 1] = {}, name[MAX_PATH + 1] = {};
    GetTempPathA(sizeof folder, folder);
    GetTempFileNameA(folder, "gmc", 0, name);
    path = name;
  }
  ~TempFile() { DeleteFileA(path.c_str()); }
  HANDLE Open(DWORD access, DWORD disposition) const {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  std::string Read() const {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
};

}  // namespace

CliResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const CliOptions& options) {
  CliResult result;
  TempFile in, out, err;
  { std::ofstream(in.path, std::ios::binary) << options.input; }
  HANDLE inHandle = in.Open(GENERIC_READ, OPEN_EXISTING);
  HANDLE outHandle = out.Open(GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE errHandle = err.Open(GENERIC_WRITE, CREATE_ALWAYS);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inHandle;
  startup.hStdOutput = outHandle;
  startup.hStdError = errHandle;
  PROCESS_INFORMATION process{};
  std::string line = CommandLine(program, args);
  const BOOL started = CreateProcessA(
      nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
      options.folder.empty() ? nullptr : options.folder.c_str(), &startup, &process);
  CloseHandle(inHandle);
  CloseHandle(outHandle);
  CloseHandle(errHandle);
  if (!started) return result;

  if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(options.timeout.count())) ==
      WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.status = static_cast<int>(code);
  } else {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  result.out = out.Read();
  result.err = err.Read();
  return result;
}

struct BackgroundProcess::Impl {
  PROCESS_INFORMATION process{};
};

BackgroundProcess::BackgroundProcess(const std::string& program,
                                     const std::vector<std::string>& args)
    : m_impl(new Impl) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string line = CommandLine(program, args);
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &m_impl->process)) {
    m_impl->process = PROCESS_INFORMATION{};
  }
}

BackgroundProcess::~BackgroundProcess() {
  if (m_impl->process.hProcess != nullptr) {
    TerminateProcess(m_impl->process.hProcess, 1);
    WaitForSingleObject(m_impl->process.hProcess, INFINITE);
    CloseHandle(m_impl->process.hThread);
    CloseHandle(m_impl->process.hProcess);
  }
  delete m_impl;
}

bool BackgroundProcess::Running() const {
  return m_impl->process.hProcess != nullptr &&
         WaitForSingleObject(m_impl->process.hProcess, 0) == WAIT_TIMEOUT;
}

}  // namespace gridmoor::testing
