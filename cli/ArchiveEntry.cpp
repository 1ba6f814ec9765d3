#include "cli/ArchiveEntry.h"

#include <algorithm>

namespace gridmoor::cli {

namespace {

bool IsInstallIni(std::string_view name) {
  constexpr std::string_view kName = "install.ini";
  if (name.size() != kName.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kName[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> SafeEntryPath(std::string_view name, std::string& why) {
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) {
      why = "a control character in its name";
      return std::nullopt;
    }
  }
  if (!name.empty() && (name[0] == '/' || name[0] == '\\')) {
    why = "an absolute name";
    return std::nullopt;
  }
  std::string path;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (part == "..") {
      why = "\"..\" in its name";
      return std::nullopt;
    }
    if (!part.empty() && part != ".") {
      if (!path.empty()) path += '/';
      path += part;
    }
    start = end + 1;
  }
  // "C:evil" is relative to drive C's current folder: outside the staging folder all the same.
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    why = "a drive in its name";
    return std::nullopt;
  }
  return path;
}

std::vector<std::string> PackageRoots(const std::vector<std::string>& files) {
  std::vector<std::string> roots;
  for (const std::string& file : files) {
    const std::size_t slash = file.rfind('/');
    const std::string_view leaf =
        slash == std::string::npos ? std::string_view(file) : std::string_view(file).substr(slash + 1);
    if (IsInstallIni(leaf)) roots.push_back(slash == std::string::npos ? "" : file.substr(0, slash));
  }
  std::sort(roots.begin(), roots.end());
  roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
  return roots;
}

bool IsUnder(const std::string& path, const std::string& root) {
  if (root.empty()) return true;
  return path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
         path[root.size()] == '/';
}

}  // namespace gridmoor::cli
