#include "platform/ProfileText.h"

#include <cstddef>
#include <string>
#include <unordered_set>

namespace gridmoor {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

enum class LineKind { kBlank, kComment, kSection, kEntry };

struct Line {
  std::size_t begin = 0;  // first byte of the line
  std::size_t end = 0;    // end of its content, before the line end
  std::size_t next = 0;   // first byte of the following line
  LineKind kind = LineKind::kBlank;
  std::string_view name;  // section name or key, trimmed
  std::size_t equals = std::string_view::npos;  // position of an entry's first '='
};

// The line that starts at `pos`, classified. Lines end at CR LF, LF or CR.
Line ReadLine(std::string_view text, std::size_t pos) {
  Line line;
  line.begin = pos;
  // A plain loop: find_first_of calls memchr on the set once per byte, which made every
  // lookup in a 63-event season file cost as much as the two replaces of the whole update.
  std::size_t brk = pos;
  while (brk < text.size() && text[brk] != '\r' && text[brk] != '\n') ++brk;
  line.end = brk;
  line.next = line.end;
  if (line.next < text.size()) {
    line.next += (text[line.next] == '\r' && line.next + 1 < text.size() &&
                  text[line.next + 1] == '\n')
                     ? 2
                     : 1;
  }
  const std::string_view content = Trim(text.substr(line.begin, line.end - line.begin));
  const std::size_t first = content.empty() ? line.end : content.data() - text.data();
  if (content.empty()) {
    line.kind = LineKind::kBlank;
  } else if (content.front() == ';') {
    line.kind = LineKind::kComment;
  } else if (content.front() == '[' && content.find(']') != std::string_view::npos) {
    line.kind = LineKind::kSection;
    line.name = Trim(content.substr(1, content.find(']') - 1));
  } else {
    line.kind = LineKind::kEntry;
    const std::size_t eq = content.find('=');
    if (eq != std::string_view::npos) line.equals = first + eq;
    line.name = Trim(content.substr(0, eq));
  }
  return line;
}

// Where the first line starts: a UTF-8 byte-order mark at the very start is not part of it.
std::size_t FirstLine(std::string_view text) {
  return text.substr(0, kUtf8Bom.size()) == kUtf8Bom ? kUtf8Bom.size() : 0;
}

// Splits into lines and classifies each.
std::vector<Line> Scan(std::string_view text) {
  std::vector<Line> lines;
  for (std::size_t pos = FirstLine(text); pos < text.size(); pos = lines.back().next)
    lines.push_back(ReadLine(text, pos));
  return lines;
}

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Index of the first header named `section`, or kNone.
std::size_t FindSection(const std::vector<Line>& lines, std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind == LineKind::kSection && SameName(lines[i].name, section)) return i;
  }
  return kNone;
}

// One past the last line of the section whose header is at `header`.
std::size_t SectionEnd(const std::vector<Line>& lines, std::size_t header) {
  std::size_t i = header + 1;
  while (i < lines.size() && lines[i].kind != LineKind::kSection) ++i;
  return i;
}

std::size_t FindKey(const std::vector<Line>& lines, std::size_t header, std::string_view key) {
  const std::size_t end = SectionEnd(lines, header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines[i].kind == LineKind::kEntry && SameName(lines[i].name, key)) return i;
  }
  return kNone;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

std::string_view ValueOf(std::string_view text, const Line& line) {
  // A key line without '=' reads as empty; the view still points into the text.
  if (line.equals == std::string_view::npos) return text.substr(line.end, 0);
  std::string_view value = Trim(text.substr(line.equals + 1, line.end - line.equals - 1));
  if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

// The value as it must stand in the file to read back as itself: reading trims white space and
// strips one pair of outer quotes, so a value with white space at either end, or one that is
// itself wrapped in a pair of quotes, is wrapped in one more pair.
std::string StoredValue(std::string_view value) {
  const bool wrapped = value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
  if (Trim(value) == value && !wrapped) return std::string(value);
  return "\"" + std::string(value) + "\"";
}

bool EndsWithLineEnd(std::string_view text) {
  return !text.empty() && (text.back() == '\r' || text.back() == '\n');
}

std::string Splice(std::string_view text, std::size_t from, std::size_t to,
                   std::string_view insert) {
  std::string out;
  out.reserve(text.size() - (to - from) + insert.size());
  out.append(text.substr(0, from));
  out.append(insert);
  out.append(text.substr(to));
  return out;
}

}  // namespace

