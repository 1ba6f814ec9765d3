#include "engine/SeasonUpdate.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <functional>

namespace gridmoor {

namespace {

constexpr const char* kSeasonFile = "\\seasons\\67season.ini";
constexpr const char* kChampionshipFile = "\\seasons\\gp.ini";
constexpr unsigned kValueBufferSize = 100;

// Events above this number are not looked for: no game season comes near it, and a corrupt
// count of millions would otherwise mean millions of file reads.
constexpr long long kMaxScannedEvent = 4096;

constexpr int kProgressScanned = 17;
constexpr int kProgressDone = 25;

std::string ReadValue(ProfileStore& profiles, const std::string& section, const char* key,
                      const std::string& file) {
  char buffer[kValueBufferSize] = {};
  profiles.GetPrivateProfileStringA(section.c_str(), key, kMissingValue, buffer,
                                    kValueBufferSize, file);
  buffer[kValueBufferSize - 1] = '\0';
  return buffer;
}

long long ReadEventCount(ProfileStore& profiles, const std::string& file) {
  return ParseEventCount(ReadValue(profiles, "Season", "numEvents", file));
}

std::string EventSection(long long number) { return "Event" + std::to_string(number); }

// The event update of one file. `progress` receives the positions 17..25 (season file only).
// Answers whether every write it made succeeded.
bool UpdateEvents(ProfileStore& profiles, const TrackPackage& package, const std::string& file,
                  const std::function<void(int)>& progress) {
  const long long count = ReadEventCount(profiles, file);

  // The highest-numbered event naming the track wins; letter case counts.
  long long found = 0;
  const long long scanned = std::min(count, kMaxScannedEvent);
  for (long long i = 1; i <= scanned; ++i) {
    if (ReadValue(profiles, EventSection(i), "trackDirectory", file) == package.trackDirectory)
      found = i;
  }
  if (progress) progress(kProgressScanned);

  // A negative count is as good as none: the new event is Event1, never Event0 or below.
  const long long appended = std::max(count, 0LL) + 1;
  const std::string section = EventSection(found ? found : appended);
  const struct {
    const char* key;
    const std::string& value;
  } kKeys[] = {
      {"name", package.name},
      {"shortname", package.shortname},
      {"trackDirectory", package.trackDirectory},
      {"numberOfLaps", package.numberOfLaps},
      {"day", package.day},
      {"month", package.month},
      {"startingGrid", package.startingGrid},
  };
  bool eventWritten = true;
  int position = kProgressScanned;
  for (const auto& entry : kKeys) {
    if (!profiles.WritePrivateProfileStringA(section.c_str(), entry.key, entry.value.c_str(),
                                             file))
      eventWritten = false;
    if (progress) progress(++position);
  }

  bool ok = eventWritten;
  // The count only ever points at a complete event.
  if (!found && eventWritten) {
    ok = profiles.WritePrivateProfileStringA("Season", "NumEvents",
                                             std::to_string(appended).c_str(), file) != 0;
  }
  if (progress) progress(kProgressDone);
  return ok;
}

}  // namespace

int ParseEventCount(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min<long long>(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
  }
  return static_cast<int>(negative ? -value : std::min<long long>(value, INT_MAX));
}

int IsSeasonFull(ProfileStore& profiles, const std::string& gameFolder) {
  return ReadEventCount(profiles, gameFolder + kSeasonFile) >= MAX_SEASON_EVENTS ? 1 : 0;
}

bool UpdateSeasonFiles(InstallHost& host, ProfileStore& profiles, const TrackPackage& package,
                       const std::string& gameFolder) {
  bool ok = UpdateEvents(profiles, package, gameFolder + kSeasonFile,
                         [&host](int position) { host.SetProgress(position); });
  // The championship file is read and written only when chosen, on its own count, without a
  // limit and without moving the bar. A failure in either file fails the whole update.
  if (host.IsChampionshipChecked()) {
    if (!UpdateEvents(profiles, package, gameFolder + kChampionshipFile, nullptr)) ok = false;
  }
  return ok;
}

}  // namespace gridmoor
