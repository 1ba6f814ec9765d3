#pragma once
#include <string>

#include "engine/InstallHost.h"
#include "engine/TrackPackage.h"
#include "platform/ProfileStore.h"

namespace gridmoor {

constexpr int MAX_SEASON_EVENTS = 64;

// 1 when gameFolder\seasons\67season.ini already counts MAX_SEASON_EVENTS events or more,
// else 0. Only reads.
int IsSeasonFull(ProfileStore& profiles, const std::string& gameFolder);

// Adds the track as an event of 67season.ini (or refreshes the event naming it), moving the bar
// 17..25, then of gp.ini when box 1001 is checked. Answers the result of the last counted write
// (true for success). `gameFolder` comes without a trailing backslash.
bool UpdateSeasonFiles(InstallHost& host, ProfileStore& profiles, const TrackPackage& package,
                       const std::string& gameFolder);

}  // namespace gridmoor
