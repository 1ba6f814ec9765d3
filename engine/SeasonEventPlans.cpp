// The plans of events: remove, add, sort and move.

#include <algorithm>
#include <set>

#include "engine/GameFiles.h"
#include "engine/SeasonLibrary.h"
#include "engine/SeasonService.h"
#include "engine/SeasonText.h"
#include "engine/TrackPackage.h"
#include "platform/ProfileDocument.h"

namespace gridmoor {

namespace {

// Takes the events naming `tracks` out of one season file's text in the change, remembering
// each in the library first (from 67season.ini first: `add` puts them back as they were).
// `found` gets the folders an event named.
void RemoveFromFile(const PlanContext& c, SeasonChange& change, SeasonFileId file,
                    const std::vector<std::string>& tracks, Library& library,
                    std::set<std::string>& remembered, std::set<std::string>& found) {
  const int i = IndexOf(file);
  if (!change.Built().before[i]) return;
  const std::string& text = *change.Built().before[i];
  for (const std::string& track : tracks) {
    for (const int number : EventsNaming(text, track)) {
      if (remembered.insert(track).second)
        Remember(change, library, {track, "", EventBody(text, number).value_or("")});
    }
  }
  ProfileDocument document =
      ProfileDocument::FromBytes(c.files, SeasonFilePath(c.game, SeasonFileNameOf(file)), text);
  const SeasonRemoval removal = RemoveTrackEvents(document, tracks);
  if (removal.Empty()) return;
  change.Build().after[i] = document.Text();
  for (const RemovedEvent& event : removal.removed) {
    found.insert(event.trackDirectory);
    Effect(change, file, "remove Event" + std::to_string(event.number) + " " + Quoted(event.name) +
                             " (" + event.trackDirectory + ")");
  }
  if (!removal.moved.empty()) {
    const auto& [fromFirst, toFirst] = removal.moved.front();
    const auto& [fromLast, toLast] = removal.moved.back();
    Effect(change, file,
           removal.moved.size() == 1
               ? "move Event" + std::to_string(fromFirst) + " down to Event" + std::to_string(toFirst)
               : "move Event" + std::to_string(fromFirst) + "..Event" + std::to_string(fromLast) +
                     " down to Event" + std::to_string(toFirst) + "..Event" + std::to_string(toLast));
  }
  for (const std::string& section : removal.droppedSections)
    Effect(change, file, "drop the unread section [" + section + "], whose name an event takes");
  Effect(change, file, "set numEvents " + std::to_string(removal.oldCount) + " -> " +
                           std::to_string(removal.newCount));
}

// Adds the deletion of tracks\<track> and its replay (as the library knows it); answers
// whether there is anything of the track to delete.
bool DeleteTrackFiles(const PlanContext& c, SeasonChange& change, const std::string& track,
                      const Library& library) {
  bool deletes = false;
  const std::string folder = c.game + kTracksFolder + track;
  if (IsFolder(c.files, folder)) {
    change.Build().deleteFolders.push_back(folder);
    Effect(change, "delete tracks\\" + track);
    deletes = true;
  }
  const LibraryEntry* entry = library.Find(track);
  if (entry && !entry->replay.empty()) {
    const std::string replay = c.game + kReplayFolder + entry->replay;
    if (c.files.ReadWholeFile(replay, 0)) {
      change.Build().deleteFiles.push_back(replay);
      Effect(change, "delete replay\\" + entry->replay);
      deletes = true;
    }
  }
  return deletes;
}

}  // namespace

SeasonChange SeasonService::PlanRemove(const std::vector<std::string>& tracks,
                                       SeasonFileChoice choice, bool deleteFiles) const {
  const PlanContext planner{m_files, m_gameFolder};
  SeasonChange change;
  if (!StartChange(planner, change)) return change;
  std::optional<Library> library = ReadLibrary(planner, change.Build().problem);
  if (!library) return change;
  for (const std::string& track : tracks) {
    // Only a plain name stays inside tracks\: "..", "a\b" or "C:x" would reach elsewhere.
    if (deleteFiles && (track.empty() || !IsPlainFileName(track))) {
      Refuse(change, MakeProblem(SeasonRefusal::kBadName, track,
                                 "not a plain folder name; files are deleted only inside tracks\\"));
      return change;
    }
  }
  std::set<std::string> found;
  std::set<std::string> remembered;
  for (const SeasonFileId file : kBothSeasonFiles) {
    if (choice.Has(file)) RemoveFromFile(planner, change, file, tracks, *library, remembered, found);
  }
  std::vector<std::string> missing;
  for (const std::string& track : tracks) {
    const bool deletes = deleteFiles && DeleteTrackFiles(planner, change, track, *library);
    if (!found.count(track) && !deletes) missing.push_back(track);
  }
  // Several names are taken alike: one unknown name changes nothing for the others either.
  if (!missing.empty() || tracks.empty()) {
    std::string names;
    for (const std::string& track : missing) names += (names.empty() ? "" : "\", \"") + track;
    Refuse(change, MakeProblem(SeasonRefusal::kNotFound, names,
                               missing.size() > 1 ? "no event names these track folders"
                                                  : "no event names that track folder"));
    return change;
  }
  WriteLibrary(planner, change, *library, /*beforeSeason=*/true);
  change.Build().questions.push_back(
      deleteFiles ? SeasonChange::Question{"Remove these events and delete the files? \"restore\" "
                                           "brings them back.",
                                           change.DeletedPaths(), false, true}
                  : SeasonChange::Question{"Remove these events?", {}, false, true});
  return change;
}

SeasonChange SeasonService::PlanAdd(const std::vector<std::string>& tracks,
                                    SeasonFileChoice choice) const {
  const PlanContext planner{m_files, m_gameFolder};
  SeasonChange change;
  if (!StartChange(planner, change)) return change;
  const std::optional<Library> library = ReadLibrary(planner, change.Build().problem);
  if (!library) return change;
  for (const std::string& track : tracks) {
    const LibraryEntry* entry = library->Find(track);
    if (!entry) {
      Refuse(change, MakeProblem(SeasonRefusal::kNotInLibrary, track,
                                            "Gridmoor has not kept the event of that track "
                                            "(it keeps those it installs, removes or imports)"));
      return change;
    }
    if (!IsFolder(m_files, m_gameFolder + kTracksFolder + track)) {
      Refuse(change, MakeProblem(SeasonRefusal::kNotFound, track,
                                            "tracks\\" + track + " is not installed"));
      return change;
    }
    for (const SeasonFileId file : kBothSeasonFiles) {
      if (!choice.Has(file)) continue;
      std::optional<std::string>& text = change.Build().after[IndexOf(file)];
      const std::string now = text.value_or(std::string());
      const std::vector<int> naming = EventsNaming(now, track);
      if (!naming.empty()) {
        text = ReplaceEventBody(now, naming.back(), entry->body);
        if (*text != now)
          Effect(change, file, "refresh " + EventLabel(naming.back(), entry->body));
      } else {
        text = AppendEvent(now, entry->body);
        Effect(change, file,
                              "add " + EventLabel(EventCountOf(*text), entry->body));
      }
    }
  }
  const std::optional<std::string>& season = change.Build().after[0];
  const int count = season ? EventCountOf(*season) : 0;
  if (change.Changes(SeasonFileId::kSeason) && count > MAX_SEASON_EVENTS &&
      count > EventCountOf(change.Build().before[0].value_or(""))) {
    Refuse(change, SeasonFullProblem("67season.ini", "the season would hold", count));
  }
  return change;
}

SeasonChange SeasonService::PlanSort(SortKey key, SeasonFileChoice choice) const {
  const PlanContext planner{m_files, m_gameFolder};
  SeasonChange change;
  if (!StartChange(planner, change)) return change;
  for (const SeasonFileId file : kBothSeasonFiles) {
    const std::optional<std::string>& text = change.Build().before[IndexOf(file)];
    if (!choice.Has(file) || !text) continue;
    if (!HasOrderlyEvents(*text)) {
      Refuse(change, MakeProblem(SeasonRefusal::kSectionsDisagree, SeasonFileNameOf(file),
                                            "its count and event sections disagree",
                                            PathOf(file)));
      return change;
    }
    const std::vector<int> order = SortedEventOrder(*text, key);
    change.Build().after[IndexOf(file)] = ReorderEvents(*text, order);
    DescribeOrder(change, file, *text, order);
  }
  return change;
}

SeasonChange SeasonService::PlanMove(const std::string& track, int to,
                                     SeasonFileChoice choice) const {
  const PlanContext planner{m_files, m_gameFolder};
  SeasonChange change;
  if (!StartChange(planner, change)) return change;
  bool found = false;
  for (const SeasonFileId file : kBothSeasonFiles) {
    const std::optional<std::string>& text = change.Build().before[IndexOf(file)];
    if (!choice.Has(file) || !text) continue;
    const std::vector<int> naming = EventsNaming(*text, track);
    if (naming.empty()) continue;
    found = true;
    if (!HasOrderlyEvents(*text)) {
      Refuse(change, MakeProblem(SeasonRefusal::kSectionsDisagree, SeasonFileNameOf(file),
                                            "its count and event sections disagree",
                                            PathOf(file)));
      return change;
    }
    const int count = EventCountOf(*text);
    if (to < 1 || to > count) {
      Refuse(change, MakeProblem(SeasonRefusal::kOutOfRange, std::to_string(to),
                                            std::string(SeasonFileNameOf(file)) + " has events 1 to " +
                                                std::to_string(count)));
      return change;
    }
    std::vector<int> order;
    for (int number = 1; number <= count; ++number) {
      if (number != naming.front()) order.push_back(number);
    }
    order.insert(order.begin() + (to - 1), naming.front());
    change.Build().after[IndexOf(file)] = ReorderEvents(*text, order);
    DescribeOrder(change, file, *text, order);
  }
  if (!found) {
    Refuse(change, MakeProblem(SeasonRefusal::kNotFound, track,
                                          "no event names that track folder"));
  }
  return change;
}

SeasonChange SeasonService::PlanShift(const std::vector<std::string>& tracks, int by,
                                      SeasonFileChoice choice) const {
  const PlanContext planner{m_files, m_gameFolder};
  SeasonChange change;
  if (!StartChange(planner, change)) return change;
  std::vector<bool> found(tracks.size(), false);
  for (const SeasonFileId file : kBothSeasonFiles) {
    const std::optional<std::string>& text = change.Build().before[IndexOf(file)];
    if (!choice.Has(file) || !text) continue;
    std::vector<int> moving;  // event numbers, ascending
    for (std::size_t i = 0; i < tracks.size(); ++i) {
      const std::vector<int> naming = EventsNaming(*text, tracks[i]);
      if (naming.empty()) continue;
      found[i] = true;
      moving.push_back(naming.front());
    }
    if (moving.empty()) continue;
    std::sort(moving.begin(), moving.end());
    moving.erase(std::unique(moving.begin(), moving.end()), moving.end());
    if (!HasOrderlyEvents(*text)) {
      Refuse(change, MakeProblem(SeasonRefusal::kSectionsDisagree, SeasonFileNameOf(file),
                                 "its count and event sections disagree", PathOf(file)));
      return change;
    }
    const int count = EventCountOf(*text);
    if (moving.front() + by < 1 || moving.back() + by > count) {
      Refuse(change, MakeProblem(SeasonRefusal::kOutOfRange,
                                 std::to_string((by < 0 ? moving.front() : moving.back()) + by),
                                 std::string(SeasonFileNameOf(file)) + " has events 1 to " +
                                     std::to_string(count)));
      return change;
    }
    // The others keep their order in the places the moved events leave.
    std::vector<int> order(static_cast<std::size_t>(count), 0);
    std::vector<bool> placed(static_cast<std::size_t>(count), false);
    for (const int number : moving) {
      order[static_cast<std::size_t>(number + by - 1)] = number;
      placed[static_cast<std::size_t>(number + by - 1)] = true;
    }
    std::size_t slot = 0;
    for (int number = 1; number <= count; ++number) {
      if (std::binary_search(moving.begin(), moving.end(), number)) continue;
      while (placed[slot]) ++slot;
      order[slot++] = number;
    }
    change.Build().after[IndexOf(file)] = ReorderEvents(*text, order);
    DescribeOrder(change, file, *text, order);
  }
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    if (!found[i]) {
      Refuse(change, MakeProblem(SeasonRefusal::kNotFound, tracks[i],
                                 "no event names that track folder"));
      return change;
    }
  }
  return change;
}

}  // namespace gridmoor
