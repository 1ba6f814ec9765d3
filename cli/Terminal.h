#pragma once
// What the process's standard streams are attached to, and reading files for a dry run.

#include <cstddef>
#include <optional>
#include <string>

namespace gridmoor::cli {

// Whether standard input / standard output is a terminal (a console on Windows).
bool StdinIsTerminal();
bool StdoutIsTerminal();

// The bytes of `path` (as the engine names files) like FileSystem::ReadWholeFile, but leaving
// the file's access time as it was where the system allows (O_NOATIME on Linux for the file's
// owner and root, as every read of the POSIX file system does; on Windows by asking the system
// not to update it).
std::optional<std::string> ReadLeavingAccessTime(const std::string& path, std::size_t maxBytes,
                                                 bool* truncated);

// While one lives, Ctrl+C (and a polite kill: SIGTERM; Ctrl+Break on Windows) does not stop the
// process at once but is noted, so a command stops at its next safe point and undoes what it
// began. A second Ctrl+C after the first is noted stops it as usual; the next command settles.
class InterruptNote {
 public:
  InterruptNote();
  ~InterruptNote();
  InterruptNote(const InterruptNote&) = delete;
  InterruptNote& operator=(const InterruptNote&) = delete;
  static bool Raised();
  // While one lives (a question waits at the terminal), Ctrl+C stops the process at once again.
  class Paused {
   public:
    Paused();
    ~Paused();
    Paused(const Paused&) = delete;
    Paused& operator=(const Paused&) = delete;
  };
};

}  // namespace gridmoor::cli
