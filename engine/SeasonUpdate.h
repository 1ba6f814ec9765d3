#pragma once
#include <string>

#include "engine/InstallHost.h"
#include "engine/SeasonRules.h"
#include "engine/TrackPackage.h"
#include "platform/FileSystem.h"
#include "platform/ProfileDocument.h"

namespace gridmoor {

// The event count of a season or championship file: the leading number of numEvents in
// [Season], read as the engine reads values (0 when missing).
int ReadEventCount(const ProfileDocument& file);

// 1 when gameFolder\seasons\67season.ini already counts MAX_SEASON_EVENTS events or more,
// else 0. Only reads. A file that cannot be read answers 0: the update reads it again and
// fails rather than write over it.
int IsSeasonFull(FileSystem& files, const std::string& gameFolder);

// True when installing a track of `trackDirectory` would take gameFolder\seasons\67season.ini
// past MAX_SEASON_EVENTS: the file is full (IsSeasonFull) and none of its events 1..count names
// the folder, so the track would be appended (PlaceTrack's rule, letter case counting). A track
// already named only refreshes its event and passes. Only reads; a file that cannot be read
// answers false, as IsSeasonFull does.
bool WouldPassSeasonLimit(FileSystem& files, const std::string& gameFolder,
                          const std::string& trackDirectory);

// Where the track goes in one file: the highest-numbered event 1..count naming its folder
// (letter case counts) is refreshed, else a new event count + 1 is appended and the count raised.
struct EventPlacement {
  long long event = 0;   // the event section's number ("Event" + event)
  bool appended = false;
  long long count = 0;   // the count the file holds afterwards
};
EventPlacement PlaceTrack(const ProfileDocument& file, const std::string& trackDirectory);

// The seven event values in the order they are written, with their keys.
struct EventValue {
  const char* key;
  const std::string* value;  // into the package
};
std::vector<EventValue> EventValues(const TrackPackage& package);

// Adds the track as an event of 67season.ini (or refreshes the highest-numbered event naming
// it), moving the bar 17..25, then of gp.ini when box 1001 is checked. Each file is read once,
// changed in memory and saved in one replace, so it holds either its old bytes or the whole new
// event with its count. A file that cannot be read is not written, and a season file already
// at MAX_SEASON_EVENTS events gets no new one. Answers true only when every chosen file was
// saved. `gameFolder` comes without a trailing backslash.
bool UpdateSeasonFiles(InstallHost& host, FileSystem& files, const TrackPackage& package,
                       const std::string& gameFolder);

}  // namespace gridmoor
