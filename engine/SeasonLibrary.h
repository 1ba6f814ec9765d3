#pragma once
// The event library (seasons\gridmoor-library\events): the event block of every track Gridmoor
// installed, removed or imported, by track folder, so `add` puts one back without its package.
// Read whole; written only as bytes that read back, so one entry can never make it unreadable.

#include <optional>
#include <string>
#include <vector>

#include "engine/SeasonFormats.h"
#include "engine/SeasonPlanning.h"

namespace gridmoor {

struct TrackPackage;

struct Library {
  std::optional<std::string> bytes;  // as read (nullopt: missing)
  std::vector<LibraryEntry> entries;
  std::size_t entryBytes = 0;  // what the entries take of the file, for its limit

  const LibraryEntry* Find(const std::string& folder) const;
  // Keeps the entry (in place of the one of its folder, whose replay it keeps when it names
  // none). Answers why not when the library could not read it back, keeping what it had: one
  // entry the reader refuses would make the whole library unreadable.
  std::optional<std::string> Put(LibraryEntry entry);
};

// The library, or nullopt with `problem` (kInvalidFile) when it cannot be read whole.
std::optional<Library> ReadLibrary(const PlanContext& c, SeasonProblem& problem);
// Puts an event into the library, or names in the change's effects why it is left out.
void Remember(SeasonChange& change, Library& library, LibraryEntry entry);
// Adds the library's write to the change when it differs from the file; false with the change
// refused (kInvalidFile) when the bytes would not read back.
bool WriteLibrary(const PlanContext& c, SeasonChange& change, const Library& library,
                  bool beforeSeason);

// Remembers the event 67season.ini now holds for the package's track, with the package's replay
// file name. Best effort: never throws, answers whether the library holds it afterwards.
bool RememberInstalledTrack(const PlanContext& c, const TrackPackage& package);
// Remembers the event an install would write for the package (its values, as a new event has
// them), for a track installed without touching the season files. Best effort, as above.
bool RememberPackageEvent(const PlanContext& c, const TrackPackage& package);

}  // namespace gridmoor
