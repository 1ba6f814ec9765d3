#include "engine/SeasonService.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <exception>
#include <map>
#include <set>

#include "engine/FileErrorText.h"
#include "engine/ProfileValue.h"
#include "engine/SeasonUpdate.h"
#include "engine/GameFiles.h"
#include "engine/SeasonFormats.h"
#include "engine/SeasonText.h"
#include "engine/TrackPackage.h"
#include "engine/WriteAccessCheck.h"
#include "platform/FileException.h"
#include "platform/ProcessList.h"
#include "platform/ProfileDocument.h"

namespace gridmoor {
namespace {

constexpr const SeasonFileId (&kBothFiles)[2] = kBothSeasonFiles;

std::string Folded(const std::string& text) { return FoldedName(text); }

SeasonProblem Problem(SeasonRefusal refusal, std::string subject = {}, std::string detail = {},
                      std::string path = {}) {
  SeasonProblem problem;
  problem.refusal = refusal;
  problem.subject = std::move(subject);
  problem.detail = std::move(detail);
  problem.path = std::move(path);
  return problem;
}

std::string Quoted(const std::optional<std::string>& text) {
  return "\"" + text.value_or("") + "\"";
}

// A set's file name: its name, folded and written in hex, so sets that differ only in letter
// case share one file, and no name (a device name, trailing dots) means anything to the system.
std::string SetFileName(const std::string& name) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "set-";
  for (const unsigned char c : Folded(name)) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

// A file of ours, or nullopt when it or its folder (not made until the first write) is missing.
// Throws CFileException when it exists but cannot be read whole.
std::optional<std::string> ReadOwnFile(FileSystem& files, const std::string& path,
                                       std::size_t maxBytes) {
  try {
    return files.ReadExistingFile(path, maxBytes);
  } catch (const CFileException& error) {
    if (error.Cause() == kCauseBadPath && !IsFolder(files, path.substr(0, path.rfind('\\'))))
      return std::nullopt;
    throw;
  }
}

struct Library {
  std::optional<std::string> bytes;  // as read (nullopt: missing)
  std::vector<LibraryEntry> entries;
  std::size_t entryBytes = 0;  // what the entries take of the file, for its limit

  const LibraryEntry* Find(const std::string& folder) const {
    for (const LibraryEntry& entry : entries) {
      if (entry.trackDirectory == folder) return &entry;
    }
    return nullptr;
  }
  // Keeps the entry (in place of the one of its folder, whose replay it keeps when it names
  // none). Answers why not when the library could not read it back, keeping what it had: one
  // entry the reader refuses would make the whole library unreadable.
  std::optional<std::string> Put(LibraryEntry entry) {
    if (std::optional<std::string> fault = LibraryEntryFault(entry)) return fault;
    const auto found = std::find_if(entries.begin(), entries.end(), [&entry](const LibraryEntry& e) {
      return e.trackDirectory == entry.trackDirectory;
    });
    LibraryEntry* known = found == entries.end() ? nullptr : &*found;
    if (known && entry.replay.empty()) entry.replay = known->replay;
    const std::size_t bytesAfter =
        entryBytes - (known ? LibraryEntryBytes(*known) : 0) + LibraryEntryBytes(entry);
    if (LibraryBytes(entries.size() + (known ? 0 : 1), bytesAfter) > kMaxLibraryBytes)
      return std::string("the event library would pass its 8 MiB");
    entryBytes = bytesAfter;
    if (known) {
      *known = std::move(entry);
    } else {
      entries.push_back(std::move(entry));
    }
    return std::nullopt;
  }
};

// `text` as one line for an effect: control bytes shown as '?', cut after 60 bytes.
std::string OneLineName(std::string text) {
  if (text.size() > 60) text = text.substr(0, 57) + "...";
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  }
  return text;
}

// Whether `parse` reads `bytes` back as `value`; else `error` says why.
template <class T, class Parse>
bool ReadsBack(const std::string& bytes, const T& value, Parse parse, std::string& error) {
  const auto back = parse(bytes, error);
  if (back && *back == value) return true;
  if (back) error = "it would read back otherwise";
  return false;
}

}  // namespace

bool SeasonChange::Changes(SeasonFileId file) const {
  return m_before[IndexOf(file)] != m_after[IndexOf(file)];
}
const std::optional<std::string>& SeasonChange::After(SeasonFileId file) const {
  return m_after[IndexOf(file)];
}
const std::optional<std::string>& SeasonChange::Before(SeasonFileId file) const {
  return m_before[IndexOf(file)];
}

std::vector<std::string> SeasonChange::DeletedPaths() const {
  std::vector<std::string> paths = m_deleteFolders;
  paths.insert(paths.end(), m_deleteFiles.begin(), m_deleteFiles.end());
  return paths;
}

SeasonService::SeasonService(FileSystem& files, std::string gameFolder,
                             std::function<bool()> isGameRunning)
    : m_files(files), m_gameFolder(std::move(gameFolder)), m_isGameRunning(std::move(isGameRunning)) {}

std::string SeasonService::PathOf(SeasonFileId file) const {
  return SeasonFilePath(m_gameFolder, SeasonFileNameOf(file));
}

std::vector<std::string> SeasonService::ReadOnlyFiles(const SeasonChange& change) const {
  std::vector<std::string> marked;
  for (const SeasonFileId file : kBothFiles) {
    if (change.Changes(file) && change.Before(file) && HasReadOnlyMark(m_files, PathOf(file)))
      marked.push_back(PathOf(file));
  }
  return marked;
}

bool SeasonService::GameRuns() const {
  return m_isGameRunning ? m_isGameRunning() : IsProgramRunning(kGameProgram);
}

