#include "engine/SeasonFormats.h"

#include <cctype>

#include "engine/SeasonEvents.h"
#include "engine/SeasonRules.h"
#include "engine/SeasonText.h"
#include "engine/TrackPackage.h"
#include "platform/ProfileText.h"

namespace gridmoor {

namespace {

// The letters of the game's 8-bit text beyond ASCII: the Western code page's accented letters.
bool IsEightBitLetter(unsigned char c) {
  if (c >= 0xC0) return c != 0xD7 && c != 0xF7;  // not × and ÷
  return c == 0x8A || c == 0x8C || c == 0x8E || c == 0x9A || c == 0x9C || c == 0x9E || c == 0x9F;
}

}  // namespace

bool IsValidSetName(const std::string& name) {
  if (name.empty() || name.size() > kMaxSetNameLength || name.front() == ' ' || name.back() == ' ') return false;
  for (const unsigned char c : name) {
    const bool ascii = c < 0x80 && (std::isalnum(c) || c == ' ' || c == '-' || c == '_' || c == '.');
    if (!ascii && !IsEightBitLetter(c)) return false;
  }
  return true;
}
namespace {

constexpr std::string_view kLibraryMagic = "gridmoor event library 1\n";
constexpr std::string_view kSetMagic = "gridmoor season set 1\n";
constexpr const char* kCalendarSection = "Gridmoor calendar";
const char* const kFileNames[] = {"67season.ini", "gp.ini"};

bool IsTrackName(std::string_view name) {
  return !name.empty() && name.size() <= 99 && IsPlainFileName(std::string(name)) &&
         name.find_first_of("\r\n") == std::string_view::npos;
}

std::optional<std::size_t> ParseSize(std::string_view text, std::size_t limit) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::size_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  if (value > limit) return std::nullopt;
  return value;
}

// Reads "key=value\n" at `pos`; nullopt when the line is not that key.
std::optional<std::string_view> TakeLine(std::string_view bytes, std::size_t& pos,
                                         std::string_view key) {
  const std::size_t end = bytes.find('\n', pos);
  if (end == std::string_view::npos) return std::nullopt;
  const std::string_view line = bytes.substr(pos, end - pos);
  if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != '=')
    return std::nullopt;
  pos = end + 1;
  return line.substr(key.size() + 1);
}

std::string DigitsOf(std::size_t value) { return std::to_string(value); }

