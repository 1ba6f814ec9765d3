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
std::string SerializeCalendar(const Calendar& calendar);
// nullopt with `error` for a calendar that is cut, oversized, or holds anything but events
// with plain track folders, numbered 1..N per file in order.
std::optional<Calendar> ParseCalendar(std::string_view bytes, std::string& error);

}  // namespace gridmoor