// Reads line by line and stops at the answer: the season update looks up every event.
std::optional<std::string_view> FindProfileValue(std::string_view text, std::string_view section,
                                                 std::string_view key) {
  bool inSection = false;
  for (std::size_t pos = FirstLine(text); pos < text.size();) {
    const Line line = ReadLine(text, pos);
    pos = line.next;
    if (line.kind == LineKind::kSection) {
      // Only the first section of the name is searched.
      if (inSection) return std::nullopt;
      inSection = SameName(line.name, section);
    } else if (inSection && line.kind == LineKind::kEntry && SameName(line.name, key)) {
      return ValueOf(text, line);
    }
  }
  return std::nullopt;
}

std::vector<std::pair<std::string_view, std::string_view>> ProfileValuesOfKey(
    std::string_view text, std::string_view key) {
  std::vector<std::pair<std::string_view, std::string_view>> found;
  std::unordered_set<std::string> seen;  // section names met so far, folded
  std::string_view section;
  bool searching = false;  // in the first section of its name, the key not yet found
  for (std::size_t pos = FirstLine(text); pos < text.size();) {
    const Line line = ReadLine(text, pos);
    pos = line.next;
    if (line.kind == LineKind::kSection) {
      std::string folded(line.name);
      for (char& c : folded) c = FoldCase(c);
      section = line.name;
      searching = seen.insert(std::move(folded)).second;
    } else if (searching && line.kind == LineKind::kEntry && SameName(line.name, key)) {
      found.emplace_back(section, ValueOf(text, line));
      searching = false;
    }
  }
  return found;
}

std::vector<std::string_view> ProfileSectionNames(std::string_view text) {
  std::vector<std::string_view> names;
  for (const Line& line : Scan(text)) {
    if (line.kind == LineKind::kSection) names.push_back(line.name);
  }
  return names;
}

std::vector<ProfileSectionSpan> ProfileSectionSpans(std::string_view text) {
  std::vector<ProfileSectionSpan> spans;
  for (std::size_t pos = FirstLine(text); pos < text.size();) {
    const Line line = ReadLine(text, pos);
    pos = line.next;
    if (line.kind != LineKind::kSection) continue;
    if (!spans.empty()) spans.back().end = line.begin;
    ProfileSectionSpan span;
    span.begin = line.begin;
    if (line.name.empty()) {
      span.nameBegin = span.nameEnd = text.find('[', line.begin) + 1;
    } else {
      span.nameBegin = static_cast<std::size_t>(line.name.data() - text.data());
      span.nameEnd = span.nameBegin + line.name.size();
    }
    span.bodyBegin = line.next;
    span.end = text.size();
    spans.push_back(span);
  }
  return spans;
}

std::optional<std::vector<std::string_view>> ProfileKeyNames(std::string_view text,
                                                             std::string_view section) {
  const std::vector<Line> lines = Scan(text);
  const std::size_t header = FindSection(lines, section);
  if (header == kNone) return std::nullopt;
  std::vector<std::string_view> names;
  const std::size_t end = SectionEnd(lines, header);
  for (std::size_t i = header + 1; i < end; ++i) {
    // As on Windows, a line without '=' is no key of the list (a lookup still finds it).
    if (lines[i].kind == LineKind::kEntry && lines[i].equals != std::string_view::npos)
      names.push_back(lines[i].name);
  }
  return names;
}