// ------------------------------------------------------------------------------ private helpers
// Kept as free functions over the service's parts, so the header stays the contract alone.
namespace {

struct Context {
  FileSystem& files;
  const std::string& game;
};

std::optional<Library> ReadLibrary(Context c, SeasonProblem& problem) {
  const std::string path = c.game + kLibraryFile;
  Library library;
  try {
    library.bytes = ReadOwnFile(c.files, path, kMaxLibraryBytes);
  } catch (const CFileException& error) {
    problem = Problem(SeasonRefusal::kInvalidFile, "event library", FileErrorReason(error.Cause()),
                      path);
    return std::nullopt;
  }
  std::string error;
  std::optional<std::vector<LibraryEntry>> entries =
      ParseLibrary(library.bytes.value_or(std::string()), error);
  if (!entries) {
    problem = Problem(SeasonRefusal::kInvalidFile, "event library", error, path);
    return std::nullopt;
  }
  library.entries = std::move(*entries);
  for (const LibraryEntry& entry : library.entries) library.entryBytes += LibraryEntryBytes(entry);
  return library;
}

std::string SetPath(const std::string& game, const std::string& name) {
  return game + kSetsFolder + "\\" + SetFileName(name);
}

struct LoadedSet {
  SavedSet set;
  std::string bytes;
  std::string path;
};

// The set named `name` (letter case ignored), or a problem: kNotFound, kInvalidFile.
std::optional<LoadedSet> ReadSet(Context c, const std::string& name, SeasonProblem& problem) {
  if (!IsValidSetName(name)) {
    problem = Problem(SeasonRefusal::kBadName, name,
                      kSetNameRule);
    return std::nullopt;
  }
  const std::string path = SetPath(c.game, name);
  std::optional<std::string> bytes;
  try {
    bytes = ReadOwnFile(c.files, path, kMaxSetBytes);
  } catch (const CFileException& error) {
    problem = Problem(SeasonRefusal::kInvalidFile, name, FileErrorReason(error.Cause()), path);
    return std::nullopt;
  }
  if (!bytes) {
    problem = Problem(SeasonRefusal::kNotFound, name, "no set of that name is saved");
    return std::nullopt;
  }
  std::string error;
  std::optional<SavedSet> set = ParseSet(*bytes, error);
  if (!set || Folded(set->name) != Folded(name)) {
    problem = Problem(SeasonRefusal::kInvalidFile, name,
                      set ? "the set file holds another set" : error, path);
    return std::nullopt;
  }
  return LoadedSet{std::move(*set), std::move(*bytes), path};
}

std::optional<std::string> ReadActive(Context c) {
  const std::optional<std::string> bytes =
      c.files.ReadWholeFile(c.game + kActiveSetFile, 256);
  if (!bytes) return std::nullopt;
  std::string name = *bytes;
  while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
  if (!IsValidSetName(name)) return std::nullopt;
  return name;
}

SeasonEvents EventsOfText(Context c, const std::optional<std::string>& text) {
  const ProfileDocument document = ProfileDocument::FromBytes(c.files, "", text);
  return ReadSeasonEvents(document, c.files, c.game);
}

}  // namespace

// ------------------------------------------------------------------------------------- reading

SeasonFileView SeasonService::Read(SeasonFileId file) const {
  SeasonFileView view;
  const std::string path = PathOf(file);
  try {
    const ProfileDocument document = ProfileDocument::Load(m_files, path);
    view.events = ReadSeasonEvents(document, m_files, m_gameFolder);
  } catch (const CFileException& error) {
    view.problem = Problem(SeasonRefusal::kUnreadable, SeasonFileNameOf(file),
                           FileErrorReason(error.Cause()), path);
  }
  return view;
}

std::vector<AvailableTrack> SeasonService::AvailableTracks() const {
  return AddCandidates(SeasonFileId::kSeason);
}

std::vector<AvailableTrack> SeasonService::AddCandidates(SeasonFileId file) const {
  std::vector<AvailableTrack> tracks;
  const std::optional<std::vector<FolderEntry>> entries =
      m_files.ListFolder(m_gameFolder + "\\tracks");
  if (!entries) return tracks;
  std::set<std::string> named;
  std::optional<std::string> season;
  try {
    season = m_files.ReadExistingFile(PathOf(file), kMaxSeasonFileBytes);
  } catch (const std::exception&) {
  }
  if (season) {
    for (const auto& [section, folder] : ProfileValuesOfKey(*season, "trackDirectory")) {
      const int number = EventNumberOfSection(std::string(section));
      if (number >= 1 && number <= EventCountOf(*season)) named.insert(Folded(std::string(folder)));
    }
  }
  SeasonProblem ignored;
  const std::optional<Library> library = ReadLibrary({m_files, m_gameFolder}, ignored);
  for (const FolderEntry& entry : *entries) {
    // Windows names one folder in any letter case: an event naming "Kestrel" holds "kestrel".
    if (!entry.isFolder || named.count(Folded(entry.name))) continue;
    tracks.push_back({entry.name, library && library->Find(entry.name) != nullptr});
  }
  std::sort(tracks.begin(), tracks.end(), [](const AvailableTrack& a, const AvailableTrack& b) {
    return Folded(a.folder) < Folded(b.folder);
  });
  return tracks;
}

std::optional<std::string> SeasonService::ActiveSet() const {
  return ReadActive({m_files, m_gameFolder});
}

std::vector<SetSummary> SeasonService::ListSets(std::vector<SeasonProblem>* problems) const {
  std::vector<SetSummary> sets;
  const Context c{m_files, m_gameFolder};
  const std::optional<std::vector<FolderEntry>> entries =
      m_files.ListFolder(m_gameFolder + kSetsFolder);
  if (!entries) return sets;
  const std::optional<std::string> active = ReadActive(c);
  std::optional<std::string> now[2];
  for (const SeasonFileId file : kBothFiles) {
    try {
      now[IndexOf(file)] = m_files.ReadExistingFile(PathOf(file), kMaxSeasonFileBytes);
    } catch (const std::exception&) {
      now[IndexOf(file)] = std::string("\0unreadable", 11);
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
      if (problems) {
        problems->push_back(Problem(SeasonRefusal::kInvalidFile, entry.name,
                                    set ? "the set file holds another set" : error, path));
      }
      continue;
    }
    SetSummary summary;
    summary.name = set->name;
    summary.savedTime = set->savedTime;
    summary.seasonEvents = set->files[0] ? EventCountOf(*set->files[0]) : 0;
    summary.championshipEvents = set->files[1] ? EventCountOf(*set->files[1]) : 0;
    summary.active = active && Folded(*active) == Folded(set->name);
    summary.changedSinceSaved = summary.active && (now[0] != set->files[0] || now[1] != set->files[1]);
    sets.push_back(std::move(summary));
  }
  std::sort(sets.begin(), sets.end(), [](const SetSummary& a, const SetSummary& b) {
    return Folded(a.name) < Folded(b.name);
  });
  return sets;
}

SetView SeasonService::ShowSet(const std::string& name) const {
  SetView view;
  const Context c{m_files, m_gameFolder};
  const std::optional<LoadedSet> loaded = ReadSet(c, name, view.problem);
  if (!loaded) return view;
  view.summary.name = loaded->set.name;
  view.summary.savedTime = loaded->set.savedTime;
  for (int i = 0; i < kSeasonFileCount; ++i) view.events[i] = EventsOfText(c, loaded->set.files[i]);
  view.summary.seasonEvents = view.events[0].count;
  view.summary.championshipEvents = view.events[1].count;
  const std::optional<std::string> active = ReadActive(c);
  view.summary.active = active && Folded(*active) == Folded(loaded->set.name);
  return view;
}

