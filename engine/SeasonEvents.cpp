#include "engine/SeasonEvents.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "engine/GameFiles.h"
#include "engine/ProfileValue.h"
#include "engine/TrackPackage.h"
#include "platform/FileException.h"
#include "platform/ProfileText.h"

namespace gridmoor {
namespace {

std::string EventSection(int number) { return "Event" + std::to_string(number); }

int ReadCount(const ProfileDocument& document) {
  return ParseEventCount(document.Get("Season", "numEvents").value_or(kMissingValue));
}

// How many sections carry each event number, in the document as it is now.
std::map<int, int> EventSectionCounts(const ProfileDocument& document) {
  std::map<int, int> counts;
  for (const std::string& name : document.SectionNames()) {
    if (const int number = EventNumberOfSection(name)) ++counts[number];
  }
  return counts;
}

bool IsTrackFolder(FileSystem& files, const std::string& gameFolder, const std::string& folder) {
  // A name that is not plain would be looked for outside tracks\; the game cannot load it.
  if (folder.empty() || !IsPlainFileName(folder)) return false;
  return IsFolder(files, gameFolder + kTracksFolder + folder);
}

// A folder name as Windows compares it: ASCII letter case aside.
std::string FolderKey(std::string folder) {
  for (char& c : folder) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folder;
}

// Deletes every section named `section`; answers how many there were.
int DeleteAllSections(ProfileDocument& document, const std::string& section) {
  int deleted = 0;
  for (;;) {
    const std::vector<std::string> before = document.SectionNames();
    document.DeleteSection(section);
    if (document.SectionNames().size() == before.size()) return deleted;
    ++deleted;
  }
}

}  // namespace

int EventNumberOfSection(const std::string& sectionName) {
  static const std::string kPrefix = "event";
  if (sectionName.size() <= kPrefix.size() || sectionName.size() > kPrefix.size() + 9) return 0;
  for (std::size_t i = 0; i < kPrefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(sectionName[i])) != kPrefix[i]) return 0;
  }
  // "Event07" is not the section the game builds for event 7.
  if (sectionName[kPrefix.size()] == '0') return 0;
  int number = 0;
  for (std::size_t i = kPrefix.size(); i < sectionName.size(); ++i) {
    if (sectionName[i] < '0' || sectionName[i] > '9') return 0;
    number = number * 10 + (sectionName[i] - '0');
  }
  return number;
}

SeasonEvents ReadSeasonEvents(const ProfileDocument& document, FileSystem& files,
                              const std::string& gameFolder) {
  SeasonEvents result;
  result.fileExists = document.Existed();
  result.countText = document.Get("Season", "numEvents");
  result.count = ReadCount(document);

  const std::map<int, int> sections = EventSectionCounts(document);
  for (const auto& [number, count] : sections) {
    if (number > result.count) result.sectionsAboveCount.push_back(number);
    if (count > 1) result.repeatedSections.push_back(number);
  }

  // Each event's lines are found once, and its values read from them alone: a lookup in the
  // whole document per value made a 64-event list cost milliseconds.
  const std::string& text = document.Text();
  std::map<int, std::string> bodies;  // number -> "[e]" + the first section's lines
  for (const ProfileSectionSpan& span : ProfileSectionSpans(text)) {
    const int number =
        EventNumberOfSection(text.substr(span.nameBegin, span.nameEnd - span.nameBegin));
    if (number >= 1 && number <= kMaxSeasonEventNumber && !bodies.count(number))
      bodies[number] = "[e]\n" + text.substr(span.bodyBegin, span.end - span.bodyBegin);
  }
  const auto upToNul = [](std::string_view value) {
    return std::string(value.substr(0, value.find('\0')));
  };
  std::map<std::string, int> folderUses;
  const int listed = std::min(result.count, kMaxSeasonEventNumber);
  for (int number = 1; number <= listed; ++number) {
    SeasonEvent event;
    event.number = number;
    event.hasSection = sections.count(number) != 0;
    if (!event.hasSection) {
      result.missingSections.push_back(number);
    } else {
      const std::string& body = bodies[number];
      const auto get = [&body, &upToNul](std::string_view key) -> std::optional<std::string> {
        const std::optional<std::string_view> value = FindProfileValue(body, "e", key);
        if (!value) return std::nullopt;
        return upToNul(*value);
      };
      event.name = get("name");
      event.trackDirectory = get("trackDirectory");
      event.numberOfLaps = get("numberOfLaps");
      event.month = get("month");
      event.day = get("day");
      for (const std::string_view key :
           ProfileKeyNames(body, "e").value_or(std::vector<std::string_view>{}))
        event.values.emplace_back(upToNul(key), get(key).value_or(std::string()));
    }
    event.trackFolderMissing =
        !IsTrackFolder(files, gameFolder, event.trackDirectory.value_or(std::string()));
    if (event.trackDirectory) ++folderUses[FolderKey(*event.trackDirectory)];
    result.events.push_back(std::move(event));
  }
  for (SeasonEvent& event : result.events) {
    event.sharesFolder = event.trackDirectory && folderUses[FolderKey(*event.trackDirectory)] > 1;
  }
  return result;
}

SeasonRemoval RemoveTrackEvents(ProfileDocument& document,
                                const std::vector<std::string>& trackDirectories) {
  SeasonRemoval result;
  result.oldCount = result.newCount = ReadCount(document);
  const std::set<std::string> wanted(trackDirectories.begin(), trackDirectories.end());

  // The events the game reads: the first section of each number 1..N.
  const std::map<int, int> sections = EventSectionCounts(document);
  std::vector<int> kept;
  for (const auto& entry : sections) {
    const int number = entry.first;
    if (number > result.oldCount || number > kMaxSeasonEventNumber) break;
    // Found by the install's rule: the folder as read, its first 99 characters.
    std::optional<std::string> folder = document.Get(EventSection(number), "trackDirectory");
    if (folder) folder = CutToValueLength(*folder);
    if (folder && wanted.count(*folder)) {
      result.removed.push_back({number, *folder, document.Get(EventSection(number), "name")});
    } else {
      kept.push_back(number);
    }
  }
  if (result.removed.empty()) return result;

  for (const RemovedEvent& event : result.removed) document.DeleteSection(EventSection(event.number));
  const auto removedBelow = [&result](int number) {
    return static_cast<int>(std::count_if(result.removed.begin(), result.removed.end(),
                                          [number](const RemovedEvent& e) { return e.number < number; }));
  };
  const auto dropAll = [&document, &result](int number) {
    const int dropped = DeleteAllSections(document, EventSection(number));
    for (int i = 0; i < dropped; ++i) result.droppedSections.push_back(EventSection(number));
  };

  // Ascending, so every name an event moves to has already been left by the event that had it;
  // what still carries the name is a section the game never read.
  std::set<int> placed;
  for (const int number : kept) {
    const int target = number - removedBelow(number);
    if (target == number) continue;
    dropAll(target);
    document.RenameSection(EventSection(number), EventSection(target));
    placed.insert(target);
    result.moved.emplace_back(number, target);
  }

  result.newCount = result.oldCount - static_cast<int>(result.removed.size());
  // Names of events without a section (and of removed ones) must not be taken by a leftover
  // repeat, or it would surface as that event. Above the new count they stay unread.
  const int firstChanged = result.removed.front().number;
  for (const auto& entry : EventSectionCounts(document)) {
    const int number = entry.first;
    if (number >= firstChanged && number <= result.newCount && !placed.count(number)) dropAll(number);
  }

  document.Set("Season", "numEvents", std::to_string(result.newCount));
  return result;
}

}  // namespace gridmoor