bool IsWritableProfileEntry(std::string_view section, std::string_view key,
                            std::string_view value) {
  constexpr std::string_view kLineBreaks = "\r\n";
  if (section.find_first_of(kLineBreaks) != std::string_view::npos ||
      key.find_first_of(kLineBreaks) != std::string_view::npos ||
      value.find_first_of(kLineBreaks) != std::string_view::npos) {
    return false;
  }
  if (section.find(']') != std::string_view::npos) return false;
  if (key.find('=') != std::string_view::npos) return false;
  const std::string_view trimmedKey = Trim(key);
  return trimmedKey.empty() || (trimmedKey.front() != '[' && trimmedKey.front() != ';');
}

std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
  const std::vector<Line> lines = Scan(text);
  const std::size_t header = FindSection(lines, section);
  const std::string stored = StoredValue(value);
  const std::string entry = std::string(Trim(key)) + "=" + stored;

  if (header == kNone) {
    std::string out(text);
    const bool onlyBom = text == kUtf8Bom;
    if (!text.empty() && !onlyBom && !EndsWithLineEnd(text)) out += kLineEnd;
    out += "[" + std::string(Trim(section)) + "]" + std::string(kLineEnd);
    out += entry + std::string(kLineEnd);
    return out;
  }

  const std::size_t found = FindKey(lines, header, key);
  if (found != kNone) {
    const Line& line = lines[found];
    if (line.equals != std::string_view::npos) {
      // Keep the bytes up to and including '=': the key's spelling and its spacing.
      return Splice(text, line.equals + 1, line.end, stored);
    }
    const std::size_t keyEnd = static_cast<std::size_t>(line.name.data() - text.data()) +
                               line.name.size();
    return Splice(text, keyEnd, line.end, "=" + stored);
  }

  std::size_t anchor = header;
  for (std::size_t i = header + 1; i < SectionEnd(lines, header); ++i) {
    if (lines[i].kind == LineKind::kEntry) anchor = i;
  }
  const Line& after = lines[anchor];
  std::string insert;
  if (after.next == after.end) insert += kLineEnd;  // the last line of a file lacking a final end
  insert += entry + std::string(kLineEnd);
  return Splice(text, after.next, after.next, insert);
}

std::string DeleteProfileKey(std::string_view text, std::string_view section,
                             std::string_view key) {
  const std::vector<Line> lines = Scan(text);
  const std::size_t header = FindSection(lines, section);
  if (header == kNone) return std::string(text);
  const std::size_t found = FindKey(lines, header, key);
  if (found == kNone) return std::string(text);
  return Splice(text, lines[found].begin, lines[found].next, {});
}

std::optional<std::string> RenameProfileSection(std::string_view text, std::string_view from,
                                                std::string_view to) {
  if (Trim(to) != to || !IsWritableProfileEntry(to, "", "")) return std::nullopt;
  const std::vector<Line> lines = Scan(text);
  const std::size_t header = FindSection(lines, from);
  if (header == kNone) return std::nullopt;
  const std::string_view name = lines[header].name;
  const std::size_t begin = static_cast<std::size_t>(name.data() - text.data());
  if (name.empty()) {
    // "[ ]" or "[]": the new name goes right after the '['.
    const std::size_t open = text.find('[', lines[header].begin);
    return Splice(text, open + 1, open + 1, to);
  }
  return Splice(text, begin, begin + name.size(), to);
}

std::string DeleteProfileSection(std::string_view text, std::string_view section) {
  const std::vector<Line> lines = Scan(text);
  const std::size_t header = FindSection(lines, section);
  if (header == kNone) return std::string(text);
  const std::size_t end = SectionEnd(lines, header);
  const std::size_t to = end < lines.size() ? lines[end].begin : text.size();
  return Splice(text, lines[header].begin, to, {});
}

}  // namespace gridmoor
