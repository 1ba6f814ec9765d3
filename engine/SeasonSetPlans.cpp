// Sets and calendars: listing, showing and comparing them, and the plans that save, switch,
// delete, rename, export and import them.

#include <algorithm>
#include <exception>
#include <map>

#include "engine/FileErrorText.h"
#include "engine/GameFiles.h"
#include "engine/SeasonHistory.h"
#include "engine/SeasonLibrary.h"
#include "engine/SeasonService.h"
#include "engine/SeasonSetFiles.h"
#include "engine/SeasonText.h"
#include "platform/FileException.h"

namespace gridmoor {

std::optional<std::string> SeasonService::ActiveSet() const {
  return ReadActive(PlanContext{m_files, m_gameFolder});
}

SetList SeasonService::ListSets() const {
  SetList list;
  std::vector<SetSummary>& sets = list.sets;
  const PlanContext c{m_files, m_gameFolder};
  const std::optional<std::vector<FolderEntry>> entries =
      m_files.ListFolder(m_gameFolder + kSetsFolder);
  if (!entries) return list;
  const std::optional<std::string> active = ReadActive(c);
  // The season files now; one that cannot be read matches no set (so the active set shows as
  // changed since it was saved).
  std::optional<std::string> now[2];
  bool readable = true;
  for (const SeasonFileId file : kBothSeasonFiles) {
    try {
      now[IndexOf(file)] = m_files.ReadExistingFile(PathOf(file), kMaxSeasonFileBytes);
    } catch (const std::exception&) {
      readable = false;
    }
  }
  for (const FolderEntry& entry : *entries) {
    if (entry.isFolder || entry.name.compare(0, 4, "set-") != 0) continue;
    const std::string path = m_gameFolder + kSetsFolder + "\\" + entry.name;
    std::string error;
    std::optional<SavedSet> set;
    try {
      const std::optional<std::string> bytes = m_files.ReadExistingFile(path, kMaxSetBytes);
      if (bytes) set = ParseSet(*bytes, error);
    } catch (const CFileException& failure) {
      error = FileErrorReason(failure.Cause());
    }
    if (!set || SetFileName(set->name) != entry.name) {
      list.problems.push_back(MakeProblem(SeasonRefusal::kInvalidFile, entry.name,
                                          set ? "the set file holds another set" : error, path));
      continue;
    }
    SetSummary summary;
    summary.name = set->name;
    summary.savedTime = set->savedTime;
    summary.seasonEvents = set->files[0] ? EventCountOf(*set->files[0]) : 0;
    summary.championshipEvents = set->files[1] ? EventCountOf(*set->files[1]) : 0;
    summary.active = active && FoldedName(*active) == FoldedName(set->name);
    summary.changedSinceSaved =
        summary.active && (!readable || now[0] != set->files[0] || now[1] != set->files[1]);
    sets.push_back(std::move(summary));
  }
  std::sort(sets.begin(), sets.end(), [](const SetSummary& a, const SetSummary& b) {
    return FoldedName(a.name) < FoldedName(b.name);
  });
  return list;
}

SetView SeasonService::ShowSet(const std::string& name) const {
  SetView view;
  const PlanContext c{m_files, m_gameFolder};
  const std::optional<LoadedSet> loaded = ReadSet(c, name, view.problem);
  if (!loaded) return view;
  view.summary.name = loaded->set.name;
  view.summary.savedTime = loaded->set.savedTime;
  for (int i = 0; i < kSeasonFileCount; ++i) view.events[i] = EventsOfText(c, loaded->set.files[i]);
  view.summary.seasonEvents = view.events[0].count;
  view.summary.championshipEvents = view.events[1].count;
  const std::optional<std::string> active = ReadActive(c);
  view.summary.active = active && FoldedName(*active) == FoldedName(loaded->set.name);
  return view;
}

SetComparison SeasonService::DiffSets(const std::string& a, const std::string& b) const {
  SetComparison comparison;
  std::vector<SetDifference>& differences = comparison.differences;
  const SetView first = ShowSet(a);
  if (first.problem) {
    comparison.problem = first.problem;
    return comparison;
  }
  const SetView second = ShowSet(b);
  if (second.problem) {
    comparison.problem = second.problem;
    return comparison;
  }
  for (const SeasonFileId file : kBothSeasonFiles) {
    std::map<std::string, std::pair<int, int>> numbers;  // folder -> (number in A, in B)
    for (const SeasonEvent& event : first.events[IndexOf(file)].events) {
      if (event.trackDirectory && !numbers[*event.trackDirectory].first)
        numbers[*event.trackDirectory].first = event.number;
    }
    for (const SeasonEvent& event : second.events[IndexOf(file)].events) {
      if (event.trackDirectory && !numbers[*event.trackDirectory].second)
        numbers[*event.trackDirectory].second = event.number;
    }
    std::vector<SetDifference> ofFile;
    for (const auto& [folder, pair] : numbers) {
      if (pair.first != pair.second) ofFile.push_back({file, folder, pair.first, pair.second});
    }
    std::stable_sort(ofFile.begin(), ofFile.end(), [](const SetDifference& x, const SetDifference& y) {
      const int kx = x.numberInA ? x.numberInA : 1000000 + x.numberInB;
      const int ky = y.numberInA ? y.numberInA : 1000000 + y.numberInB;
      return kx < ky;
    });
    differences.insert(differences.end(), ofFile.begin(), ofFile.end());
  }
  return comparison;
}

SeasonChange SeasonService::PlanSetSave(const std::string& name) const {
  const PlanContext planner{m_files, m_gameFolder};
  SeasonChange change;
  if (!IsValidSetName(name)) {
    Refuse(change, MakeProblem(SeasonRefusal::kBadName, name,
                                          kSetNameRule));
    return change;
  }
  if (!StartChange(planner, change)) return change;
  SeasonProblem problem;
  const std::optional<LoadedSet> existing = ReadSet(planner, name, problem);
  if (!existing && problem.refusal != SeasonRefusal::kNotFound) {
    Refuse(change, problem);
    return change;
  }
  SavedSet set;
  set.name = existing ? existing->set.name : name;
  if (existing && existing->set.name != name) set.name = name;  // the new spelling wins
  set.savedTime = LocalTimeText();
  set.files[0] = change.Build().before[0];
  set.files[1] = change.Build().before[1];
  if (!WriteSet(planner, change, set,
                        existing ? std::optional<std::string>(existing->bytes) : std::nullopt, false))
    return change;
  Effect(change, std::string(existing ? "replace" : "save") + " the set \"" + name +
                                    "\" with the season files (" +
                                    std::to_string(EventCountOf(set.files[0].value_or(""))) +
                                    " and " + std::to_string(EventCountOf(set.files[1].value_or(""))) +
                                    " events)");
  WriteActive(planner, change, name);
  // Saving over the active set brings it up to date; over another set it loses that set's
  // calendar, so the player is asked.
  const std::optional<std::string> active = ReadActive(planner);
  if (existing && !(active && FoldedName(*active) == FoldedName(existing->set.name))) {
    change.Build().questions.push_back(
        {"The set \"" + existing->set.name + "\" (" +
             std::to_string(EventCountOf(existing->set.files[0].value_or(""))) + " and " +
             std::to_string(EventCountOf(existing->set.files[1].value_or(""))) +
             " events, saved " + existing->set.savedTime + ") exists. Replace it?",
         {existing->path}, /*overwrite=*/true, /*undoable=*/false});
  }
  return change;
}

SeasonChange SeasonService::PlanSetUse(const std::string& name) const {
  const PlanContext planner{m_files, m_gameFolder};
  SeasonChange change;
  const std::optional<LoadedSet> target = ReadSet(planner, name, change.Build().problem);
  if (!target) return change;
  if (!StartChange(planner, change)) return change;
  const int count = EventCountOf(target->set.files[0].value_or(""));
  if (count > MAX_SEASON_EVENTS) {
    Refuse(change, SeasonFullProblem(target->set.name, "the set's 67season.ini holds", count));
    return change;
  }
  const bool differs =
      change.Build().before[0] != target->set.files[0] || change.Build().before[1] != target->set.files[1];
  // The files replaced are kept first: in the active set, or (none active, or the active set is
  // the one to use) in a new one.
  std::optional<std::string> active = ReadActive(planner);
  SeasonProblem ignored;
  std::optional<LoadedSet> activeSet =
      active ? ReadSet(planner, *active, ignored) : std::nullopt;
  if (activeSet && FoldedName(activeSet->set.name) == FoldedName(target->set.name)) activeSet.reset();
  if (differs && !(activeSet && activeSet->set.files[0] == change.Build().before[0] &&
                    activeSet->set.files[1] == change.Build().before[1]) &&
      HeldBySet(planner, change.Build().before)) {
    // Another set holds these very bytes: the files are that set's, under a record that still
    // names an older one (a switch undone, or killed before its last write). Saving them into
    // the active set would overwrite it with a copy of another.
    for (const SeasonFileId file : kBothSeasonFiles)
      change.Build().after[IndexOf(file)] = target->set.files[IndexOf(file)];
    DescribeSetTaken(change);
    WriteActive(planner, change, target->set.name);
    return change;
  }
  if (differs) {
    SavedSet keep;
    keep.savedTime = LocalTimeText();
    keep.files[0] = change.Build().before[0];
    keep.files[1] = change.Build().before[1];
    if (activeSet) {
      keep.name = activeSet->set.name;
      if (activeSet->set.files[0] != keep.files[0] || activeSet->set.files[1] != keep.files[1]) {
        if (!WriteSet(planner, change, keep, activeSet->bytes, /*beforeSeason=*/true)) return change;
        Effect(change, "save the season files into the active set \"" +
                                          keep.name + "\"");
      }
    } else {
      // "saved-YYYYMMDD-HHMMSS", from the time the set records.
      std::string stamp = "saved-";
      for (const char c : keep.savedTime) {
        if (c == ' ') stamp += '-';
        else if (c != '-' && c != ':') stamp += c;
      }
      keep.name = UnusedSetName(planner, stamp);
      change.Build().createdSet = keep.name;
      if (!WriteSet(planner, change, keep, std::nullopt, /*beforeSeason=*/true)) return change;
      Effect(change, "save the season files as the new set \"" + keep.name + "\"");
    }
  }
  for (const SeasonFileId file : kBothSeasonFiles)
    change.Build().after[IndexOf(file)] = target->set.files[IndexOf(file)];
  DescribeSetTaken(change);
  WriteActive(planner, change, target->set.name);
  return change;
}

SeasonChange SeasonService::PlanSetDelete(const std::string& name) const {
  const PlanContext planner{m_files, m_gameFolder};
  SeasonChange change;
  const std::optional<LoadedSet> set = ReadSet(planner, name, change.Build().problem);
  if (!set) return change;
  change.Build().writes.push_back({set->path, set->bytes, std::nullopt, false});
  Effect(change, "delete the set \"" + set->set.name + "\"");
  change.Build().questions.push_back({"Delete the set \"" + set->set.name +
                                    "\"? \"restore\" brings it back.",
                                {set->path}, false, true});
  const std::optional<std::string> active = ReadActive(planner);
  if (active && FoldedName(*active) == FoldedName(set->set.name)) WriteActive(planner, change, std::nullopt);
  return change;
}

SeasonChange SeasonService::PlanSetRename(const std::string& from, const std::string& to) const {
  const PlanContext planner{m_files, m_gameFolder};
  SeasonChange change;
  const std::optional<LoadedSet> set = ReadSet(planner, from, change.Build().problem);
  if (!set) return change;
  if (!IsValidSetName(to)) {
    Refuse(change, MakeProblem(SeasonRefusal::kBadName, to,
                                          kSetNameRule));
    return change;
  }
  const bool samePath = SetPath(m_gameFolder, to) == set->path;
  if (!samePath && SetBytes(planner, to)) {
    Refuse(change, MakeProblem(SeasonRefusal::kNameTaken, to,
                                          "a set of that name exists (letter case aside)"));
    return change;
  }
  SavedSet renamed = set->set;
  renamed.name = to;
  if (!WriteSet(planner, change, renamed, samePath ? std::optional<std::string>(set->bytes) : std::nullopt,
                        false))
    return change;
  if (!samePath) change.Build().writes.push_back({set->path, set->bytes, std::nullopt, false});
  Effect(change, "rename the set \"" + set->set.name + "\" to \"" + to + "\"");
  const std::optional<std::string> active = ReadActive(planner);
  if (active && FoldedName(*active) == FoldedName(set->set.name)) WriteActive(planner, change, to);
  return change;
}

SeasonChange SeasonService::PlanSetExport(const std::string& name,
                                          const std::string& filePath) const {
  const PlanContext planner{m_files, m_gameFolder};
  SeasonChange change;
  const std::optional<LoadedSet> set = ReadSet(planner, name, change.Build().problem);
  if (!set) return change;
  Calendar calendar;
  calendar.name = set->set.name;
  for (const SeasonFileId file : kBothSeasonFiles)
    calendar.events[IndexOf(file)] =
        CalendarEvents(change, file, set->set.files[IndexOf(file)]);
  if (IsFolder(m_files, filePath)) {
    Refuse(change, MakeProblem(SeasonRefusal::kBadName, "",
                                          "it is a folder; name the calendar file to write in it",
                                          filePath));
    return change;
  }
  std::optional<std::string> now;
  try {
    now = m_files.ReadExistingFile(filePath, kMaxCalendarBytes * 2);
  } catch (const CFileException& error) {
    Refuse(change, MakeProblem(SeasonRefusal::kNotWritable, filePath,
                                          FileErrorReason(error.Cause()), filePath));
    return change;
  }
  const std::string bytes = SerializeCalendar(calendar);
  std::string error;
  if (!ReadsBack(bytes, calendar, ParseCalendar, error)) {
    Refuse(change, MakeProblem(SeasonRefusal::kInvalidFile, filePath,
                                          "the calendar would not read back: " + error, filePath));
    return change;
  }
  if (now) {
    change.Build().questions.push_back({m_files.NativePath(filePath) + " exists. Replace it?",
                                  {filePath}, /*overwrite=*/true, /*undoable=*/false});
  }
  change.Build().writes.push_back({filePath, now, bytes, false});
  Effect(change, "write the calendar \"" + calendar.name + "\" (" +
                                    std::to_string(calendar.events[0].size()) + " and " +
                                    std::to_string(calendar.events[1].size()) + " events)");
  return change;
}

SeasonChange SeasonService::PlanSetImport(const std::string& filePath, const std::string& as,
                                          bool onlyInstalled) const {
  const PlanContext planner{m_files, m_gameFolder};
  SeasonChange change;
  bool truncated = false;
  const std::optional<std::string> bytes =
      m_files.ReadWholeFile(filePath, kMaxCalendarBytes + 1, &truncated);
  if (!bytes) {
    Refuse(change, MakeProblem(SeasonRefusal::kNotFound, filePath,
                                          "the calendar file cannot be read", filePath));
    return change;
  }
  std::string error = "the calendar is larger than 1 MiB";
  std::optional<Calendar> calendar =
      truncated || bytes->size() > kMaxCalendarBytes ? std::nullopt : ParseCalendar(*bytes, error);
  if (!calendar) {
    Refuse(change, MakeProblem(SeasonRefusal::kInvalidFile, filePath, error, filePath));
    return change;
  }
  const std::string name = as.empty() ? calendar->name : as;
  if (!IsValidSetName(name)) {
    Refuse(change, MakeProblem(SeasonRefusal::kBadName, name,
                                          std::string(kSetNameRule) + " (give one with --as)"));
    return change;
  }
  if (SetBytes(planner, name)) {
    Refuse(change, MakeProblem(SeasonRefusal::kNameTaken, name,
                                          "a set of that name exists (give another with --as)"));
    return change;
  }
  if (!StartChange(planner, change)) return change;
  std::optional<Library> library = ReadLibrary(planner, change.Build().problem);
  if (!library) return change;
  SavedSet set;
  set.name = name;
  set.savedTime = LocalTimeText();
  for (const SeasonFileId file : kBothSeasonFiles) {
    const int i = IndexOf(file);
    std::vector<CalendarEvent> kept;
    for (CalendarEvent& event : calendar->events[i]) {
      const bool installed = IsFolder(m_files, m_gameFolder + kTracksFolder + event.trackDirectory);
      if (!installed) {
        change.Build().notInstalled.push_back(
            std::string(SeasonFileNameOf(file)) + ": " +
            BodyValue(event.body, "name").value_or(event.trackDirectory) + " (" +
            event.trackDirectory + ")");
        Effect(change, file,
                              std::string(onlyInstalled ? "leave out" : "keep") + " the event of " +
                                  event.trackDirectory + ", whose tracks\\" +
                                  event.trackDirectory + " is not installed");
        if (onlyInstalled) continue;
      }
      Remember(change, *library, {event.trackDirectory, "", event.body});
      kept.push_back(std::move(event));
    }
    if (kept.empty() && !change.Build().before[i]) continue;
    std::string text = WithoutEvents(change.Build().before[i].value_or(std::string()));
    for (const CalendarEvent& event : kept) text = AppendEvent(text, event.body);
    set.files[i] = text;
  }
  const int count = EventCountOf(set.files[0].value_or(""));
  if (count > MAX_SEASON_EVENTS) {
    Refuse(change, SeasonFullProblem(name, "the calendar's 67season.ini holds", count));
    return change;
  }
  if (!WriteSet(planner, change, set, std::nullopt, false) ||
      !WriteLibrary(planner, change, *library, false))
    return change;
  Effect(change, "import the set \"" + name + "\" (" + std::to_string(count) + " and " +
                                    std::to_string(EventCountOf(set.files[1].value_or(""))) +
                                    " events)");
  return change;
}

}  // namespace gridmoor