std::vector<SetDifference> SeasonService::DiffSets(const std::string& a, const std::string& b,
                                                   SeasonProblem& problem) const {
  std::vector<SetDifference> differences;
  const SetView first = ShowSet(a);
  if (first.problem) {
    problem = first.problem;
    return differences;
  }
  const SetView second = ShowSet(b);
  if (second.problem) {
    problem = second.problem;
    return differences;
  }
  for (const SeasonFileId file : kBothFiles) {
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
  return differences;
}

std::vector<HistoryStep> SeasonService::ListSteps() const {
  return ListSeasonSteps(m_files, m_gameFolder);
}


// ------------------------------------------------------------------------------------ planning

// The planning steps, with access to the change's parts.
struct SeasonPlanner {
  FileSystem& files;
  const std::string& game;

  Context context() const { return {files, game}; }

  // Reads both season files into the change (before = after); false with the problem set when
  // one exists but cannot be read.
  bool Start(SeasonChange& change) const {
    for (const SeasonFileId file : kBothFiles) {
      const std::string path = SeasonFilePath(game, SeasonFileNameOf(file));
      try {
        change.m_before[IndexOf(file)] = files.ReadExistingFile(path, kMaxSeasonFileBytes);
      } catch (const CFileException& error) {
        change.m_problem = Problem(SeasonRefusal::kUnreadable, SeasonFileNameOf(file),
                                   FileErrorReason(error.Cause()), path);
        return false;
      }
      change.m_after[IndexOf(file)] = change.m_before[IndexOf(file)];
    }
    return true;
  }

  static void Effect(SeasonChange& change, SeasonFileId file, std::string text) {
    change.m_effects.push_back({SeasonFileNameOf(file), std::move(text)});
  }
  static void Effect(SeasonChange& change, std::string text) {
    change.m_effects.push_back({"", std::move(text)});
  }
  static void Refuse(SeasonChange& change, SeasonProblem problem) {
    change.m_problem = std::move(problem);
  }

  // Puts an event into the library, or names in the effects why it is left out.
  static void Remember(SeasonChange& change, Library& library, LibraryEntry entry) {
    const std::string folder = entry.trackDirectory;
    if (const std::optional<std::string> fault = library.Put(std::move(entry)))
      Effect(change, "not kept in the event library: the event of " + OneLineName(folder) + " (" +
                         *fault + ")");
  }

  // The writes of our files, each only when it reads back as what was meant (else the plan is
  // refused, kInvalidFile): a file of ours the reader refuses would stop every later command.
  bool WriteLibrary(SeasonChange& change, const Library& library, bool beforeSeason) const {
    const std::string bytes = SerializeLibrary(library.entries);
    if (library.bytes.value_or(SerializeLibrary({})) == bytes) return true;
    std::string error;
    if (!ReadsBack(bytes, library.entries, ParseLibrary, error)) {
      Refuse(change, Problem(SeasonRefusal::kInvalidFile, "event library",
                             "it would not read back: " + error, game + kLibraryFile));
      return false;
    }
    change.m_writes.push_back({game + kLibraryFile, library.bytes, bytes, beforeSeason});
    return true;
  }

  bool WriteSet(SeasonChange& change, const SavedSet& set,
                const std::optional<std::string>& expected, bool beforeSeason) const {
    const std::string bytes = SerializeSet(set);
    std::string error;
    if (!ReadsBack(bytes, set, ParseSet, error)) {
      Refuse(change, Problem(SeasonRefusal::kInvalidFile, set.name,
                             "the set file would not read back: " + error, SetPath(game, set.name)));
      return false;
    }
    change.m_writes.push_back({SetPath(game, set.name), expected, bytes, beforeSeason});
    return true;
  }

  void WriteActive(SeasonChange& change, const std::optional<std::string>& name) const {
    const std::string path = game + kActiveSetFile;
    std::optional<std::string> now;
    try {
      now = ReadOwnFile(files, path, 4096);
    } catch (const std::exception&) {
      now = std::nullopt;
    }
    const std::optional<std::string> bytes =
        name ? std::optional<std::string>(*name + "\n") : std::nullopt;
    if (now == bytes) return;
    change.m_writes.push_back({path, now, bytes, false});
  }

  // Whether a saved set holds exactly these season files.
  bool HeldBySet(const std::optional<std::string> (&seasonFiles)[kSeasonFileCount]) const {
    const std::optional<std::vector<FolderEntry>> entries = files.ListFolder(game + kSetsFolder);
    if (!entries) return false;
    for (const FolderEntry& entry : *entries) {
      if (entry.isFolder || entry.name.compare(0, 4, "set-") != 0) continue;
      try {
        const std::optional<std::string> bytes =
            files.ReadExistingFile(game + kSetsFolder + "\\" + entry.name, kMaxSetBytes);
        std::string error;
        const std::optional<SavedSet> set = bytes ? ParseSet(*bytes, error) : std::nullopt;
        if (set && set->files[0] == seasonFiles[0] && set->files[1] == seasonFiles[1]) return true;
      } catch (const std::exception&) {
        // A set that cannot be read holds nothing to compare.
      }
    }
    return false;
  }

  // One line per season file a set switch changes.
  static void DescribeSetTaken(SeasonChange& change) {
    for (const SeasonFileId file : kBothFiles) {
      if (!change.Changes(file)) continue;
      const std::optional<std::string>& after = change.m_after[IndexOf(file)];
      Effect(change, file,
             after ? "take the set's " + std::to_string(EventCountOf(*after)) + " events"
                   : "delete the file (the set has none)");
    }
  }

  // The bytes of the set file `name` now, for the safe replace; nullopt when there is none.
  std::optional<std::string> SetBytes(const std::string& name) const {
    try {
      return ReadOwnFile(files, SetPath(game, name), kMaxSetBytes);
    } catch (const std::exception&) {
      return std::nullopt;
    }
  }

  std::string UnusedSetName(const std::string& stem) const {
    for (int n = 1;; ++n) {
      const std::string name = n == 1 ? stem : stem + "-" + std::to_string(n);
      if (!SetBytes(name)) return name;
    }
  }

  // The calendar's events of one season file's bytes; events without a plain folder are named.
  static std::vector<CalendarEvent> CalendarEvents(SeasonChange& change, SeasonFileId file,
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
};

namespace {

// Event numbers of `text` in 1..count naming `folder` exactly, ascending.
std::vector<int> EventsNaming(std::string_view text, const std::string& folder) {
  std::vector<int> numbers;
  const int count = std::min(EventCountOf(text), kMaxSeasonEventNumber);
  const auto spans = EventSpans(text, count);
  for (int number = 1; number <= count; ++number) {
    if (!spans[number - 1]) continue;
    const auto body = text.substr(spans[number - 1]->bodyBegin,
                                  spans[number - 1]->end - spans[number - 1]->bodyBegin);
    // The install's rule: the folder as read, its first 99 characters, letter case counting.
    const std::optional<std::string> value = BodyValue(body, "trackDirectory");
    if (value && CutToValueLength(*value) == folder) numbers.push_back(number);
  }
  return numbers;
}

std::string EventLabel(int number, std::string_view body) {
  return "Event" + std::to_string(number) + " " + Quoted(BodyValue(body, "name")) + " (" +
         BodyValue(body, "trackDirectory").value_or("") + ")";
}

// The effects of a reorder: each event that gets another number.
void DescribeOrder(SeasonChange& change, SeasonFileId file, std::string_view text,
                   const std::vector<int>& order) {
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (order[k] == static_cast<int>(k + 1)) continue;
    SeasonPlanner::Effect(change, file,
                          "move " + EventLabel(order[k], EventBody(text, order[k]).value_or("")) +
                              " to Event" + std::to_string(k + 1));
  }
}

}  // namespace

SeasonChange SeasonService::PlanRemove(const std::vector<std::string>& tracks,
                                       SeasonFileChoice choice, bool deleteFiles) const {
  const SeasonPlanner planner{m_files, m_gameFolder};
  SeasonChange change;
  if (!planner.Start(change)) return change;
  std::optional<Library> library = ReadLibrary(planner.context(), change.m_problem);
  if (!library) return change;
  if (deleteFiles) {
    for (const std::string& track : tracks) {
      // Only a plain name stays inside tracks\: "..", "a\b" or "C:x" would reach elsewhere.
      if (track.empty() || !IsPlainFileName(track)) {
        SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kBadName, track,
                                              "not a plain folder name; files are deleted only "
                                              "inside tracks\\"));
        return change;
      }
    }
  }
  std::set<std::string> found;
  std::set<std::string> remembered;
  std::vector<std::string> missing;
  for (const SeasonFileId file : kBothFiles) {
    if (!choice.Has(file)) continue;
    const int i = IndexOf(file);
    if (!change.m_before[i]) continue;
    const std::string& text = *change.m_before[i];
    // Remembered before they go, from 67season.ini first: `add` puts them back as they were.
    for (const std::string& track : tracks) {
      for (const int number : EventsNaming(text, track)) {
        if (remembered.insert(track).second)
          SeasonPlanner::Remember(change, *library, {track, "", EventBody(text, number).value_or("")});
      }
    }
    ProfileDocument document = ProfileDocument::FromBytes(m_files, PathOf(file), text);
    const SeasonRemoval removal = RemoveTrackEvents(document, tracks);
    if (removal.Empty()) continue;
    change.m_after[i] = document.Text();
    for (const RemovedEvent& event : removal.removed) {
      found.insert(event.trackDirectory);
      SeasonPlanner::Effect(change, file,
                            "remove Event" + std::to_string(event.number) + " " +
                                Quoted(event.name) + " (" + event.trackDirectory + ")");
    }
    if (removal.moved.size() == 1) {
      SeasonPlanner::Effect(change, file, "move Event" + std::to_string(removal.moved.front().first) +
                                              " down to Event" +
                                              std::to_string(removal.moved.front().second));
    } else if (!removal.moved.empty()) {
      SeasonPlanner::Effect(
          change, file,
          "move Event" + std::to_string(removal.moved.front().first) + "..Event" +
              std::to_string(removal.moved.back().first) + " down to Event" +
              std::to_string(removal.moved.front().second) + "..Event" +
              std::to_string(removal.moved.back().second));
    }
    for (const std::string& section : removal.droppedSections) {
      SeasonPlanner::Effect(change, file,
                            "drop the unread section [" + section + "], whose name an event takes");
    }
    SeasonPlanner::Effect(change, file,
                          "set numEvents " + std::to_string(removal.oldCount) + " -> " +
                              std::to_string(removal.newCount));
  }
  for (const std::string& track : tracks) {
    bool deletes = false;
    if (deleteFiles) {
      const std::string folder = m_gameFolder + kTracksFolder + track;
      if (IsFolder(m_files, folder)) {
        change.m_deleteFolders.push_back(folder);
        SeasonPlanner::Effect(change, "delete tracks\\" + track);
        deletes = true;
      }
      const LibraryEntry* entry = library->Find(track);
      if (entry && !entry->replay.empty()) {
        const std::string replay = m_gameFolder + kReplayFolder + entry->replay;
        if (m_files.ReadWholeFile(replay, 0)) {
          change.m_deleteFiles.push_back(replay);
          SeasonPlanner::Effect(change, "delete replay\\" + entry->replay);
          deletes = true;
        }
      }
    }
    if (!found.count(track) && !deletes) missing.push_back(track);
  }
  // Several names are taken alike: one unknown name changes nothing for the others either.
  if (!missing.empty() || tracks.empty()) {
    std::string names;
    for (const std::string& track : missing) names += (names.empty() ? "" : "\", \"") + track;
    SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kNotFound, names,
                                          missing.size() > 1 ? "no event names these track folders"
                                                             : "no event names that track folder"));
    return change;
  }
  planner.WriteLibrary(change, *library, /*beforeSeason=*/true);
  if (deleteFiles) {
    change.m_questions.push_back({"Remove these events and delete the files? \"restore\" does "
                                  "not bring the files back.",
                                  change.DeletedPaths(), false, false});
  } else {
    change.m_questions.push_back({"Remove these events?", {}, false, true});
  }
  return change;
}

