#pragma once
#include <string>

#include "engine/InstallHost.h"
#include "engine/TrackPackage.h"
#include "platform/ProfileStore.h"

namespace gridmoor {

constexpr int MAX_SEASON_EVENTS = 64;

// The leading decimal number of a count's text: white space skipped, an optional sign, the
// digits up to the first other character; 0 without digits ("default" is 0, "64x" is 64).
// Saturates at the limits of int.
int ParseEventCount(const std::string& text);

// 1 when gameFolder\seasons\67season.ini already counts MAX_SEASON_EVENTS events or more,
// else 0. Only reads.
int IsSeasonFull(ProfileStore& profiles, const std::string& gameFolder);

// Adds the track as an event of 67season.ini (or refreshes the highest-numbered event naming
// it), moving the bar 17..25, then of gp.ini when box 1001 is checked. A file's count is raised
// only when all seven keys of its new event were written. Answers true when every write of both files
// succeeded; a failed write is not undone and the later ones are still made. `gameFolder`
// comes without a trailing backslash.
bool UpdateSeasonFiles(InstallHost& host, ProfileStore& profiles, const TrackPackage& package,
                       const std::string& gameFolder);

}  // namespace gridmoor
