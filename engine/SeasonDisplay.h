#pragma once
// How the front ends show a season file's events: the date as the file writes it, the marks
// an event carries, a list of event numbers. One home, so the command line and the season
// window show the same things the same way.

#include <string>
#include <vector>

#include "engine/SeasonEvents.h"

namespace gridmoor {

// "month/day" as the file writes them ("?" for a missing one); "" when both are missing.
std::string EventDateText(const SeasonEvent& event);

enum class EventMark {
  kNoSection,        // the count names the event, but no [EventN] section exists
  kFolderMissing,    // tracks\<trackDirectory> is not there
  kFolderNamedTwice, // another event of the file names the same folder, letter case aside
};
// The marks of an event, in this order.
std::vector<EventMark> EventMarks(const SeasonEvent& event);

// For each event of `shown`, whether `other` has an event that races in the same track folder
// (letter case aside, as Windows names folders): the mark for an event that is in both season
// files. An event with no folder, or no section, is in neither sense "also in".
std::vector<bool> EventsAlsoIn(const SeasonEvents& shown, const SeasonEvents& other);

// "1, 4, 7".
std::string NumberList(const std::vector<int>& numbers);

}  // namespace gridmoor
