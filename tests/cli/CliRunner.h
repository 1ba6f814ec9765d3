#pragma once
// Runs the real gridmoor-cli as a child process, for tests of what only the program shows:
// exit statuses, what it prints, what it leaves on disk. Standard input comes from a string;
// standard output and error are captured whole.

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace gridmoor::testing {

struct CliResult {
  int status = -1;  // the exit status; -1 when the program did not start or end in time
  std::string out;
  std::string err;
};

struct CliOptions {
  std::string folder;  // current folder of the child; empty: the test's own
  std::string input;   // what the child reads on standard input (not a terminal)
  // Environment variables set for the child (POSIX; an empty value unsets the variable).
  std::vector<std::pair<std::string, std::string>> environment;
  std::chrono::milliseconds timeout{60000};
};

// The program the build made (its path as the test program sees it).
std::string CliProgram();

// Runs `program` (CliProgram() by default) with `args` and waits for it to end. A child still
// running after the timeout is killed and answers status -1.
CliResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const CliOptions& options = {});
inline CliResult RunCli(const std::vector<std::string>& args, const CliOptions& options = {}) {
  return RunProgram(CliProgram(), args, options);
}

// A program started in the background and killed (and waited for) when its owner goes: the
// stand-in for a running game.
class BackgroundProcess {
 public:
  // Starts `program` with `args`; Running() tells whether that worked.
  BackgroundProcess(const std::string& program, const std::vector<std::string>& args);
  ~BackgroundProcess();
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;
  bool Running() const;

 private:
  struct Impl;
  Impl* m_impl;
};

}  // namespace gridmoor::testing
