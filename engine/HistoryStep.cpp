#include "engine/HistoryStep.h"

#include <algorithm>
#include <set>
#include <exception>

#include "engine/SeasonEvents.h"
#include "engine/SeasonUpdate.h"
#include "engine/TrackPackage.h"
#include "platform/ProfileText.h"
#include "platform/FileException.h"

namespace gridmoor::history {
namespace {

constexpr const char* kStepMagic = "gridmoor undo step 1";
// Files of ours are small (sets, the library, records); a larger step is not ours.
constexpr std::size_t kMaxStepBytes = 256u * 1024 * 1024;
constexpr std::size_t kMaxOwnBytes = 64u * 1024 * 1024;
// The active-set record holds one set name; a larger file is no record a step keeps.
constexpr std::size_t kMaxActiveRecordBytes = 4096;

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\0' || c == '\t') c = ' ';
  }
  return text;
}

std::string Hex(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (const unsigned char c : bytes) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

std::optional<std::string> FromHex(const std::string& text) {
  const auto digit = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  if (text.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = digit(text[i]), low = digit(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
  }
  return out;
}

std::optional<std::size_t> ParseSize(const std::string& text) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  std::size_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  return value;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

// Only plain names below the game folder, never into the history itself: a record edited by
// hand must not lead a restore anywhere else.
bool IsSafeRelative(const std::string& path) {
  if (path.empty()) return false;
  for (const std::string& part : Split(path, '\\')) {
    if (part.empty() || !IsPlainFileName(part)) return false;
  }
  std::string folded = path;
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded.rfind("seasons\\gridmoor-undo", 0) != 0;
}

std::string SlotName(int number, bool redo) {
  const int slot = number % kMaxHistorySteps;
  return std::string(redo ? "redo-" : "step-") + (slot < 10 ? "0" : "") + std::to_string(slot);
}

}  // namespace

std::string Describe(const std::optional<std::string>& bytes) {
  if (!bytes) return "missing";
  return std::to_string(bytes->size()) + " " + DigestText(*bytes);
}

const char* FileName(int i) { return SeasonFileNameOf(static_cast<SeasonFileId>(i)); }

std::string RecordPath(const std::string& gameFolder, int number, bool redo) {
  return HistoryFolder(gameFolder) + "\\" + SlotName(number, redo);
}

std::string StoreFolder(const Step& step) { return step.path + ".d"; }

std::string StoredFile(const Step& step, std::size_t gameIndex) {
  return StoreFolder(step) + "\\" + std::to_string(gameIndex);
}

std::string Relative(const std::string& gameFolder, const std::string& path) {
  if (path.size() <= gameFolder.size() + 1 || path.compare(0, gameFolder.size(), gameFolder) != 0 ||
      path[gameFolder.size()] != '\\')
    return {};
  const std::string relative = path.substr(gameFolder.size() + 1);
  return IsSafeRelative(relative) ? relative : std::string();
}

std::string Serialize(const Step& step) {
  std::string out = std::string(kStepMagic) + "\n";
  out += "number=" + std::to_string(step.info.number) + "\n";
  out += "time=" + OneLine(step.info.time) + "\n";
  out += "command=" + OneLine(step.info.command) + "\n";
  for (const std::string& change : step.info.changes) out += "change=" + OneLine(change) + "\n";
  for (int i = 0; i < kFileCount; ++i) {
    out += std::string(FileName(i)) + "=" +
           (step.kept[i] ? std::to_string(step.kept[i]->size()) : "missing") + "\n";
  }
  // In hex: the record is short, and any bytes stay on one line.
  if (step.activeKnown) out += "active=" + (step.active ? Hex(*step.active) : "missing") + "\n";
  for (int i = 0; i < kFileCount; ++i) {
    if (step.after[i]) out += std::string("after ") + FileName(i) + "=" + *step.after[i] + "\n";
  }
  for (const Entry& entry : step.entries) {
    const std::string before = !entry.existed ? "missing"
                               : entry.game   ? "kept"
                                              : std::to_string(entry.bytes ? entry.bytes->size() : 0);
    out += std::string(entry.game ? "game=" : "own=") + before + "\t" + entry.after + "\t" +
           entry.path + "\n";
  }
  for (const Folder& folder : step.folders)
    out += std::string("folder=") + (folder.existed ? "there" : "missing") + "\t" + folder.path + "\n";
  out += "\n";
  for (const auto& kept : step.kept) {
    if (kept) out += *kept;
  }
  for (const Entry& entry : step.entries) {
    if (!entry.game && entry.existed && entry.bytes) out += *entry.bytes;
  }
  return out;
}

std::optional<Step> Parse(const std::string& raw) {
  const std::size_t end = raw.find("\n\n");
  if (end == std::string::npos) return std::nullopt;
  Step step;
  std::optional<std::size_t> sizes[kFileCount];
  bool missing[kFileCount] = {};
  std::vector<std::size_t> ownSizes;
  bool magic = false;
  std::size_t start = 0;
  while (start <= end) {
    const std::size_t stop = raw.find('\n', start);
    const std::string line = raw.substr(start, stop - start);
    start = stop + 1;
    if (!magic) {
      if (line != kStepMagic) return std::nullopt;
      magic = true;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "number") {
      const std::optional<std::size_t> number = ParseSize(value);
      if (!number || *number == 0 || *number > 1000000000) return std::nullopt;
      step.info.number = static_cast<int>(*number);
    } else if (key == "time") {
      step.info.time = value;
    } else if (key == "command") {
      step.info.command = value;
    } else if (key == "change") {
      step.info.changes.push_back(value);
    } else if (key == "active") {
      step.activeKnown = true;
      if (value != "missing") {
        step.active = FromHex(value);
        if (!step.active) return std::nullopt;
      }
    } else if (key == "game" || key == "own") {
      const std::vector<std::string> fields = Split(value, '\t');
      if (fields.size() != 3 || !IsSafeRelative(fields[2])) return std::nullopt;
      Entry entry;
      entry.game = key == "game";
      entry.existed = fields[0] != "missing";
      entry.after = fields[1];
      entry.path = fields[2];
      if (!entry.game && entry.existed) {
        const std::optional<std::size_t> size = ParseSize(fields[0]);
        if (!size) return std::nullopt;
        ownSizes.push_back(*size);
      } else if (entry.game && entry.existed && fields[0] != "kept") {
        return std::nullopt;
      }
      step.entries.push_back(std::move(entry));
    } else if (key == "folder") {
      const std::vector<std::string> fields = Split(value, '\t');
      if (fields.size() != 2 || !IsSafeRelative(fields[1])) return std::nullopt;
      step.folders.push_back({fields[1], fields[0] == "there"});
    }
    for (int i = 0; i < kFileCount; ++i) {
      if (key == FileName(i)) {
        missing[i] = value == "missing";
        sizes[i] = ParseSize(value);
        if (!missing[i] && !sizes[i]) return std::nullopt;
      } else if (key == std::string("after ") + FileName(i)) {
        step.after[i] = value;
      }
    }
  }
  if (step.info.number == 0) return std::nullopt;
  std::size_t offset = end + 2;
  for (int i = 0; i < kFileCount; ++i) {
    if (missing[i]) continue;
    if (!sizes[i] || raw.size() - offset < *sizes[i]) return std::nullopt;
    step.kept[i] = raw.substr(offset, *sizes[i]);
    offset += *sizes[i];
  }
  std::size_t own = 0;
  for (Entry& entry : step.entries) {
    if (entry.game || !entry.existed) continue;
    const std::size_t size = ownSizes[own++];
    if (raw.size() - offset < size) return std::nullopt;
    entry.bytes = raw.substr(offset, size);
    offset += size;
  }
  if (offset != raw.size()) return std::nullopt;
  step.raw = raw;
  return step;
}

std::vector<Step> ReadSteps(FileSystem& files, const std::string& gameFolder, bool redo) {
  std::vector<Step> steps;
  // Only the slots that exist are read: one listing instead of a read per slot.
  const std::optional<std::vector<FolderEntry>> entries = files.ListFolder(HistoryFolder(gameFolder));
  if (!entries) return steps;
  for (int slot = 0; slot < kMaxHistorySteps; ++slot) {
    const std::string name = SlotName(slot, redo);
    if (std::none_of(entries->begin(), entries->end(),
                     [&name](const FolderEntry& entry) { return entry.name == name && !entry.isFolder; }))
      continue;
    const std::string path = RecordPath(gameFolder, slot, redo);
    bool truncated = false;
    const std::optional<std::string> raw = files.ReadWholeFile(path, kMaxStepBytes, &truncated);
    if (!raw || truncated) continue;
    std::optional<Step> step = Parse(*raw);
    // A step in the wrong slot was not written by us; it would be overwritten out of turn.
    if (!step || step->info.number % kMaxHistorySteps != slot) continue;
    step->path = path;
    step->info.redo = redo;
    steps.push_back(std::move(*step));
  }
  std::sort(steps.begin(), steps.end(),
            [](const Step& a, const Step& b) { return a.info.number > b.info.number; });
  return steps;
}

int NewestNumber(FileSystem& files, const std::string& gameFolder, bool redo) {
  int newest = 0;
  const std::optional<std::vector<FolderEntry>> entries = files.ListFolder(HistoryFolder(gameFolder));
  if (!entries) return 0;
  // From the first line of each record alone: a commit need not read every kept season.
  const std::string prefix = std::string(kStepMagic) + "\nnumber=";
  for (int slot = 0; slot < kMaxHistorySteps; ++slot) {
    const std::string name = SlotName(slot, redo);
    if (std::none_of(entries->begin(), entries->end(),
                     [&name](const FolderEntry& entry) { return entry.name == name; }))
      continue;
    const std::optional<std::string> head = files.ReadWholeFile(RecordPath(gameFolder, slot, redo), 64);
    if (!head || head->compare(0, prefix.size(), prefix) != 0) continue;
    const std::size_t end = head->find('\n', prefix.size());
    if (end == std::string::npos) continue;
    const std::optional<std::size_t> number = ParseSize(head->substr(prefix.size(), end - prefix.size()));
    if (number && *number <= 1000000000 && static_cast<int>(*number) % kMaxHistorySteps == slot)
      newest = std::max(newest, static_cast<int>(*number));
  }
  return newest;
}

std::optional<std::string> ReadSeasonFile(FileSystem& files, const std::string& gameFolder, int i) {
  return files.ReadExistingFile(SeasonFilePath(gameFolder, FileName(i)), kMaxSeasonFileBytes);
}

std::optional<std::string> ReadActiveRecord(FileSystem& files, const std::string& gameFolder) {
  try {
    return files.ReadExistingFile(gameFolder + kActiveSetFile, kMaxActiveRecordBytes);
  } catch (const CFileException& error) {
    // It comes with the first set, its folder too.
    if (error.Cause() == kCauseBadPath && !IsFolder(files, gameFolder + kSetsFolder))
      return std::nullopt;
    throw;
  }
}

std::optional<std::string> ReadOwn(FileSystem& files, const std::string& path) {
  try {
    return files.ReadExistingFile(path, kMaxOwnBytes);
  } catch (const CFileException& error) {
    // A folder of ours not made yet holds no file.
    if (error.Cause() == kCauseBadPath) return std::nullopt;
    throw;
  }
}

void Capture(FileSystem& files, const std::string& gameFolder, const StepScope& scope, Step& step) {
  for (int i = 0; i < kFileCount; ++i) step.kept[i] = ReadSeasonFile(files, gameFolder, i);
  try {
    step.active = ReadActiveRecord(files, gameFolder);
    step.activeKnown = true;
  } catch (const std::exception&) {
    step.activeKnown = false;  // a restore then leaves the record alone
  }
  const auto held = [&step](const std::string& relative) {
    return std::any_of(step.entries.begin(), step.entries.end(),
                       [&relative](const Entry& entry) { return entry.path == relative; });
  };
  const std::string active = Relative(gameFolder, gameFolder + kActiveSetFile);
  for (const std::string& path : scope.ownFiles) {
    const std::string relative = Relative(gameFolder, path);
    if (relative.empty() || relative == active || held(relative)) continue;
    Entry entry;
    entry.path = relative;
    entry.bytes = ReadOwn(files, path);
    entry.existed = entry.bytes.has_value();
    step.entries.push_back(std::move(entry));
  }
  for (const std::string& path : scope.gameFiles) {
    const std::string relative = Relative(gameFolder, path);
    if (relative.empty() || held(relative)) continue;
    const std::string now = files.Fingerprint(path);
    if (now == "unreadable") throw CFileException(kCauseGeneric, path);
    Entry entry;
    entry.path = relative;
    entry.game = true;
    entry.existed = now != "missing";
    step.entries.push_back(std::move(entry));
  }
  for (const std::string& path : scope.folders) {
    const std::string relative = Relative(gameFolder, path);
    if (relative.empty() ||
        std::any_of(step.folders.begin(), step.folders.end(),
                    [&relative](const Folder& folder) { return folder.path == relative; }))
      continue;
    step.folders.push_back({relative, IsFolder(files, path)});
  }
}

bool MoveIn(FileSystem& files, const std::string& gameFolder, const Step& step) {
  std::vector<std::pair<std::string, std::string>> moved;
  bool ok = true;
  try {
    std::size_t index = 0;
    for (const Entry& entry : step.entries) {
      if (!entry.game) continue;
      const std::string stored = StoredFile(step, index++);
      const std::string path = Full(gameFolder, entry.path);
      if (!entry.existed || files.Fingerprint(path) == "missing" ||
          files.Fingerprint(stored) != "missing")
        continue;
      if (moved.empty()) files.CreateDirectoryLevel(StoreFolder(step));
      if (!files.MoveFile(path, stored)) {
        ok = false;
        break;
      }
      moved.emplace_back(stored, path);
    }
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok) {
    for (auto it = moved.rbegin(); it != moved.rend(); ++it) files.MoveFile(it->first, it->second);
  }
  return ok;
}

void NoteAfter(FileSystem& files, const std::string& gameFolder, Step& step) {
  for (int i = 0; i < kFileCount; ++i) step.after[i] = Describe(ReadSeasonFile(files, gameFolder, i));
  for (Entry& entry : step.entries) {
    const std::string path = Full(gameFolder, entry.path);
    entry.after = entry.game ? files.Fingerprint(path) : Describe(ReadOwn(files, path));
  }
}

void Drop(FileSystem& files, const Step& step) {
  // The record first: a step half dropped never looks whole.
  files.RemoveFile(step.path);
  files.RemoveFolderTree(StoreFolder(step));
}

void DropRedoSteps(FileSystem& files, const std::string& gameFolder) {
  for (const Step& step : ReadSteps(files, gameFolder, /*redo=*/true)) Drop(files, step);
}

std::uint64_t StoredBytes(FileSystem& files, const Step& step) {
  std::uint64_t total = 0;
  std::size_t index = 0;
  for (const Entry& entry : step.entries) {
    if (!entry.game) continue;
    const std::string stored = StoredFile(step, index++);
    if (!entry.existed) continue;
    const std::string print = files.Fingerprint(stored);
    const std::optional<std::size_t> size = ParseSize(print.substr(0, print.find(' ')));
    if (size) total += *size;
  }
  return total;
}

void MakeRoom(FileSystem& files, const std::string& gameFolder, int keepNumber, bool keepRedo) {
  const std::uint64_t limit = StepRoomLimit(files, gameFolder);
  std::uint64_t total = 0;
  for (const Step& step : ReadSteps(files, gameFolder, /*redo=*/true)) total += StoredBytes(files, step);
  std::vector<Step> steps = ReadSteps(files, gameFolder, /*redo=*/false);
  std::vector<std::uint64_t> bytes;
  for (const Step& step : steps) total += bytes.emplace_back(StoredBytes(files, step));
  // Oldest first. Restore goes back one step at a time, so a step goes with every older one.
  int cutoff = 0;
  for (std::size_t i = steps.size(); i-- > 0 && total > limit;) {
    if (!keepRedo && steps[i].info.number == keepNumber) break;
    total -= bytes[i];
    cutoff = steps[i].info.number;
  }
  for (const Step& step : steps) {
    if (step.info.number <= cutoff) Drop(files, step);
  }
}

// The events of a season file's text, numbered as the game reads them, with their folders.
std::vector<std::pair<int, std::string>> EventFolders(const std::optional<std::string>& text) {
  std::vector<std::pair<int, std::string>> events;
  if (!text) return events;
  const std::optional<std::string_view> countText = FindProfileValue(*text, "Season", "numEvents");
  const int count = std::min(ParseEventCount(countText ? std::string(*countText) : ""),
                             kMaxSeasonEventNumber);
  std::vector<bool> seen(static_cast<std::size_t>(std::max(count, 0)) + 1);
  for (const auto& [section, folder] : ProfileValuesOfKey(*text, "trackDirectory")) {
    const int number = EventNumberOfSection(std::string(section));
    // The first section of a name is the event; later ones are never read.
    if (number < 1 || number > count || seen[static_cast<std::size_t>(number)]) continue;
    seen[static_cast<std::size_t>(number)] = true;
    events.emplace_back(number, std::string(folder));
  }
  std::sort(events.begin(), events.end());
  return events;
}

// The events of `from` whose folders `to` does not have as often, by folder.
std::vector<std::pair<int, std::string>> EventsNotIn(
    const std::vector<std::pair<int, std::string>>& from,
    const std::vector<std::pair<int, std::string>>& to) {
  std::multiset<std::string> left;
  for (const auto& event : to) left.insert(event.second);
  std::vector<std::pair<int, std::string>> missing;
  for (const auto& event : from) {
    const auto found = left.find(event.second);
    if (found != left.end()) {
      left.erase(found);
    } else {
      missing.push_back(event);
    }
  }
  return missing;
}

// A new step of `command`, numbered after the newest, with what `scope` names captured.
Step NewStep(FileSystem& files, const std::string& gameFolder, const std::string& command,
             const StepScope& scope, bool redo) {
  Step step;
  Capture(files, gameFolder, scope, step);
  files.CreateDirectoryLevel(HistoryFolder(gameFolder));
  step.info.number = NewestNumber(files, gameFolder, redo) + 1;
  step.info.time = LocalTimeText();
  step.info.command = OneLine(command);
  step.info.redo = redo;
  step.path = RecordPath(gameFolder, step.info.number, redo);
  return step;
}

// The slot's old step (the oldest, once the folder is full) gives way, its folder too.
std::optional<std::string> FreeSlot(FileSystem& files, const Step& step) {
  files.RemoveFolderTree(StoreFolder(step));
  return files.ReadExistingFile(step.path, std::size_t{256} << 20);
}

bool HoldsChange(const Step& step) {
  for (int i = 0; i < kFileCount; ++i) {
    if (step.after[i] && *step.after[i] != Describe(step.kept[i])) return true;
  }
  return std::any_of(step.entries.begin(), step.entries.end(), [](const Entry& entry) {
    return entry.game ? entry.existed || entry.after != "missing"
                      : entry.after != Describe(entry.bytes);
  });
}

}  // namespace gridmoor::history