SeasonChange SeasonService::PlanAdd(const std::vector<std::string>& tracks,
                                    SeasonFileChoice choice) const {
  const SeasonPlanner planner{m_files, m_gameFolder};
  SeasonChange change;
  if (!planner.Start(change)) return change;
  const std::optional<Library> library = ReadLibrary(planner.context(), change.m_problem);
  if (!library) return change;
  for (const std::string& track : tracks) {
    const LibraryEntry* entry = library->Find(track);
    if (!entry) {
      SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kNotInLibrary, track,
                                            "Gridmoor has not kept the event of that track "
                                            "(it keeps those it installs, removes or imports)"));
      return change;
    }
    if (!IsFolder(m_files, m_gameFolder + kTracksFolder + track)) {
      SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kNotFound, track,
                                            "tracks\\" + track + " is not installed"));
      return change;
    }
    for (const SeasonFileId file : kBothFiles) {
      if (!choice.Has(file)) continue;
      std::optional<std::string>& text = change.m_after[IndexOf(file)];
      const std::string now = text.value_or(std::string());
      const std::vector<int> naming = EventsNaming(now, track);
      if (!naming.empty()) {
        text = ReplaceEventBody(now, naming.back(), entry->body);
        if (*text != now)
          SeasonPlanner::Effect(change, file, "refresh " + EventLabel(naming.back(), entry->body));
      } else {
        text = AppendEvent(now, entry->body);
        SeasonPlanner::Effect(change, file,
                              "add " + EventLabel(EventCountOf(*text), entry->body));
      }
    }
  }
  const std::optional<std::string>& season = change.m_after[0];
  const int count = season ? EventCountOf(*season) : 0;
  if (change.Changes(SeasonFileId::kSeason) && count > MAX_SEASON_EVENTS &&
      count > EventCountOf(change.m_before[0].value_or(""))) {
    SeasonProblem problem = Problem(SeasonRefusal::kSeasonFull, "67season.ini",
                                    "the season would hold " + std::to_string(count) +
                                        " events; the game shows at most 64");
    problem.mustGo = count - MAX_SEASON_EVENTS;
    SeasonPlanner::Refuse(change, problem);
  }
  return change;
}

