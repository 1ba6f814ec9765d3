#pragma once
// The events of a season file (67season.ini or gp.ini) as the game reads them, and taking a
// track's events out of one. Both work on a ProfileDocument, so a removal is one safe save.
//
// The game reads events 1..N, N the leading number of [Season] numEvents, each from the first
// section named "Event" + number. A section it never reads (a repeat of an earlier section's
// name, or one numbered above N) is not an event: it is listed as a disagreement and left alone,
// except where a removal gives its name to an event; then it is deleted, since it would shadow
// that event or surface as it.

#include <optional>
#include <string>
#include <vector>

#include "engine/SeasonRules.h"
#include "platform/FileSystem.h"
#include "platform/ProfileDocument.h"

namespace gridmoor {

// The number of a section name the game reads as an event ("Event7", any letter case, no
// leading zero, at most nine digits), or 0.
int EventNumberOfSection(const std::string& sectionName);

struct SeasonEvent {
  int number = 0;
  bool hasSection = false;  // false: the count names it but no [EventK] exists
  // The values as the game reads them; nullopt where the key is missing.
  std::optional<std::string> name;
  std::optional<std::string> trackDirectory;
  std::optional<std::string> numberOfLaps;
  std::optional<std::string> month;
  std::optional<std::string> day;
  // Every key of the event's section with its value as written, in the file's order.
  std::vector<std::pair<std::string, std::string>> values;
  // tracks\<trackDirectory> is not a folder of the game (or the event names no usable folder).
  bool trackFolderMissing = false;
  // Another event of the same file names the same folder, letter case aside: "Kestrel" and
  // "kestrel" are one folder on Windows. (The install's own matching counts letter case.)
  bool sharesFolder = false;
};

struct SeasonEvents {
  bool fileExists = false;
  std::optional<std::string> countText;  // numEvents as written; nullopt when missing
  int count = 0;                         // as the game reads it
  std::vector<SeasonEvent> events;       // 1..count, at most kMaxSeasonEventNumber of them
  std::vector<int> missingSections;      // numbers 1..count without a section
  std::vector<int> sectionsAboveCount;   // event sections numbered above the count
  std::vector<int> repeatedSections;     // event names with more than one section
  // Whether the count and the sections disagree in any of the three ways above.
  bool Disagrees() const {
    return !missingSections.empty() || !sectionsAboveCount.empty() || !repeatedSections.empty();
  }
};

// The events of `document`; each event's folder is looked for as gameFolder\tracks\<folder>
// through `files`. Only reads; never throws for a missing or odd folder.
SeasonEvents ReadSeasonEvents(const ProfileDocument& document, FileSystem& files,
                              const std::string& gameFolder);

struct RemovedEvent {
  int number = 0;  // as it was numbered before the removal
  std::string trackDirectory;
  std::optional<std::string> name;
};

struct SeasonRemoval {
  int oldCount = 0;
  int newCount = 0;
  std::vector<RemovedEvent> removed;
  std::vector<std::pair<int, int>> moved;  // old number -> new number, ascending
  std::vector<std::string> droppedSections;  // unread sections deleted (see the file comment)
  bool Empty() const { return removed.empty(); }
};

// Takes out of `document` (in memory; the caller saves) every event 1..N whose trackDirectory,
// read as the install reads it (its first 99 characters), equals one of `trackDirectories`
// exactly, letter case counting. Later events move down so the
// events stay numbered 1..N', and the count is written as N' under the key spelling the file
// already has. Every other byte stays, but for unread sections that would take an event's name
// (see the file comment). Answers what it did; nothing changes when no event matches.
SeasonRemoval RemoveTrackEvents(ProfileDocument& document,
                                const std::vector<std::string>& trackDirectories);

}  // namespace gridmoor
