#include <signal.h>
#include <unistd.h>

#include "cli/Terminal.h"
#include "platform/FileSystem.h"

namespace gridmoor::cli {

bool StdinIsTerminal() { return ::isatty(0) == 1; }
bool StdoutIsTerminal() { return ::isatty(1) == 1; }

std::optional<std::string> ReadLeavingAccessTime(const std::string& path, std::size_t maxBytes,
                                                 bool* truncated) {
  // The POSIX file system's own reads already leave the access time alone.
  return MakeNativeFileSystem()->ReadWholeFile(path, maxBytes, truncated);
}

namespace {

volatile sig_atomic_t g_interrupted = 0;
bool g_armed = false;
struct sigaction g_oldInt, g_oldTerm;

void NoteInterrupt(int signal) {
  if (g_interrupted) {
    // Asked twice: stop now, as without the note.
    ::sigaction(SIGINT, &g_oldInt, nullptr);
    ::sigaction(SIGTERM, &g_oldTerm, nullptr);
    ::raise(signal);
    return;
  }
  g_interrupted = 1;
}

}  // namespace

InterruptNote::InterruptNote() {
  g_interrupted = 0;
  struct sigaction action {};
  action.sa_handler = NoteInterrupt;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, &g_oldInt);
  ::sigaction(SIGTERM, &action, &g_oldTerm);
  g_armed = true;
}

InterruptNote::~InterruptNote() {
  ::sigaction(SIGINT, &g_oldInt, nullptr);
  ::sigaction(SIGTERM, &g_oldTerm, nullptr);
  g_armed = false;
}

InterruptNote::Paused::Paused() {
  if (!g_armed) return;
  struct sigaction mine {};
  ::sigaction(SIGINT, &g_oldInt, &mine);
  ::sigaction(SIGTERM, &g_oldTerm, nullptr);
}

InterruptNote::Paused::~Paused() {
  if (!g_armed) return;
  struct sigaction action {};
  action.sa_handler = NoteInterrupt;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

bool InterruptNote::Raised() { return g_interrupted != 0; }

}  // namespace gridmoor::cli
