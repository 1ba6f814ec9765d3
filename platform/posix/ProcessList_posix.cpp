#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "platform/ProcessList.h"

namespace gridmoor {

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes;
  bytes.resize(4096);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

std::string LastName(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

bool IsProgramRunning(const std::string& exeName) {
  std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), ::closedir);
  if (!proc) return false;
  const std::string self = std::to_string(::getpid());
  // The kernel keeps at most 15 characters of a process's name.
  const std::string shortName = exeName.substr(0, 15);
  while (const dirent* entry = ::readdir(proc.get())) {
    const std::string pid = entry->d_name;
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
    std::string comm = ReadSmallFile("/proc/" + pid + "/comm");
    if (!comm.empty() && comm.back() == '\n') comm.pop_back();
    if (SameIgnoringCase(comm, shortName)) return true;
    const std::string cmdline = ReadSmallFile("/proc/" + pid + "/cmdline");
    const std::string argv0 = cmdline.substr(0, cmdline.find('\0'));
    if (SameIgnoringCase(LastName(argv0), exeName)) return true;
  }
  return false;
}

}  // namespace gridmoor
