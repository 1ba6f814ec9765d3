#pragma once
// Saved sets (seasons\gridmoor-sets\set-<hex of the folded name>: a named copy of both season
// files) and the active-set record (seasons\gridmoor-sets\active), as the plans read and write
// them. A set's file name comes from its name, so no name leads outside the sets' folder.

#include <optional>
#include <string>
#include <vector>

#include "engine/SeasonFormats.h"
#include "engine/SeasonPlanning.h"

namespace gridmoor {

// gameFolder\seasons\gridmoor-sets\set-<hex of the folded name>.
std::string SetPath(const std::string& game, const std::string& name);
// The file name alone: sets that differ only in letter case share one file.
std::string SetFileName(const std::string& name);

struct LoadedSet {
  SavedSet set;
  std::string bytes;
  std::string path;
};
// The set named `name` (letter case ignored), or nullopt with `problem`: kBadName, kNotFound,
// kInvalidFile.
std::optional<LoadedSet> ReadSet(const PlanContext& c, const std::string& name,
                                 SeasonProblem& problem);
// The bytes of the set file `name` now, for the safe replace; nullopt when there is none.
std::optional<std::string> SetBytes(const PlanContext& c, const std::string& name);
// `stem`, or `stem-2`, `stem-3`... whichever names no set yet.
std::string UnusedSetName(const PlanContext& c, const std::string& stem);
// Whether a saved set holds exactly these season files.
bool HeldBySet(const PlanContext& c, const std::optional<std::string> (&seasonFiles)[kSeasonFileCount]);

// The active set's name, or nullopt (none, or a record that names no valid set).
std::optional<std::string> ReadActive(const PlanContext& c);

// Adds the set's write; false with the change refused (kInvalidFile) when it would not read back.
bool WriteSet(const PlanContext& c, SeasonChange& change, const SavedSet& set,
              const std::optional<std::string>& expected, bool beforeSeason);
// Adds the active-set record's write (nullopt: none active) when it differs.
void WriteActive(const PlanContext& c, SeasonChange& change, const std::optional<std::string>& name);
// One effect line per season file a set switch changes.
void DescribeSetTaken(SeasonChange& change);
// The calendar's events of one season file's bytes; an event a calendar cannot hold is named in
// the effects and left out.
std::vector<CalendarEvent> CalendarEvents(SeasonChange& change, SeasonFileId file,
                                          const std::optional<std::string>& text);

}  // namespace gridmoor
