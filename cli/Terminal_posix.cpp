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

}  // namespace gridmoor::cli
