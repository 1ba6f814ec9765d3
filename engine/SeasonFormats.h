#pragma once
// The files of ours that hold season events: the event library, a saved set, and the portable
// calendar a league shares. Each is written whole and read whole; a reader accepts only a file
// that is complete and consistent, and names read from it (track folders, replays, set names)
// are plain names, so nothing read can lead outside the game folder. Pure functions on bytes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gridmoor {

// The most bytes each file may hold; a larger one is refused, never read in part.
constexpr std::size_t kMaxLibraryBytes = 8 * 1024 * 1024;
constexpr std::size_t kMaxSetBytes = 2 * 16 * 1024 * 1024 + 64 * 1024;
constexpr std::size_t kMaxCalendarBytes = 1024 * 1024;
// The most bytes one event's lines may hold.
constexpr std::size_t kMaxEventBodyBytes = 64 * 1024;

// Whether `name` can name a set: 1 to 40 characters of the game's 8-bit text, each a letter
// (accented ones included), digit, space, '-', '_' or '.', neither first nor last a space.
// (Uniqueness, without regard to letter case, is the service's check.)
constexpr std::size_t kMaxSetNameLength = 40;
bool IsValidSetName(const std::string& name);
// The rule above as one line, for the player.
constexpr const char* kSetNameRule =
    "a set name is 1 to 40 letters, digits, spaces, '-', '_' or '.', and neither starts nor ends "
    "with a space";

// One event the library remembers: the lines of its section after the header, as written.
struct LibraryEntry {
  std::string trackDirectory;  // a plain, non-empty name
  std::string replay;          // the replay file that came with the track; "" for none
  std::string body;
};

inline bool operator==(const LibraryEntry& a, const LibraryEntry& b) {
  return a.trackDirectory == b.trackDirectory && a.replay == b.replay && a.body == b.body;
}
inline bool operator!=(const LibraryEntry& a, const LibraryEntry& b) { return !(a == b); }

// Why ParseLibrary would not read `entry` back as it is (a reason to name to the player: a track
// folder or replay that is not a plain name, lines over kMaxEventBodyBytes or holding a header
// of their own); nullopt when the library can keep it. The writers leave such an entry out:
// one unreadable entry would make the whole library unreadable.
std::optional<std::string> LibraryEntryFault(const LibraryEntry& entry);
// The bytes one entry adds to the library file, and the size of a library of `count` entries
// adding `entryBytes` in all: the limit checked without building the file.
std::size_t LibraryEntryBytes(const LibraryEntry& entry);
std::size_t LibraryBytes(std::size_t count, std::size_t entryBytes);

// The library's bytes (entries in the given order).
std::string SerializeLibrary(const std::vector<LibraryEntry>& entries);
// The entries of a library file; nullopt with `error` (one line) for anything but a whole,
// valid one. Empty bytes are an empty library.
std::optional<std::vector<LibraryEntry>> ParseLibrary(std::string_view bytes, std::string& error);

// A saved set: a named copy of both season files.
struct SavedSet {
  std::string name;
  std::string savedTime;                 // "YYYY-MM-DD HH:MM:SS"
  std::optional<std::string> files[2];   // 67season.ini, gp.ini; nullopt: missing when saved
};
inline bool operator==(const SavedSet& a, const SavedSet& b) {
  return a.name == b.name && a.savedTime == b.savedTime && a.files[0] == b.files[0] &&
         a.files[1] == b.files[1];
}
// The set's bytes. They read back as `set` only when its name is valid, its time one non-empty
// line and each file at most kMaxSeasonFileBytes; the writers check that before writing.
std::string SerializeSet(const SavedSet& set);
// nullopt with `error` for anything but a whole, valid set file (its name a valid set name).
std::optional<SavedSet> ParseSet(std::string_view bytes, std::string& error);

// A calendar: the events of both files, each as its lines, for another game folder.
struct CalendarEvent {
  std::string trackDirectory;  // read from the body; a plain, non-empty name
  std::string body;
};
struct Calendar {
  std::string name;                      // a valid set name
  std::vector<CalendarEvent> events[2];  // 67season.ini, gp.ini
};
inline bool operator==(const CalendarEvent& a, const CalendarEvent& b) {
  return a.trackDirectory == b.trackDirectory && a.body == b.body;
}
inline bool operator==(const Calendar& a, const Calendar& b) {
  return a.name == b.name && a.events[0] == b.events[0] && a.events[1] == b.events[1];
}
// Why ParseCalendar would not read `event` back as it is (a reason to name to the player: no
// plain track folder, or not the one its lines name; NUL bytes; lines over kMaxEventBodyBytes or
// holding a header of their own); nullopt when a calendar can hold it. A body whose last line
// has no line end is no fault: the calendar gives it CR LF.
std::optional<std::string> CalendarEventFault(const CalendarEvent& event);
// The calendar's bytes; each body whose last line has no line end gets CR LF. They read back as
// `calendar` (those line ends aside) only when its name is valid, no event has a fault and the
// whole is at most kMaxCalendarBytes; the writers check that before writing.
std::string SerializeCalendar(const Calendar& calendar);
// nullopt with `error` for a calendar that is cut, oversized, or holds anything but events
// with plain track folders, numbered 1..N per file in order.
std::optional<Calendar> ParseCalendar(std::string_view bytes, std::string& error);

}  // namespace gridmoor