SeasonChange SeasonService::PlanSort(SortKey key, SeasonFileChoice choice) const {
  const SeasonPlanner planner{m_files, m_gameFolder};
  SeasonChange change;
  if (!planner.Start(change)) return change;
  for (const SeasonFileId file : kBothFiles) {
    const std::optional<std::string>& text = change.m_before[IndexOf(file)];
    if (!choice.Has(file) || !text) continue;
    if (!HasOrderlyEvents(*text)) {
      SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kSectionsDisagree, SeasonFileNameOf(file),
                                            "its count and event sections disagree",
                                            PathOf(file)));
      return change;
    }
    const std::vector<int> order = SortedEventOrder(*text, key);
    change.m_after[IndexOf(file)] = ReorderEvents(*text, order);
    DescribeOrder(change, file, *text, order);
  }
  return change;
}

SeasonChange SeasonService::PlanMove(const std::string& track, int to,
                                     SeasonFileChoice choice) const {
  const SeasonPlanner planner{m_files, m_gameFolder};
  SeasonChange change;
  if (!planner.Start(change)) return change;
  bool found = false;
  for (const SeasonFileId file : kBothFiles) {
    const std::optional<std::string>& text = change.m_before[IndexOf(file)];
    if (!choice.Has(file) || !text) continue;
    const std::vector<int> naming = EventsNaming(*text, track);
    if (naming.empty()) continue;
    found = true;
    if (!HasOrderlyEvents(*text)) {
      SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kSectionsDisagree, SeasonFileNameOf(file),
                                            "its count and event sections disagree",
                                            PathOf(file)));
      return change;
    }
    const int count = EventCountOf(*text);
    if (to < 1 || to > count) {
      SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kOutOfRange, std::to_string(to),
                                            std::string(SeasonFileNameOf(file)) + " has events 1 to " +
                                                std::to_string(count)));
      return change;
    }
    std::vector<int> order;
    for (int number = 1; number <= count; ++number) {
      if (number != naming.front()) order.push_back(number);
    }
    order.insert(order.begin() + (to - 1), naming.front());
    change.m_after[IndexOf(file)] = ReorderEvents(*text, order);
    DescribeOrder(change, file, *text, order);
  }
  if (!found) {
    SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kNotFound, track,
                                          "no event names that track folder"));
  }
  return change;
}

SeasonChange SeasonService::PlanSetSave(const std::string& name) const {
  const SeasonPlanner planner{m_files, m_gameFolder};
  SeasonChange change;
  if (!IsValidSetName(name)) {
    SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kBadName, name,
                                          kSetNameRule));
    return change;
  }
  if (!planner.Start(change)) return change;
  SeasonProblem problem;
  const std::optional<LoadedSet> existing = ReadSet(planner.context(), name, problem);
  if (!existing && problem.refusal != SeasonRefusal::kNotFound) {
    SeasonPlanner::Refuse(change, problem);
    return change;
  }
  SavedSet set;
  set.name = existing ? existing->set.name : name;
  if (existing && existing->set.name != name) set.name = name;  // the new spelling wins
  set.savedTime = LocalTimeText();
  set.files[0] = change.m_before[0];
  set.files[1] = change.m_before[1];
  if (!planner.WriteSet(change, set,
                        existing ? std::optional<std::string>(existing->bytes) : std::nullopt, false))
    return change;
  SeasonPlanner::Effect(change, std::string(existing ? "replace" : "save") + " the set \"" + name +
                                    "\" with the season files (" +
                                    std::to_string(EventCountOf(set.files[0].value_or(""))) +
                                    " and " + std::to_string(EventCountOf(set.files[1].value_or(""))) +
                                    " events)");
  planner.WriteActive(change, name);
  // Saving over the active set brings it up to date; over another set it loses that set's
  // calendar, so the player is asked.
  const std::optional<std::string> active = ReadActive(planner.context());
  if (existing && !(active && Folded(*active) == Folded(existing->set.name))) {
    change.m_questions.push_back(
        {"The set \"" + existing->set.name + "\" (" +
             std::to_string(EventCountOf(existing->set.files[0].value_or(""))) + " and " +
             std::to_string(EventCountOf(existing->set.files[1].value_or(""))) +
             " events, saved " + existing->set.savedTime + ") exists. Replace it?",
         {existing->path}, /*overwrite=*/true, /*undoable=*/false});
  }
  return change;
}

