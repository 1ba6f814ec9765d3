#include "engine/SeasonHistory.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <exception>
#include <set>

#include "engine/GameFiles.h"
#include "engine/SeasonEvents.h"
#include "engine/SeasonUpdate.h"
#include "engine/TrackPackage.h"
#include "platform/ProfileText.h"
#include "platform/FileException.h"

namespace gridmoor {
namespace {

// The season file of step slot i: 67season.ini, then gp.ini.
const char* FileName(int i) { return SeasonFileNameOf(static_cast<SeasonFileId>(i)); }

constexpr std::size_t kMaxStepBytes = 2 * kMaxSeasonFileBytes + 64 * 1024;
constexpr const char* kStepMagic = "gridmoor undo step 1";
constexpr int kFileCount = kSeasonFileCount;
// The active-set record holds one set name; a larger file is no record a step keeps.
constexpr std::size_t kMaxActiveRecordBytes = 4096;

struct Step {
  HistoryStep info;
  std::optional<std::string> kept[kFileCount];  // nullopt: the file was missing
  std::optional<std::string> after[kFileCount];  // what the command left, as Describe() gives it
  // The active-set record as the command found it (nullopt: missing), when the step knows it:
  // steps kept before it was kept, or while it could not be read, leave the record alone.
  bool activeKnown = false;
  std::optional<std::string> active;
  std::string path;
  std::string raw;  // the step file's bytes as read
};

std::string StepPath(const std::string& gameFolder, int number) {
  const int slot = number % kMaxHistorySteps;
  return HistoryFolder(gameFolder) + "\\step-" + (slot < 10 ? "0" : "") + std::to_string(slot);
}

// Size and FNV-1a digest: enough to tell whether a file still holds what a command left.
std::string Describe(const std::optional<std::string>& bytes) {
  if (!bytes) return "missing";
  std::uint64_t hash = 14695981039346656037ull;
  for (const unsigned char c : *bytes) hash = (hash ^ c) * 1099511628211ull;
  static const char kHex[] = "0123456789abcdef";
  std::string digest(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) digest[i] = kHex[hash & 15];
  return std::to_string(bytes->size()) + " " + digest;
}

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
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

// The active-set record's bytes, nullopt when it is missing (its folder too: it comes with the
// first set). Throws CFileException when it exists but cannot be read whole.
std::optional<std::string> ReadActiveRecord(FileSystem& files, const std::string& gameFolder) {
  try {
    return files.ReadExistingFile(gameFolder + kActiveSetFile, kMaxActiveRecordBytes);
  } catch (const CFileException& error) {
    if (error.Cause() == kCauseBadPath && !IsFolder(files, gameFolder + kSetsFolder))
      return std::nullopt;
    throw;
  }
}

// Keeps the record in the step when it can be read; else the step leaves it alone.
void KeepActiveRecord(FileSystem& files, const std::string& gameFolder, Step& step) {
  try {
    step.active = ReadActiveRecord(files, gameFolder);
    step.activeKnown = true;
  } catch (const std::exception&) {
    step.activeKnown = false;
  }
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
  out += "\n";
  for (const auto& kept : step.kept) {
    if (kept) out += *kept;
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

// nullopt for anything but a whole, consistent step file.
std::optional<Step> Parse(const std::string& raw) {
  const std::size_t end = raw.find("\n\n");
  if (end == std::string::npos) return std::nullopt;
  Step step;
  std::optional<std::size_t> sizes[kFileCount];
  bool missing[kFileCount] = {};
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
  if (offset != raw.size()) return std::nullopt;
  step.raw = raw;
  return step;
}

// Every readable step, newest first.
std::vector<Step> ReadSteps(FileSystem& files, const std::string& gameFolder) {
  std::vector<Step> steps;
  // Only the slots that exist are read: one listing instead of a read per slot.
  const std::optional<std::vector<FolderEntry>> entries = files.ListFolder(HistoryFolder(gameFolder));
  if (!entries) return steps;
  for (int slot = 0; slot < kMaxHistorySteps; ++slot) {
    const std::string name = std::string("step-") + (slot < 10 ? "0" : "") + std::to_string(slot);
    if (std::none_of(entries->begin(), entries->end(),
                     [&name](const FolderEntry& entry) { return entry.name == name; }))
      continue;
    const std::string path = StepPath(gameFolder, slot);
    bool truncated = false;
    const std::optional<std::string> raw = files.ReadWholeFile(path, kMaxStepBytes, &truncated);
    if (!raw || truncated) continue;
    std::optional<Step> step = Parse(*raw);
    // A step in the wrong slot was not written by us; it would be overwritten out of turn.
    if (!step || step->info.number % kMaxHistorySteps != slot) continue;
    step->path = path;
    steps.push_back(std::move(*step));
  }
  std::sort(steps.begin(), steps.end(),
            [](const Step& a, const Step& b) { return a.info.number > b.info.number; });
  return steps;
}

std::optional<std::string> ReadSeasonFile(FileSystem& files, const std::string& gameFolder,
                                          int index) {
  return files.ReadExistingFile(SeasonFilePath(gameFolder, FileName(index)),
                                kMaxSeasonFileBytes);
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

}  // namespace

std::vector<std::string> DescribeSeasonChange(const std::string& fileName,
                                              const std::optional<std::string>& before,
                                              const std::optional<std::string>& after) {
  std::vector<std::string> lines;
  if (before == after) return lines;
  const auto old = EventFolders(before);
  const auto now = EventFolders(after);
  for (const auto& [number, folder] : EventsNotIn(now, old))
    lines.push_back(fileName + ": added Event" + std::to_string(number) + " " + folder);
  for (const auto& [number, folder] : EventsNotIn(old, now))
    lines.push_back(fileName + ": removed Event" + std::to_string(number) + " " + folder);
  if (lines.empty()) lines.push_back(fileName + ": changed, no event added or removed");
  return lines;
}

std::string LocalTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (const std::tm* converted = std::localtime(&now)) local = *converted;
  char text[32] = {};
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

std::string HistoryFolder(const std::string& gameFolder) {
  return gameFolder + "\\seasons\\gridmoor-undo";
}

bool KeepSeasonStep(FileSystem& files, const std::string& gameFolder, const std::string& command) {
  try {
    Step step;
    for (int i = 0; i < kFileCount; ++i) step.kept[i] = ReadSeasonFile(files, gameFolder, i);
    KeepActiveRecord(files, gameFolder, step);
    files.CreateDirectoryLevel(HistoryFolder(gameFolder));
    const std::vector<Step> steps = ReadSteps(files, gameFolder);
    step.info.number = steps.empty() ? 1 : steps.front().info.number + 1;
    step.info.time = LocalTimeText();
    step.info.command = OneLine(command);
    // The slot holds the oldest step once the folder is full; it gives way to the new one.
    const std::string path = StepPath(gameFolder, step.info.number);
    const std::optional<std::string> old = files.ReadExistingFile(path, kMaxStepBytes);
    return files.ReplaceFileContents(path, old, Serialize(step));
  } catch (const std::exception&) {
    return false;
  }
}

// The newest step's number (0: none), from the first line of each step's record alone: a commit
// need not read every kept season.
int NewestStepNumber(FileSystem& files, const std::string& gameFolder) {
  int newest = 0;
  const std::optional<std::vector<FolderEntry>> entries = files.ListFolder(HistoryFolder(gameFolder));
  if (!entries) return 0;
  for (int slot = 0; slot < kMaxHistorySteps; ++slot) {
    const std::string name = std::string("step-") + (slot < 10 ? "0" : "") + std::to_string(slot);
    if (std::none_of(entries->begin(), entries->end(),
                     [&name](const FolderEntry& entry) { return entry.name == name; }))
      continue;
    const std::optional<std::string> head = files.ReadWholeFile(StepPath(gameFolder, slot), 64);
    const std::string prefix = std::string(kStepMagic) + "\nnumber=";
    if (!head || head->compare(0, prefix.size(), prefix) != 0) continue;
    const std::size_t end = head->find('\n', prefix.size());
    if (end == std::string::npos) continue;
    const std::optional<std::size_t> number = ParseSize(head->substr(prefix.size(), end - prefix.size()));
    if (number && *number <= 1000000000 && static_cast<int>(*number) % kMaxHistorySteps == slot)
      newest = std::max(newest, static_cast<int>(*number));
  }
  return newest;
}

std::optional<FileReplacement> PlanSeasonStep(FileSystem& files, const std::string& gameFolder,
                                              const std::string& command,
                                              const std::optional<std::string> (&after)[2]) {
  try {
    Step step;
    for (int i = 0; i < kFileCount; ++i) {
      step.kept[i] = ReadSeasonFile(files, gameFolder, i);
      step.after[i] = Describe(after[i]);
      for (std::string& line : DescribeSeasonChange(FileName(i), step.kept[i], after[i]))
        step.info.changes.push_back(std::move(line));
    }
    KeepActiveRecord(files, gameFolder, step);
    files.CreateDirectoryLevel(HistoryFolder(gameFolder));
    step.info.number = NewestStepNumber(files, gameFolder) + 1;
    step.info.time = LocalTimeText();
    step.info.command = OneLine(command);
    const std::string path = StepPath(gameFolder, step.info.number);
    return FileReplacement{path, files.ReadExistingFile(path, kMaxStepBytes), Serialize(step)};
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void SettleFailedStep(FileSystem& files, const std::string& gameFolder) {
  try {
    std::vector<Step> steps = ReadSteps(files, gameFolder);
    if (steps.empty()) return;
    Step& step = steps.front();
    bool unchanged = true;
    for (int i = 0; i < kFileCount; ++i) {
      const std::optional<std::string> now = ReadSeasonFile(files, gameFolder, i);
      if (now != step.kept[i]) unchanged = false;
      step.after[i] = Describe(now);
    }
    if (unchanged) {
      files.RemoveFile(step.path);
    } else {
      files.ReplaceFileContents(step.path, step.raw, Serialize(step));
    }
  } catch (const std::exception&) {
  }
}

void DropUnchangedStep(FileSystem& files, const std::string& gameFolder) {
  try {
    std::vector<Step> steps = ReadSteps(files, gameFolder);
    if (steps.empty()) return;
    Step& step = steps.front();
    // A step that already tells what its command left belongs to a command that has ended.
    if (step.after[0] || step.after[1]) return;
    bool unchanged = true;
    for (int i = 0; i < kFileCount; ++i) {
      const std::optional<std::string> now = ReadSeasonFile(files, gameFolder, i);
      if (now != step.kept[i]) unchanged = false;
      step.after[i] = Describe(now);
      for (std::string& line : DescribeSeasonChange(FileName(i), step.kept[i], now))
        step.info.changes.push_back(std::move(line));
    }
    if (unchanged) {
      files.RemoveFile(step.path);
    } else {
      files.ReplaceFileContents(step.path, step.raw, Serialize(step));
    }
  } catch (const std::exception&) {
    // The step stays as kept: a restore then cannot tell later changes apart, nothing worse.
  }
}

std::vector<HistoryStep> ListSeasonSteps(FileSystem& files, const std::string& gameFolder) {
  std::vector<HistoryStep> list;
  try {
    for (const Step& step : ReadSteps(files, gameFolder)) list.push_back(step.info);
  } catch (const std::exception&) {
  }
  return list;
}

RestoreReport RestoreNewestStep(FileSystem& files, const std::string& gameFolder, bool dryRun) {
  RestoreReport report;
  std::string current = HistoryFolder(gameFolder);
  try {
    const std::vector<Step> steps = ReadSteps(files, gameFolder);
    if (steps.empty()) return report;
    const Step& step = steps.front();
    report.step = step.info;

    std::optional<std::string> now[kFileCount];
    for (int i = 0; i < kFileCount; ++i) {
      current = SeasonFilePath(gameFolder, FileName(i));
      now[i] = ReadSeasonFile(files, gameFolder, i);
      RestoredFile file;
      file.fileName = FileName(i);
      if (step.kept[i]) file.keptSize = step.kept[i]->size();
      if (now[i]) file.currentSize = now[i]->size();
      file.unchanged = now[i] == step.kept[i];
      file.changedSince = !file.unchanged && step.after[i] && *step.after[i] != Describe(now[i]);
      if (!file.unchanged && now[i] &&
          (files.GetStatus(current).attributes & kAttributeReadOnly) != 0) {
        report.readOnlyFiles.push_back(current);
        if (!dryRun) {
          report.status = RestoreStatus::kReadOnly;
          report.failedFile = current;
          return report;
        }
      }
      report.files.push_back(file);
      for (const auto& [number, folder] : EventsNotIn(EventFolders(step.kept[i]),
                                                      EventFolders(now[i]))) {
        if (!IsPlainFileName(folder) || !IsFolder(files, gameFolder + "\\tracks\\" + folder)) {
          report.eventsWithoutFolder.push_back(std::string(FileName(i)) + ": Event" +
                                               std::to_string(number) + " " + folder);
        }
      }
    }
    // The record goes back with the files: a set switch undone must not leave it naming the
    // set switched to, or the next switch saves these files over that set.
    std::optional<std::string> activeNow;
    if (step.activeKnown) {
      current = gameFolder + kActiveSetFile;
      activeNow = ReadActiveRecord(files, gameFolder);
      report.activeSetRestored = activeNow != step.active;
    }
    report.status = RestoreStatus::kRestored;
    if (dryRun) return report;

    for (int i = 0; i < kFileCount; ++i) {
      RestoredFile& file = report.files[i];
      if (file.unchanged) continue;
      // Someone else's change is undone too, but not lost: its bytes stay in the undo folder.
      if (file.changedSince && now[i]) {
        current = HistoryFolder(gameFolder) + "\\" + FileName(i) + ".replaced-" +
                  std::to_string(step.info.number);
        const std::optional<std::string> old = files.ReadExistingFile(current, kMaxSeasonFileBytes);
        if (!files.ReplaceFileContents(current, old, *now[i])) throw CFileException(kCauseGeneric, current);
        file.replacedCopy = current;
      }
      current = SeasonFilePath(gameFolder, FileName(i));
      bool done = false;
      if (step.kept[i]) {
        done = files.ReplaceFileContents(current, now[i], *step.kept[i]);
      } else {
        // No replace can delete; read once more right before, so a change made meanwhile stays.
        done = ReadSeasonFile(files, gameFolder, i) == now[i] && files.RemoveFile(current);
      }
      if (!done) throw CFileException(kCauseGeneric, current);
    }
    if (report.activeSetRestored) {
      current = gameFolder + kActiveSetFile;
      bool done = false;
      if (step.active) {
        files.CreateDirectoryLevel(gameFolder + kSetsFolder);
        done = files.ReplaceFileContents(current, activeNow, *step.active);
      } else {
        // Read once more right before, as for a season file.
        done = ReadActiveRecord(files, gameFolder) == activeNow && files.RemoveFile(current);
      }
      if (!done) throw CFileException(kCauseGeneric, current);
    }
    report.stepDropped = files.RemoveFile(step.path);
  } catch (const std::exception&) {
    report.status = RestoreStatus::kFailed;
    report.failedFile = current;
  }
  return report;
}

}  // namespace gridmoor
