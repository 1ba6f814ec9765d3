#include "platform/posix/PathCase.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <optional>

namespace gridmoor {

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool SameIgnoringCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == '\0') return false;
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return b[i] == '\0';
}

// The entry of `folder` named `name` in some letter case; the first in byte order wins, so
// the answer does not depend on the order the folder lists its entries in.
std::optional<std::string> FindIgnoringCase(const std::string& folder, const std::string& name) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()),
                                          ::closedir);
  if (!dir) return std::nullopt;
  std::optional<std::string> best;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (SameIgnoringCase(name, entry->d_name) && (!best || *best > entry->d_name))
      best = entry->d_name;
  }
  return best;
}

}  // namespace

std::string ResolvePathCase(const std::string& path) {
  if (path.empty() || Exists(path)) return path;

  const auto join = [](const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
  };
  std::string out = path[0] == '/' ? "/" : "";
  bool matching = true;  // false below the first entry that exists in no letter case
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string name = path.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    if (matching && name != "." && name != ".." && !Exists(join(out, name))) {
      std::optional<std::string> found = FindIgnoringCase(out.empty() ? "." : out, name);
      if (found) {
        name = *found;
      } else {
        matching = false;
      }
    }
    out = join(out, name);
  }
  if (path.back() == '/' && out.back() != '/') out += '/';
  return out;
}

}  // namespace gridmoor