SeasonChange SeasonService::PlanSetUse(const std::string& name) const {
  const SeasonPlanner planner{m_files, m_gameFolder};
  SeasonChange change;
  const std::optional<LoadedSet> target = ReadSet(planner.context(), name, change.m_problem);
  if (!target) return change;
  if (!planner.Start(change)) return change;
  const int count = EventCountOf(target->set.files[0].value_or(""));
  if (count > MAX_SEASON_EVENTS) {
    SeasonProblem problem = Problem(SeasonRefusal::kSeasonFull, target->set.name,
                                    "the set's 67season.ini holds " + std::to_string(count) +
                                        " events; the game shows at most 64");
    problem.mustGo = count - MAX_SEASON_EVENTS;
    SeasonPlanner::Refuse(change, problem);
    return change;
  }
  const bool differs =
      change.m_before[0] != target->set.files[0] || change.m_before[1] != target->set.files[1];
  // The files replaced are kept first: in the active set, or (none active, or the active set is
  // the one to use) in a new one.
  std::optional<std::string> active = ReadActive(planner.context());
  SeasonProblem ignored;
  std::optional<LoadedSet> activeSet =
      active ? ReadSet(planner.context(), *active, ignored) : std::nullopt;
  if (activeSet && Folded(activeSet->set.name) == Folded(target->set.name)) activeSet.reset();
  if (differs && !(activeSet && activeSet->set.files[0] == change.m_before[0] &&
                    activeSet->set.files[1] == change.m_before[1]) &&
      planner.HeldBySet(change.m_before)) {
    // Another set holds these very bytes: the files are that set's, under a record that still
    // names an older one (a switch undone, or killed before its last write). Saving them into
    // the active set would overwrite it with a copy of another.
    for (const SeasonFileId file : kBothFiles)
      change.m_after[IndexOf(file)] = target->set.files[IndexOf(file)];
    SeasonPlanner::DescribeSetTaken(change);
    planner.WriteActive(change, target->set.name);
    return change;
  }
  if (differs) {
    SavedSet keep;
    keep.savedTime = LocalTimeText();
    keep.files[0] = change.m_before[0];
    keep.files[1] = change.m_before[1];
    if (activeSet) {
      keep.name = activeSet->set.name;
      if (activeSet->set.files[0] != keep.files[0] || activeSet->set.files[1] != keep.files[1]) {
        if (!planner.WriteSet(change, keep, activeSet->bytes, /*beforeSeason=*/true)) return change;
        SeasonPlanner::Effect(change, "save the season files into the active set \"" +
                                          keep.name + "\"");
      }
    } else {
      char stamp[32] = {};
      const std::time_t now = std::time(nullptr);
      std::tm local{};
      if (const std::tm* converted = std::localtime(&now)) local = *converted;
      std::strftime(stamp, sizeof stamp, "saved-%Y%m%d-%H%M%S", &local);
      keep.name = planner.UnusedSetName(stamp);
      change.m_createdSet = keep.name;
      if (!planner.WriteSet(change, keep, std::nullopt, /*beforeSeason=*/true)) return change;
      SeasonPlanner::Effect(change, "save the season files as the new set \"" + keep.name + "\"");
    }
  }
  for (const SeasonFileId file : kBothFiles)
    change.m_after[IndexOf(file)] = target->set.files[IndexOf(file)];
  SeasonPlanner::DescribeSetTaken(change);
  planner.WriteActive(change, target->set.name);
  return change;
}

SeasonChange SeasonService::PlanSetDelete(const std::string& name) const {
  const SeasonPlanner planner{m_files, m_gameFolder};
  SeasonChange change;
  const std::optional<LoadedSet> set = ReadSet(planner.context(), name, change.m_problem);
  if (!set) return change;
  change.m_writes.push_back({set->path, set->bytes, std::nullopt, false});
  SeasonPlanner::Effect(change, "delete the set \"" + set->set.name + "\"");
  change.m_questions.push_back({"Delete the set \"" + set->set.name +
                                    "\"? \"restore\" does not bring a set back.",
                                {set->path}, false, false});
  const std::optional<std::string> active = ReadActive(planner.context());
  if (active && Folded(*active) == Folded(set->set.name)) planner.WriteActive(change, std::nullopt);
  return change;
}

SeasonChange SeasonService::PlanSetRename(const std::string& from, const std::string& to) const {
  const SeasonPlanner planner{m_files, m_gameFolder};
  SeasonChange change;
  const std::optional<LoadedSet> set = ReadSet(planner.context(), from, change.m_problem);
  if (!set) return change;
  if (!IsValidSetName(to)) {
    SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kBadName, to,
                                          kSetNameRule));
    return change;
  }
  const bool samePath = SetPath(m_gameFolder, to) == set->path;
  if (!samePath && planner.SetBytes(to)) {
    SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kNameTaken, to,
                                          "a set of that name exists (letter case aside)"));
    return change;
  }
  SavedSet renamed = set->set;
  renamed.name = to;
  if (!planner.WriteSet(change, renamed, samePath ? std::optional<std::string>(set->bytes) : std::nullopt,
                        false))
    return change;
  if (!samePath) change.m_writes.push_back({set->path, set->bytes, std::nullopt, false});
  SeasonPlanner::Effect(change, "rename the set \"" + set->set.name + "\" to \"" + to + "\"");
  const std::optional<std::string> active = ReadActive(planner.context());
  if (active && Folded(*active) == Folded(set->set.name)) planner.WriteActive(change, to);
  return change;
}

SeasonChange SeasonService::PlanSetExport(const std::string& name,
                                          const std::string& filePath) const {
  const SeasonPlanner planner{m_files, m_gameFolder};
  SeasonChange change;
  const std::optional<LoadedSet> set = ReadSet(planner.context(), name, change.m_problem);
  if (!set) return change;
  Calendar calendar;
  calendar.name = set->set.name;
  for (const SeasonFileId file : kBothFiles)
    calendar.events[IndexOf(file)] =
        SeasonPlanner::CalendarEvents(change, file, set->set.files[IndexOf(file)]);
  if (IsFolder(m_files, filePath)) {
    SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kBadName, "",
                                          "it is a folder; name the calendar file to write in it",
                                          filePath));
    return change;
  }
  std::optional<std::string> now;
  try {
    now = m_files.ReadExistingFile(filePath, kMaxCalendarBytes * 2);
  } catch (const CFileException& error) {
    SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kNotWritable, filePath,
                                          FileErrorReason(error.Cause()), filePath));
    return change;
  }
  const std::string bytes = SerializeCalendar(calendar);
  std::string error;
  if (!ReadsBack(bytes, calendar, ParseCalendar, error)) {
    SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kInvalidFile, filePath,
                                          "the calendar would not read back: " + error, filePath));
    return change;
  }
  if (now) {
    change.m_questions.push_back({m_files.NativePath(filePath) + " exists. Replace it?",
                                  {filePath}, /*overwrite=*/true, /*undoable=*/false});
  }
  change.m_writes.push_back({filePath, now, bytes, false});
  SeasonPlanner::Effect(change, "write the calendar \"" + calendar.name + "\" (" +
                                    std::to_string(calendar.events[0].size()) + " and " +
                                    std::to_string(calendar.events[1].size()) + " events)");
  return change;
}

