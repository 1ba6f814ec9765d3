#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "cli/CliRunner.h"

namespace gridmoor::testing {

std::string CliProgram() { return GRIDMOOR_CLI_PROGRAM; }

namespace {

std::vector<char*> Argv(const std::string& program, const std::vector<std::string>& args,
                        std::vector<std::string>& storage) {
  storage.clear();
  storage.push_back(program);
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : storage) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return argv;
}

// Waits up to `timeout` for the child; kills it when it is still there.
int WaitChild(pid_t pid, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int wstatus = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &wstatus, WNOHANG);
    if (done == pid) return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    if (done < 0 && errno != EINTR) return -1;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &wstatus, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

CliResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const CliOptions& options) {
  CliResult result;
  int in[2], out[2], err[2];
  if (::pipe(in) != 0) return result;
  if (::pipe(out) != 0 || ::pipe(err) != 0) return result;
  std::vector<std::string> storage;
  std::vector<char*> argv = Argv(program, args, storage);

  const pid_t pid = ::fork();
  if (pid < 0) return result;
  if (pid == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
    if (!options.folder.empty() && ::chdir(options.folder.c_str()) != 0) ::_exit(127);
    for (const auto& [name, value] : options.environment) {
      if (value.empty()) {
        ::unsetenv(name.c_str());
      } else {
        ::setenv(name.c_str(), value.c_str(), 1);
      }
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);

  // Feed the input and drain both outputs together, so no pipe fills up and stalls the child.
  std::size_t written = 0;
  if (options.input.empty()) {
    ::close(in[1]);
    in[1] = -1;
  } else {
    ::fcntl(in[1], F_SETFL, O_NONBLOCK);
  }
  ::signal(SIGPIPE, SIG_IGN);
  const auto deadline = std::chrono::steady_clock::now() + options.timeout;
  bool outOpen = true, errOpen = true;
  while ((outOpen || errOpen) && std::chrono::steady_clock::now() < deadline) {
    pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
    fds[0].fd = outOpen ? out[0] : -1;
    fds[1].fd = errOpen ? err[0] : -1;
    if (::poll(fds, 3, 100) < 0 && errno != EINTR) break;
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        (i == 0 ? outOpen : errOpen) = false;
      }
    }
    if (in[1] >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      const ssize_t put =
          ::write(in[1], options.input.data() + written, options.input.size() - written);
      if (put > 0) written += static_cast<std::size_t>(put);
      if (put < 0 || written == options.input.size()) {
        ::close(in[1]);
        in[1] = -1;
      }
    }
  }
  if (in[1] >= 0) ::close(in[1]);
  ::close(out[0]);
  ::close(err[0]);
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  result.status = WaitChild(pid, std::max(left, std::chrono::milliseconds(0)));
  return result;
}

struct BackgroundProcess::Impl {
  pid_t pid = -1;
};

BackgroundProcess::BackgroundProcess(const std::string& program,
                                     const std::vector<std::string>& args)
    : m_impl(new Impl) {
  std::vector<std::string> storage;
  std::vector<char*> argv = Argv(program, args, storage);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  m_impl->pid = pid;
}

BackgroundProcess::~BackgroundProcess() {
  if (m_impl->pid > 0) {
    ::kill(m_impl->pid, SIGKILL);
    int ignored;
    ::waitpid(m_impl->pid, &ignored, 0);
  }
  delete m_impl;
}

bool BackgroundProcess::Running() const {
  if (m_impl->pid <= 0) return false;
  int wstatus;
  if (::waitpid(m_impl->pid, &wstatus, WNOHANG) == 0) return true;
  m_impl->pid = -1;  // reaped: nothing left to kill
  return false;
}

}  // namespace gridmoor::testing
