#include "engine/SeasonUpdate.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <functional>
#include <optional>

#include "engine/GameFiles.h"
#include "engine/ProfileValue.h"
#include "engine/SeasonEvents.h"
#include "platform/FileException.h"

namespace gridmoor {

namespace {

constexpr int kProgressScanned = 17;
constexpr int kProgressDone = 25;

std::string EventSection(long long number) { return "Event" + std::to_string(number); }

std::optional<ProfileDocument> TryLoad(FileSystem& files, const std::string& path) {
  try {
    return ProfileDocument::Load(files, path);
  } catch (const CFileException&) {
    return std::nullopt;
  }
}

// The event update of one file. `limit` caps the number a new event may get (0: none);
// `progress` receives the positions 17..25 (season file only). Answers whether the file now
// holds the event.
bool UpdateEvents(FileSystem& files, const TrackPackage& package, const std::string& path,
                  long long limit, const std::function<void(int)>& progress) {
  const auto report = [&progress](int position) {
    if (progress) progress(position);
  };
  // An unreadable file is not an empty one: writing the event over it would lose the season.
  std::optional<ProfileDocument> file = TryLoad(files, path);
  EventPlacement placement;
  if (file) placement = PlaceTrack(*file, package.trackDirectory);
  report(kProgressScanned);
  bool applied = file && !(limit > 0 && placement.appended && placement.event > limit);

  // The bar passes 18..24 as each key is set in memory, whether or not there is a file to set
  // them in, as it did when each key was a write of its own.
  const std::string section = EventSection(placement.event);
  int position = kProgressScanned;
  for (const EventValue& entry : EventValues(package)) {
    if (applied) applied = file->Set(section, entry.key, *entry.value);
    report(++position);
  }
  if (applied && placement.appended) {
    applied = file->Set("Season", "NumEvents", std::to_string(placement.count));
  }
  // All or nothing: a value that cannot be set leaves the file as it was.
  const bool saved = applied && file->Save();
  report(kProgressDone);
  return saved;
}

}  // namespace

int ReadEventCount(const ProfileDocument& file) {
  return ParseEventCount(ReadProfileValue(file, "Season", "numEvents"));
}

int IsSeasonFull(FileSystem& files, const std::string& gameFolder) {
  const std::optional<ProfileDocument> season = TryLoad(files, gameFolder + kSeasonFile);
  return season && ReadEventCount(*season) >= MAX_SEASON_EVENTS ? 1 : 0;
}

bool WouldPassSeasonLimit(FileSystem& files, const std::string& gameFolder,
                          const std::string& trackDirectory) {
  // One read answers both questions, so a file that changes between them cannot split them.
  const std::optional<ProfileDocument> season = TryLoad(files, gameFolder + kSeasonFile);
  return season && ReadEventCount(*season) >= MAX_SEASON_EVENTS &&
         PlaceTrack(*season, trackDirectory).appended;
}

EventPlacement PlaceTrack(const ProfileDocument& file, const std::string& trackDirectory) {
  const long long count = ReadEventCount(file);
  EventPlacement placement;
  // Events above kMaxSeasonEventNumber are not looked for: no game season comes near it.
  const long long scanned = std::min<long long>(count, kMaxSeasonEventNumber);
  // One pass over the file instead of a lookup per event; each event is the first section of
  // its name, and its value is read as every value is (cut to 99 characters).
  for (auto& [section, folder] : file.ValuesOfKey("trackDirectory")) {
    const long long event = EventNumberOfSection(section);
    folder = CutToValueLength(folder);
    if (event >= 1 && event <= scanned && folder == trackDirectory)
      placement.event = std::max(placement.event, event);
  }
  if (placement.event != 0) {
    placement.count = count;
    return placement;
  }
  // A negative count is as good as none: the new event is Event1, never Event0 or below.
  placement.appended = true;
  placement.event = std::max(count, 0LL) + 1;
  placement.count = placement.event;
  return placement;
}

std::vector<EventValue> EventValues(const TrackPackage& package) {
  return {{"name", &package.name},
          {"shortname", &package.shortname},
          {"trackDirectory", &package.trackDirectory},
          {"numberOfLaps", &package.numberOfLaps},
          {"day", &package.day},
          {"month", &package.month},
          {"startingGrid", &package.startingGrid}};
}

bool UpdateSeasonFiles(InstallHost& host, FileSystem& files, const TrackPackage& package,
                       const std::string& gameFolder) {
  files.RemoveStaleTemporaries(gameFolder + kSeasonsFolder);  // left by a killed run
  // The install run has refused a full season already; reading the count again here keeps a
  // season that filled up since (or that the limit test could not read) from passing 64.
  bool ok = UpdateEvents(files, package, gameFolder + kSeasonFile, MAX_SEASON_EVENTS,
                         [&host](int position) { host.SetProgress(position); });
  // The championship file is read and written only when chosen, on its own count, without a
  // limit and without moving the bar. A failure in either file fails the whole update.
  if (host.IsChampionshipChecked()) {
    ok = UpdateEvents(files, package, gameFolder + kChampionshipFile, 0, nullptr) && ok;
  }
  return ok;
}

}  // namespace gridmoor