SeasonChange SeasonService::PlanSetImport(const std::string& filePath, const std::string& as,
                                          bool onlyInstalled) const {
  const SeasonPlanner planner{m_files, m_gameFolder};
  SeasonChange change;
  bool truncated = false;
  const std::optional<std::string> bytes =
      m_files.ReadWholeFile(filePath, kMaxCalendarBytes + 1, &truncated);
  if (!bytes) {
    SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kNotFound, filePath,
                                          "the calendar file cannot be read", filePath));
    return change;
  }
  std::string error = "the calendar is larger than 1 MiB";
  std::optional<Calendar> calendar =
      truncated || bytes->size() > kMaxCalendarBytes ? std::nullopt : ParseCalendar(*bytes, error);
  if (!calendar) {
    SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kInvalidFile, filePath, error, filePath));
    return change;
  }
  const std::string name = as.empty() ? calendar->name : as;
  if (!IsValidSetName(name)) {
    SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kBadName, name,
                                          std::string(kSetNameRule) + " (give one with --as)"));
    return change;
  }
  if (planner.SetBytes(name)) {
    SeasonPlanner::Refuse(change, Problem(SeasonRefusal::kNameTaken, name,
                                          "a set of that name exists (give another with --as)"));
    return change;
  }
  if (!planner.Start(change)) return change;
  std::optional<Library> library = ReadLibrary(planner.context(), change.m_problem);
  if (!library) return change;
  SavedSet set;
  set.name = name;
  set.savedTime = LocalTimeText();
  for (const SeasonFileId file : kBothFiles) {
    const int i = IndexOf(file);
    std::vector<CalendarEvent> kept;
    for (CalendarEvent& event : calendar->events[i]) {
      const bool installed = IsFolder(m_files, m_gameFolder + kTracksFolder + event.trackDirectory);
      if (!installed) {
        change.m_notInstalled.push_back(
            std::string(SeasonFileNameOf(file)) + ": " +
            BodyValue(event.body, "name").value_or(event.trackDirectory) + " (" +
            event.trackDirectory + ")");
        SeasonPlanner::Effect(change, file,
                              std::string(onlyInstalled ? "leave out" : "keep") + " the event of " +
                                  event.trackDirectory + ", whose tracks\\" +
                                  event.trackDirectory + " is not installed");
        if (onlyInstalled) continue;
      }
      SeasonPlanner::Remember(change, *library, {event.trackDirectory, "", event.body});
      kept.push_back(std::move(event));
    }
    if (kept.empty() && !change.m_before[i]) continue;
    std::string text = WithoutEvents(change.m_before[i].value_or(std::string()));
    for (const CalendarEvent& event : kept) text = AppendEvent(text, event.body);
    set.files[i] = text;
  }
  const int count = EventCountOf(set.files[0].value_or(""));
  if (count > MAX_SEASON_EVENTS) {
    SeasonProblem problem = Problem(SeasonRefusal::kSeasonFull, name,
                                    "the calendar's 67season.ini holds " + std::to_string(count) +
                                        " events; the game shows at most 64");
    problem.mustGo = count - MAX_SEASON_EVENTS;
    SeasonPlanner::Refuse(change, problem);
    return change;
  }
  if (!planner.WriteSet(change, set, std::nullopt, false) ||
      !planner.WriteLibrary(change, *library, false))
    return change;
  SeasonPlanner::Effect(change, "import the set \"" + name + "\" (" + std::to_string(count) + " and " +
                                    std::to_string(EventCountOf(set.files[1].value_or(""))) +
                                    " events)");
  return change;
}

// -------------------------------------------------------------------------------------- commit

SeasonProblem SeasonService::Check(const SeasonChange& change, const CommitOptions& options) const {
  if (change.Problem()) return change.Problem();
  if (!change.ChangesSeasonFiles()) return {};
  // The game, and the real reason a file (or the undo folder) cannot be written, before anything.
  const SeasonFileChoice changed{change.Changes(SeasonFileId::kSeason),
                                 change.Changes(SeasonFileId::kChampionship)};
  if (SeasonProblem problem = CheckCommand(changed, options)) return problem;
  for (const SeasonFileId file : kBothFiles) {
    if (change.Changes(file) && change.Before(file) && !options.clearReadOnly &&
        HasReadOnlyMark(m_files, PathOf(file))) {
      return Problem(SeasonRefusal::kReadOnly, SeasonFileNameOf(file), "it is marked read-only",
                     PathOf(file));
    }
  }
  return {};
}

