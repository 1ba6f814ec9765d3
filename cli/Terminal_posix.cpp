#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "cli/Terminal.h"
#include "platform/posix/PathCase.h"

namespace gridmoor::cli {

bool StdinIsTerminal() { return ::isatty(0) == 1; }
bool StdoutIsTerminal() { return ::isatty(1) == 1; }

std::optional<std::string> ReadLeavingAccessTime(const std::string& path, std::size_t maxBytes,
                                                 bool* truncated) {
  std::string posix = path;
  for (char& c : posix) {
    if (c == '\\') c = '/';
  }
  posix = ResolvePathCase(posix);
  int fd = ::open(posix.c_str(), O_RDONLY | O_NOATIME | O_CLOEXEC);
  // Only the owner (or root) may ask for O_NOATIME.
  if (fd < 0 && errno == EPERM) fd = ::open(posix.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  bool cut = false;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    const std::size_t room = maxBytes - bytes.size();
    if (static_cast<std::size_t>(got) > room) {
      bytes.append(buffer, room);
      cut = true;
      break;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  if (truncated) *truncated = cut;
  return bytes;
}

}  // namespace gridmoor::cli
