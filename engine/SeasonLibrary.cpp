#include "engine/SeasonLibrary.h"

#include <algorithm>
#include <exception>

#include "engine/FileErrorText.h"
#include "engine/GameFiles.h"
#include "engine/SeasonText.h"
#include "engine/SeasonUpdate.h"
#include "engine/TrackPackage.h"
#include "platform/FileException.h"

namespace gridmoor {

const LibraryEntry* Library::Find(const std::string& folder) const {
  for (const LibraryEntry& entry : entries) {
    if (entry.trackDirectory == folder) return &entry;
  }
  return nullptr;
}

std::optional<std::string> Library::Put(LibraryEntry entry) {
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

std::optional<Library> ReadLibrary(const PlanContext& c, SeasonProblem& problem) {
  const std::string path = c.game + kLibraryFile;
  Library library;
  try {
    library.bytes = ReadOwnFile(c.files, path, kMaxLibraryBytes);
  } catch (const CFileException& error) {
    problem = MakeProblem(SeasonRefusal::kInvalidFile, "event library",
                          FileErrorReason(error.Cause()), path);
    return std::nullopt;
  }
  std::string error;
  std::optional<std::vector<LibraryEntry>> entries =
      ParseLibrary(library.bytes.value_or(std::string()), error);
  if (!entries) {
    problem = MakeProblem(SeasonRefusal::kInvalidFile, "event library", error, path);
    return std::nullopt;
  }
  library.entries = std::move(*entries);
  for (const LibraryEntry& entry : library.entries) library.entryBytes += LibraryEntryBytes(entry);
  return library;
}

void Remember(SeasonChange& change, Library& library, LibraryEntry entry) {
  const std::string folder = entry.trackDirectory;
  if (const std::optional<std::string> fault = library.Put(std::move(entry)))
    Effect(change, "not kept in the event library: the event of " + OneLineName(folder) + " (" +
                       *fault + ")");
}

bool WriteLibrary(const PlanContext& c, SeasonChange& change, const Library& library,
                  bool beforeSeason) {
  const std::string bytes = SerializeLibrary(library.entries);
  if (library.bytes.value_or(SerializeLibrary({})) == bytes) return true;
  std::string error;
  if (!ReadsBack(bytes, library.entries, ParseLibrary, error)) {
    Refuse(change, MakeProblem(SeasonRefusal::kInvalidFile, "event library",
                               "it would not read back: " + error, c.game + kLibraryFile));
    return false;
  }
  change.Build().writes.push_back({c.game + kLibraryFile, library.bytes, bytes, beforeSeason});
  return true;
}

namespace {

// Puts the package's event, as `body`, into the library file. Never throws.
bool KeepEvent(const PlanContext& c, const TrackPackage& package, std::string body) {
  try {
    SeasonProblem problem;
    std::optional<Library> library = ReadLibrary(c, problem);
    if (!library) return false;
    const std::string replay =
        package.replayfilename == kMissingValue ? std::string() : package.replayfilename;
    if (library->Put({package.trackDirectory, IsPlainFileName(replay) ? replay : std::string(),
                      std::move(body)}))
      return false;
    const std::string bytes = SerializeLibrary(library->entries);
    if (bytes == library->bytes) return true;
    std::string error;
    if (!ReadsBack(bytes, library->entries, ParseLibrary, error)) return false;
    const std::string path = c.game + kLibraryFile;
    c.files.CreateDirectoryLevel(path.substr(0, path.rfind('\\')));
    return c.files.ReplaceFileContents(path, library->bytes, bytes);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

bool RememberInstalledTrack(const PlanContext& c, const TrackPackage& package) {
  try {
    const std::optional<std::string> season =
        c.files.ReadExistingFile(c.game + kSeasonFile, kMaxSeasonFileBytes);
    if (!season) return false;
    const std::vector<int> naming = EventsNaming(*season, package.trackDirectory);
    if (naming.empty()) return false;
    return KeepEvent(c, package, EventBody(*season, naming.back()).value_or(""));
  } catch (const std::exception&) {
    return false;
  }
}

bool RememberPackageEvent(const PlanContext& c, const TrackPackage& package) {
  // The lines the install writes into a new event.
  std::string body;
  for (const EventValue& value : EventValues(package)) body += std::string(value.key) + "=" + *value.value + "\r\n";
  return KeepEvent(c, package, std::move(body));
}

}  // namespace gridmoor