namespace {

// One write of ours: the folder of ours made first; a delete reads once more right before, so a
// change made meanwhile stays.
bool WriteOwn(FileSystem& files, const std::string& game, const std::string& path,
              const std::optional<std::string>& expected, const std::optional<std::string>& bytes) {
  try {
    if (!bytes) {
      return ReadOwnFile(files, path, kMaxSetBytes) == expected && files.RemoveFile(path);
    }
    const std::string ours = game + kSeasonsFolder + "\\gridmoor-";
    if (path.compare(0, ours.size(), ours) == 0)
      files.CreateDirectoryLevel(path.substr(0, path.rfind('\\')));
    return files.ReplaceFileContents(path, expected, *bytes);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

CommitResult SeasonService::Commit(const SeasonChange& change, const CommitOptions& options) {
  CommitResult result;
  result.problem = Check(change, options);
  if (result.problem) return result;
  const auto fail = [&result](const std::string& path) {
    result.problem = Problem(SeasonRefusal::kWriteFailed, path,
                             "it could not be written (changed meanwhile, or no room or right to "
                             "write a new file beside it)",
                             path);
  };

  const bool season = change.ChangesSeasonFiles();
  if (season && options.clearReadOnly) {
    for (const SeasonFileId file : kBothFiles) {
      if (!change.Changes(file) || !change.Before(file)) continue;
      try {
        if (HasReadOnlyMark(m_files, PathOf(file))) ClearReadOnlyMark(m_files, PathOf(file));
      } catch (const CFileException& error) {
        result.problem = Problem(SeasonRefusal::kNotWritable, SeasonFileNameOf(file),
                                 std::string("its read-only mark cannot be cleared: ") +
                                     FileErrorReason(error.Cause()),
                                 PathOf(file));
        return result;
      }
    }
  }
  // The writes in the order they must reach the disk: the undo step, the files of ours that
  // keep what the season files lose, the season files, the rest of ours. The replaces go to the
  // file system together, one group per kind, so it can share its flushes; a deletion, or a
  // folder of ours still to make, is done on its own between them.
  enum class Phase { kStep, kBefore, kSeason, kAfter };
  struct Write {
    Phase phase;
    std::string path;
    std::optional<std::string> expected;
    std::optional<std::string> bytes;  // nullopt: delete the file
  };
  std::vector<Write> writes;
  if (season) {
    const std::optional<std::string> after[2] = {change.After(SeasonFileId::kSeason),
                                                 change.After(SeasonFileId::kChampionship)};
    const std::optional<FileReplacement> step =
        PlanSeasonStep(m_files, m_gameFolder, options.command, after);
    if (step) writes.push_back({Phase::kStep, step->path, step->expected, step->bytes});
  }
  for (const SeasonChange::OwnWrite& write : change.m_writes) {
    if (write.beforeSeason)
      writes.push_back({Phase::kBefore, write.path, write.expected, write.bytes});
  }
  for (const SeasonFileId file : kBothFiles) {
    if (change.Changes(file))
      writes.push_back({Phase::kSeason, PathOf(file), change.Before(file), change.After(file)});
  }
  for (const SeasonChange::OwnWrite& write : change.m_writes) {
    if (!write.beforeSeason)
      writes.push_back({Phase::kAfter, write.path, write.expected, write.bytes});
  }
  const auto undoNotKept = [&result, this] {
    result.problem = Problem(SeasonRefusal::kUndoNotKept, "", "the undo step cannot be written",
                             HistoryFolder(m_gameFolder));
  };
  if (season && (writes.empty() || writes.front().phase != Phase::kStep)) {
    undoNotKept();
    return result;
  }
  const auto failed = [&](const Write& write) {
    if (write.phase == Phase::kStep) return undoNotKept();
    fail(write.path);
    if (result.stepKept && write.phase != Phase::kAfter) SettleFailedStep(m_files, m_gameFolder);
  };
  // What a commit killed mid-write left in these folders goes first (our ".~" temporaries only).
  std::set<std::string> folders;
  for (const Write& write : writes) folders.insert(write.path.substr(0, write.path.rfind('\\')));
  // Only in the game's own seasons folders: an export target is the player's folder, whose
  // files we do not know.
  const std::string seasons = m_gameFolder + kSeasonsFolder;
  for (const std::string& folder : folders) {
    if (folder.compare(0, seasons.size(), seasons) == 0) m_files.RemoveStaleTemporaries(folder);
  }
  std::vector<std::vector<FileReplacement>> groups;
  std::vector<const Write*> batch;
  const auto flush = [&]() {
    const std::size_t done = batch.empty() ? 0 : m_files.ReplaceFilesInOrder(groups);
    for (std::size_t i = 0; i < done; ++i) {
      if (batch[i]->phase == Phase::kStep) result.stepKept = true;
    }
    const bool whole = done == batch.size();
    if (!whole) failed(*batch[done]);
    groups.clear();
    batch.clear();
    return whole;
  };
  const std::string ours = m_gameFolder + kSeasonsFolder + "\\gridmoor-";
  for (const Write& write : writes) {
    const std::string folder = write.path.substr(0, write.path.rfind('\\'));
    const bool makeFolder =
        write.path.compare(0, ours.size(), ours) == 0 && !IsFolder(m_files, folder);
    if (!write.bytes || makeFolder) {
      if (!flush()) return result;
      bool done = true;
      try {
        if (!write.bytes) {
          const std::optional<std::string> now =
              write.phase == Phase::kSeason
                  ? m_files.ReadExistingFile(write.path, kMaxSeasonFileBytes)
                  : ReadOwnFile(m_files, write.path, kMaxSetBytes);
          // Read once more right before: a change made meanwhile stays.
          done = now == write.expected && m_files.RemoveFile(write.path);
        } else {
          m_files.CreateDirectoryLevel(folder);
        }
      } catch (const std::exception&) {
        done = false;
      }
      if (!done) {
        failed(write);
        return result;
      }
      if (!write.bytes) continue;
    }
    if (batch.empty() || batch.back()->phase != write.phase) groups.emplace_back();
    groups.back().push_back({write.path, write.expected, *write.bytes});
    batch.push_back(&write);
  }
  if (!flush()) return result;
  for (const std::string& folder : change.m_deleteFolders) {
    if (!m_files.RemoveFolderTree(folder)) {
      result.problem = Problem(SeasonRefusal::kWriteFailed, folder, "it could not be deleted whole",
                               folder);
      return result;
    }
  }
  for (const std::string& file : change.m_deleteFiles) {
    if (!m_files.RemoveFile(file)) {
      fail(file);
      return result;
    }
  }
  return result;
}

SeasonProblem SeasonService::CheckCommand(SeasonFileChoice choice,
                                          const CommitOptions& options) const {
  if (!options.evenIfGameRuns && GameRuns()) {
    return Problem(SeasonRefusal::kGameRunning, kGameProgram,
                   "the game holds the season in memory and may write it back");
  }
  std::vector<std::string> paths;
  for (const SeasonFileId file : kBothFiles) {
    if (choice.Has(file)) paths.push_back(PathOf(file));
  }
  if (const std::optional<std::string> blocker = FindWriteBlocker(m_files, m_gameFolder, paths))
    return Problem(SeasonRefusal::kNotWritable, "", *blocker);
  return {};
}

bool SeasonService::BeginCommand(const std::string& command) {
  return KeepSeasonStep(m_files, m_gameFolder, command);
}

void SeasonService::EndCommand() { DropUnchangedStep(m_files, m_gameFolder); }

bool SeasonService::RememberInstalled(const TrackPackage& package) {
  try {
    const std::optional<std::string> season =
        m_files.ReadExistingFile(PathOf(SeasonFileId::kSeason), kMaxSeasonFileBytes);
    if (!season) return false;
    const std::vector<int> naming = EventsNaming(*season, package.trackDirectory);
    if (naming.empty()) return false;
    SeasonProblem problem;
    std::optional<Library> library = ReadLibrary({m_files, m_gameFolder}, problem);
    if (!library) return false;
    const std::string replay =
        package.replayfilename == kMissingValue ? std::string() : package.replayfilename;
    if (library->Put({package.trackDirectory, IsPlainFileName(replay) ? replay : std::string(),
                      EventBody(*season, naming.back()).value_or("")}))
      return false;
    const std::string bytes = SerializeLibrary(library->entries);
    if (bytes == library->bytes) return true;
    std::string error;
    if (!ReadsBack(bytes, library->entries, ParseLibrary, error)) return false;
    return WriteOwn(m_files, m_gameFolder, m_gameFolder + kLibraryFile, library->bytes, bytes);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace gridmoor
