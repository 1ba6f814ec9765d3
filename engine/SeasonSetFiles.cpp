#include "engine/SeasonSetFiles.h"

#include <algorithm>
#include <exception>

#include "engine/FileErrorText.h"
#include "engine/GameFiles.h"
#include "engine/SeasonText.h"
#include "platform/FileException.h"

namespace gridmoor {

std::string SetFileName(const std::string& name) {
  // Folded and written in hex: no name (a device name, trailing dots) means anything to the
  // system.
  static const char kHex[] = "0123456789abcdef";
  std::string out = "set-";
  for (const unsigned char c : FoldedName(name)) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

std::string SetPath(const std::string& game, const std::string& name) {
  return game + kSetsFolder + "\\" + SetFileName(name);
}

std::optional<LoadedSet> ReadSet(const PlanContext& c, const std::string& name,
                                 SeasonProblem& problem) {
  if (!IsValidSetName(name)) {
    problem = MakeProblem(SeasonRefusal::kBadName, name, kSetNameRule);
    return std::nullopt;
  }
  const std::string path = SetPath(c.game, name);
  std::optional<std::string> bytes;
  try {
    bytes = ReadOwnFile(c.files, path, kMaxSetBytes);
  } catch (const CFileException& error) {
    problem = MakeProblem(SeasonRefusal::kInvalidFile, name, FileErrorReason(error.Cause()), path);
    return std::nullopt;
  }
  if (!bytes) {
    problem = MakeProblem(SeasonRefusal::kNotFound, name, "no set of that name is saved");
    return std::nullopt;
  }
  std::string error;
  std::optional<SavedSet> set = ParseSet(*bytes, error);
  if (!set || !SameFoldedName(set->name, name)) {
    problem = MakeProblem(SeasonRefusal::kInvalidFile, name,
                          set ? "the set file holds another set" : error, path);
    return std::nullopt;
  }
  return LoadedSet{std::move(*set), std::move(*bytes), path};
}

std::optional<std::string> SetBytes(const PlanContext& c, const std::string& name) {
  try {
    return ReadOwnFile(c.files, SetPath(c.game, name), kMaxSetBytes);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::string UnusedSetName(const PlanContext& c, const std::string& stem) {
  for (int n = 1;; ++n) {
    const std::string name = n == 1 ? stem : stem + "-" + std::to_string(n);
    if (!SetBytes(c, name)) return name;
  }
}

bool HeldBySet(const PlanContext& c,
               const std::optional<std::string> (&seasonFiles)[kSeasonFileCount]) {
  const std::optional<std::vector<FolderEntry>> entries = c.files.ListFolder(c.game + kSetsFolder);
  if (!entries) return false;
  for (const FolderEntry& entry : *entries) {
    if (entry.isFolder || entry.name.compare(0, 4, "set-") != 0) continue;
    try {
      const std::optional<std::string> bytes =
          c.files.ReadExistingFile(c.game + kSetsFolder + "\\" + entry.name, kMaxSetBytes);
      std::string error;
      const std::optional<SavedSet> set = bytes ? ParseSet(*bytes, error) : std::nullopt;
      if (set && set->files[0] == seasonFiles[0] && set->files[1] == seasonFiles[1]) return true;
    } catch (const std::exception&) {
      // A set that cannot be read holds nothing to compare.
    }
  }
  return false;
}

std::optional<std::string> ReadActive(const PlanContext& c) {
  const std::optional<std::string> bytes = c.files.ReadWholeFile(c.game + kActiveSetFile, 256);
  if (!bytes) return std::nullopt;
  std::string name = *bytes;
  while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
  if (!IsValidSetName(name)) return std::nullopt;
  return name;
}

bool WriteSet(const PlanContext& c, SeasonChange& change, const SavedSet& set,
              const std::optional<std::string>& expected, bool beforeSeason) {
  const std::string bytes = SerializeSet(set);
  std::string error;
  if (!ReadsBack(bytes, set, ParseSet, error)) {
    Refuse(change, MakeProblem(SeasonRefusal::kInvalidFile, set.name,
                               "the set file would not read back: " + error,
                               SetPath(c.game, set.name)));
    return false;
  }
  change.Build().writes.push_back({SetPath(c.game, set.name), expected, bytes, beforeSeason});
  return true;
}

void WriteActive(const PlanContext& c, SeasonChange& change, const std::optional<std::string>& name) {
  const std::string path = c.game + kActiveSetFile;
  std::optional<std::string> now;
  try {
    now = ReadOwnFile(c.files, path, 4096);
  } catch (const std::exception&) {
    now = std::nullopt;
  }
  const std::optional<std::string> bytes =
      name ? std::optional<std::string>(*name + "\n") : std::nullopt;
  if (now == bytes) return;
  change.Build().writes.push_back({path, now, bytes, false});
}

void DescribeSetTaken(SeasonChange& change) {
  for (const SeasonFileId file : kBothSeasonFiles) {
    if (!change.Changes(file)) continue;
    const std::optional<std::string>& after = change.After(file);
    Effect(change, file,
           after ? "take the set's " + std::to_string(EventCountOf(*after)) + " events"
                 : "delete the file (the set has none)");
  }
}

std::vector<CalendarEvent> CalendarEvents(SeasonChange& change, SeasonFileId file,
                                          const std::optional<std::string>& text) {
  std::vector<CalendarEvent> events;
  if (!text) return events;
  const int count = std::min(EventCountOf(*text), kMaxSeasonEventNumber);
  const auto spans = EventSpans(*text, count);
  for (int number = 1; number <= count; ++number) {
    if (!spans[number - 1]) continue;
    const ProfileSectionSpan& span = *spans[number - 1];
    CalendarEvent event;
    event.body = text->substr(span.bodyBegin, span.end - span.bodyBegin);
    // As the calendar writes it, so the calendar reads back as these events.
    if (!event.body.empty() && event.body.back() != '\n' && event.body.back() != '\r')
      event.body += "\r\n";
    event.trackDirectory = BodyValue(event.body, "trackDirectory").value_or("");
    if (const std::optional<std::string> fault = CalendarEventFault(event)) {
      Effect(change, file, "leave out Event" + std::to_string(number) + " (" + *fault + ")");
      continue;
    }
    events.push_back(std::move(event));
  }
  return events;
}

}  // namespace gridmoor