// A body the reader keeps whole: within the limit, and no line of it a section header (read on
// its own, as the library's reader checks it).
std::optional<std::string> BodyFault(std::string_view body) {
  if (body.size() > kMaxEventBodyBytes) return "its lines pass 64 KiB";
  if (!IsEventBody(body)) return "its lines hold a section header of their own";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> LibraryEntryFault(const LibraryEntry& entry) {
  if (!IsTrackName(entry.trackDirectory)) return "its track folder is not a plain name";
  if (!entry.replay.empty() && !IsTrackName(entry.replay)) return "its replay is not a plain name";
  return BodyFault(entry.body);
}

std::size_t LibraryEntryBytes(const LibraryEntry& entry) {
  return 6 + entry.trackDirectory.size() + 1 + 7 + entry.replay.size() + 1 + 5 +
         DigitsOf(entry.body.size()).size() + 1 + entry.body.size() + 1;
}

std::size_t LibraryBytes(std::size_t count, std::size_t entryBytes) {
  return kLibraryMagic.size() + 8 + DigitsOf(count).size() + 1 + entryBytes;
}

std::string SerializeLibrary(const std::vector<LibraryEntry>& entries) {
  // The count makes a file cut between two entries tell itself from a shorter library.
  std::string out = std::string(kLibraryMagic) + "entries=" + std::to_string(entries.size()) + "\n";
  for (const LibraryEntry& entry : entries) {
    out += "track=" + entry.trackDirectory + "\n";
    out += "replay=" + entry.replay + "\n";
    out += "body=" + std::to_string(entry.body.size()) + "\n";
    out += entry.body + "\n";
  }
  return out;
}

std::optional<std::vector<LibraryEntry>> ParseLibrary(std::string_view bytes, std::string& error) {
  std::vector<LibraryEntry> entries;
  if (bytes.empty()) return entries;
  if (bytes.size() > kMaxLibraryBytes) {
    error = "the event library is larger than it can be";
    return std::nullopt;
  }
  if (bytes.substr(0, kLibraryMagic.size()) != kLibraryMagic) {
    error = "the event library does not start as one";
    return std::nullopt;
  }
  std::size_t pos = kLibraryMagic.size();
  const auto countText = TakeLine(bytes, pos, "entries");
  const auto count = countText ? ParseSize(*countText, kMaxLibraryBytes) : std::nullopt;
  if (!count) {
    error = "the event library's record is damaged";
    return std::nullopt;
  }
  while (pos < bytes.size()) {
    LibraryEntry entry;
    const auto track = TakeLine(bytes, pos, "track");
    const auto replay = track ? TakeLine(bytes, pos, "replay") : std::nullopt;
    const auto size = replay ? TakeLine(bytes, pos, "body") : std::nullopt;
    const auto bodySize = size ? ParseSize(*size, kMaxEventBodyBytes) : std::nullopt;
    if (!bodySize || bytes.size() - pos < *bodySize + 1 || bytes[pos + *bodySize] != '\n') {
      error = "the event library is cut or damaged after " + std::to_string(entries.size()) +
              " entries";
      return std::nullopt;
    }
    entry.trackDirectory = std::string(*track);
    entry.replay = std::string(*replay);
    entry.body = std::string(bytes.substr(pos, *bodySize));
    pos += *bodySize + 1;
    if (const std::optional<std::string> fault = LibraryEntryFault(entry)) {
      error = "the event library holds an entry that is not a plain event (\"" +
              entry.trackDirectory.substr(0, 40) + "\": " + *fault + ")";
      return std::nullopt;
    }
    entries.push_back(std::move(entry));
  }
  if (entries.size() != *count) {
    error = "the event library is cut: it holds " + std::to_string(entries.size()) + " of " +
            std::to_string(*count) + " entries";
    return std::nullopt;
  }
  return entries;
}

std::string SerializeSet(const SavedSet& set) {
  std::string out(kSetMagic);
  out += "name=" + set.name + "\n";
  out += "time=" + set.savedTime + "\n";
  for (int i = 0; i < 2; ++i) {
    out += std::string(kFileNames[i]) + "=" +
           (set.files[i] ? std::to_string(set.files[i]->size()) : "missing") + "\n";
  }
  out += "\n";
  for (const auto& file : set.files) {
    if (file) out += *file;
  }
  return out;
}

std::optional<SavedSet> ParseSet(std::string_view bytes, std::string& error) {
  if (bytes.size() > kMaxSetBytes) {
    error = "the set file is larger than a set can be";
    return std::nullopt;
  }
  std::size_t pos = kSetMagic.size();
  if (bytes.substr(0, pos) != kSetMagic) {
    error = "the set file does not start as one";
    return std::nullopt;
  }
  SavedSet set;
  const auto name = TakeLine(bytes, pos, "name");
  const auto time = name ? TakeLine(bytes, pos, "time") : std::nullopt;
  std::optional<std::size_t> sizes[2];
  bool missing[2] = {};
  bool ok = time.has_value();
  for (int i = 0; ok && i < 2; ++i) {
    const auto value = TakeLine(bytes, pos, kFileNames[i]);
    ok = value.has_value();
    if (!ok) break;
    missing[i] = *value == "missing";
    sizes[i] = ParseSize(*value, 16 * 1024 * 1024);
    ok = missing[i] || sizes[i].has_value();
  }
  ok = ok && pos < bytes.size() && bytes[pos] == '\n';
  if (!ok) {
    error = "the set file's record is cut or damaged";
    return std::nullopt;
  }
  ++pos;
  set.name = std::string(*name);
  set.savedTime = std::string(*time);
  if (!IsValidSetName(set.name)) {
    error = "the set file names no valid set";
    return std::nullopt;
  }
  for (int i = 0; i < 2; ++i) {
    if (missing[i]) continue;
    if (bytes.size() - pos < *sizes[i]) {
      error = "the set file is cut: " + std::string(kFileNames[i]) + " is not whole";
      return std::nullopt;
    }
    set.files[i] = std::string(bytes.substr(pos, *sizes[i]));
    pos += *sizes[i];
  }
  if (pos != bytes.size()) {
    error = "the set file holds more than its record says";
    return std::nullopt;
  }
  return set;
}

std::optional<std::string> CalendarEventFault(const CalendarEvent& event) {
  const std::optional<std::string> named = BodyValue(event.body, "trackDirectory");
  if (!named || !IsTrackName(*named)) return "it names no plain track folder";
  if (*named != event.trackDirectory) return "its track folder is not the one its lines name";
  if (event.body.find('\0') != std::string::npos) return "its lines hold a NUL byte";
  return BodyFault(event.body);
}

std::string SerializeCalendar(const Calendar& calendar) {
  std::string out = "; A season calendar of Gridmoor: gridmoor-cli set import FILE\r\n";
  out += std::string("[") + kCalendarSection + "]\r\nformat=1\r\nname=" + calendar.name + "\r\n";
  // The counts make a calendar cut between two events tell itself from a shorter one.
  for (int i = 0; i < 2; ++i)
    out += std::string(kFileNames[i]) + "=" + std::to_string(calendar.events[i].size()) + "\r\n";
  for (int i = 0; i < 2; ++i) {
    for (std::size_t k = 0; k < calendar.events[i].size(); ++k) {
      out += std::string("[") + kFileNames[i] + " Event" + std::to_string(k + 1) + "]\r\n";
      std::string body = calendar.events[i][k].body;
      if (!body.empty() && body.back() != '\n' && body.back() != '\r') body += "\r\n";
      out += body;
    }
  }
  return out;
}

std::optional<Calendar> ParseCalendar(std::string_view bytes, std::string& error) {
  if (bytes.size() > kMaxCalendarBytes) {
    error = "the calendar is larger than 1 MiB";
    return std::nullopt;
  }
  if (bytes.find('\0') != std::string_view::npos) {
    error = "the calendar is not text (it holds NUL bytes)";
    return std::nullopt;
  }
  const std::vector<ProfileSectionSpan> spans = ProfileSectionSpans(bytes);
  const auto nameOf = [&bytes](const ProfileSectionSpan& span) {
    return bytes.substr(span.nameBegin, span.nameEnd - span.nameBegin);
  };
  if (spans.empty() || nameOf(spans.front()) != kCalendarSection ||
      FindProfileValue(bytes, kCalendarSection, "format") != std::string_view("1")) {
    error = "this is not a calendar of format 1 (it must start with [Gridmoor calendar])";
    return std::nullopt;
  }
  Calendar calendar;
  calendar.name = std::string(FindProfileValue(bytes, kCalendarSection, "name").value_or(""));
  for (std::size_t s = 1; s < spans.size(); ++s) {
    const std::string name(nameOf(spans[s]));
    int file = -1;
    for (int i = 0; i < 2; ++i) {
      const std::string prefix = std::string(kFileNames[i]) + " ";
      if (name.compare(0, prefix.size(), prefix) == 0 &&
          EventNumberOfSection(name.substr(prefix.size())) ==
              static_cast<int>(calendar.events[i].size()) + 1)
        file = i;
    }
    if (file < 0) {
      error = "section [" + name.substr(0, 60) + "] is not the next event of 67season.ini or gp.ini";
      return std::nullopt;
    }
    if (calendar.events[file].size() >= static_cast<std::size_t>(kMaxSeasonEventNumber)) {
      error = std::string("the calendar holds too many events for ") + kFileNames[file];
      return std::nullopt;
    }
    CalendarEvent event;
    event.body = std::string(bytes.substr(spans[s].bodyBegin, spans[s].end - spans[s].bodyBegin));
    event.trackDirectory = BodyValue(event.body, "trackDirectory").value_or("");
    if (const std::optional<std::string> fault = CalendarEventFault(event)) {
      error = "[" + name + "] is no event to keep: " + *fault + " (\"" +
              event.trackDirectory.substr(0, 40) + "\")";
      return std::nullopt;
    }
    calendar.events[file].push_back(std::move(event));
  }
  for (int i = 0; i < 2; ++i) {
    const auto count = FindProfileValue(bytes, kCalendarSection, kFileNames[i]);
    if (!count || *count != std::to_string(calendar.events[i].size())) {
      error = std::string("the calendar is cut or edited: its count of ") + kFileNames[i] +
              " events does not match the events it holds";
      return std::nullopt;
    }
  }
  return calendar;
}

}  // namespace gridmoor
