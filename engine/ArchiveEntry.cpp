#include "engine/ArchiveEntry.h"

#include <algorithm>
#include <cwctype>

namespace gridmoor {

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

std::string CaseBlindKey(std::string_view path) {
  std::string key;
  key.reserve(path.size());
  for (std::size_t i = 0; i < path.size();) {
    const unsigned char lead = static_cast<unsigned char>(path[i]);
    const int length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2
                     : lead >= 0xE0 && lead < 0xF0 ? 3 : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
    std::uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1Fu
                       : length == 3 ? lead & 0x0Fu : lead & 0x07u;
    bool valid = length > 0 && i + length <= path.size();
    for (int k = 1; valid && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(path[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3Fu);
    }
    // Overlong forms and surrogates are kept as bytes, never folded onto another name.
    valid = valid && !(length == 3 && (code < 0x800 || (code >= 0xD800 && code < 0xE000))) &&
            !(length == 4 && (code < 0x10000 || code > 0x10FFFF));
    if (!valid) {
      key += path[i++];
      continue;
    }
    const auto lower = static_cast<std::uint32_t>(std::towlower(static_cast<wint_t>(code)));
    // Only a fold that keeps the length: the key stays a name of the same shape.
    const std::uint32_t folded =
        (lower < 0x80) == (code < 0x80) && (lower < 0x800) == (code < 0x800) &&
                (lower < 0x10000) == (code < 0x10000) && !(lower >= 0xD800 && lower < 0xE000)
            ? lower
            : code;
    if (length == 1) {
      key += static_cast<char>(folded);
    } else if (length == 2) {
      key += static_cast<char>(0xC0 | (folded >> 6));
      key += static_cast<char>(0x80 | (folded & 0x3F));
    } else if (length == 3) {
      key += static_cast<char>(0xE0 | (folded >> 12));
      key += static_cast<char>(0x80 | ((folded >> 6) & 0x3F));
      key += static_cast<char>(0x80 | (folded & 0x3F));
    } else {
      key += static_cast<char>(0xF0 | (folded >> 18));
      key += static_cast<char>(0x80 | ((folded >> 12) & 0x3F));
      key += static_cast<char>(0x80 | ((folded >> 6) & 0x3F));
      key += static_cast<char>(0x80 | (folded & 0x3F));
    }
    i += length;
  }
  return key;
}

bool IsUnder(const std::string& path, const std::string& root) {
  if (root.empty()) return true;
  return path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
         path[root.size()] == '/';
}

}  // namespace gridmoor
