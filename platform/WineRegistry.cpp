#include "platform/WineRegistry.h"

#include <cstdint>

namespace gridmoor {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Reads an escaped string from `line` at `pos` up to the unescaped `close` character, as Wine
// writes them: \\ \" \a \b \e \f \n \r \t \v, \xN to \xNNNN (a UTF-16 unit), \N to \NNN
// (octal); any other escaped character stands for itself. Answers nullopt when `close` never
// comes, the string holds a NUL, or a \x escape names half of a surrogate pair. `pos` ends
// past `close`.
std::optional<std::string> ReadEscaped(std::string_view line, std::size_t& pos, char close) {
  std::string out;
  while (pos < line.size()) {
    const char c = line[pos++];
    if (c == close) return out;
    if (c != '\\') {
      if (c == '\0') return std::nullopt;
      out += c;
      continue;
    }
    if (pos >= line.size()) return std::nullopt;
    const char e = line[pos++];
    std::uint32_t code = 0;
    switch (e) {
      case 'a': code = '\a'; break;
      case 'b': code = '\b'; break;
      case 'e': code = 0x1B; break;
      case 'f': code = '\f'; break;
      case 'n': code = '\n'; break;
      case 'r': code = '\r'; break;
      case 't': code = '\t'; break;
      case 'v': code = '\v'; break;
      case 'x': {
        int digits = 0;
        while (digits < 4 && pos < line.size() && HexDigit(line[pos]) >= 0) {
          code = code * 16 + static_cast<std::uint32_t>(HexDigit(line[pos++]));
          ++digits;
        }
        if (digits == 0) code = 'x';
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          code = static_cast<std::uint32_t>(e - '0');
          for (int digits = 1; digits < 3 && pos < line.size() && line[pos] >= '0' &&
                               line[pos] <= '7';
               ++digits) {
            code = code * 8 + static_cast<std::uint32_t>(line[pos++] - '0');
          }
        } else {
          if (e == '\0') return std::nullopt;
          code = static_cast<unsigned char>(e);
          out += e;  // a byte as it stands (part of UTF-8 text, or a plain character)
          continue;
        }
    }
    if (code == 0 || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
    AppendUtf8(out, code);
  }
  return std::nullopt;
}

// The next line of `text` from `pos` (without its line end); false at the end.
bool NextLine(std::string_view text, std::size_t& pos, std::string_view& line) {
  if (pos >= text.size()) return false;
  std::size_t end = text.find('\n', pos);
  if (end == std::string_view::npos) end = text.size();
  line = text.substr(pos, end - pos);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  pos = end + 1;
  return true;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

}  // namespace

WineRegistryText FindWineRegistryText(std::string_view reg, std::string_view keyPath,
                                      std::string_view valueName) {
  if (valueName == "@") valueName = "";
  WineRegistryText answer;
  bool inKey = false;
  std::size_t pos = 0;
  std::string_view line;
  while (NextLine(reg, pos, line)) {
    line = TrimLeft(line);
    if (line.empty()) continue;
    if (line.front() == '[') {
      if (inKey) break;  // the key ended without the value
      std::size_t at = 1;
      std::optional<std::string> name = ReadEscaped(line, at, ']');
      inKey = name && SameIgnoringCase(*name, keyPath);
      if (inKey) answer.result = WineLookup::kNoValue;
      continue;
    }
    if (!inKey) continue;

    std::size_t at = 0;
    std::optional<std::string> name;
    if (line.front() == '@') {
      name = "";
      at = 1;
    } else if (line.front() == '"') {
      at = 1;
      name = ReadEscaped(line, at, '"');
    }
    if (!name || !SameIgnoringCase(*name, valueName)) continue;
    if (at >= line.size() || line[at] != '=') continue;
    std::string_view data = line.substr(at + 1);
    for (std::string_view type : {"str:", "str(1):", "str(2):"}) {
      if (data.substr(0, type.size()) == type) {
        data.remove_prefix(type.size());
        break;
      }
    }
    answer.result = WineLookup::kNotText;
    if (data.empty() || data.front() != '"') return answer;
    std::size_t from = 1;
    std::optional<std::string> text = ReadEscaped(data, from, '"');
    if (!text) return answer;
    answer.result = WineLookup::kFound;
    answer.text = std::move(*text);
    return answer;
  }
  return answer;
}

bool IsWin64Registry(std::string_view reg) {
  std::size_t pos = 0;
  std::string_view line;
  for (int i = 0; i < 16 && NextLine(reg, pos, line); ++i) {
    if (TrimLeft(line) == "#arch=win64") return true;
  }
  return false;
}

std::optional<DosPath> ParseDosPath(std::string_view path, std::string& error) {
  const bool drive = path.size() >= 2 && ((path[0] >= 'a' && path[0] <= 'z') ||
                                          (path[0] >= 'A' && path[0] <= 'Z')) && path[1] == ':';
  if (!drive || (path.size() > 2 && path[2] != '\\' && path[2] != '/')) {
    error = "not a full path with a drive letter";
    return std::nullopt;
  }
  DosPath dos;
  dos.drive = Lower(path[0]);
  std::size_t start = 2;
  while (start < path.size()) {
    std::size_t end = path.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view name = path.substr(start, end - start);
    start = end + 1;
    if (name.empty() || name == ".") continue;
    if (name.find_first_not_of(". ") == std::string_view::npos) {
      error = "the path holds \"" + std::string(name) + "\"";
      return std::nullopt;
    }
    for (char c : name) {
      if (static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"|?*").find(c) !=
                                                      std::string_view::npos) {
        error = "the path holds a character no folder name can hold";
        return std::nullopt;
      }
    }
    dos.folders.emplace_back(name);
  }
  return dos;
}

}  // namespace gridmoor
