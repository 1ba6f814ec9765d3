#pragma once
// One history step as it is kept on disk: its record file (the text and the kept bytes), the
// folder of game files moved into it, read and written whole. The history's operations
// (SeasonHistory.cpp) and its restore (HistoryRestore.cpp) share it; nothing else includes it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/GameFiles.h"
#include "engine/HistoryBasics.h"
#include "engine/SeasonRules.h"
#include "platform/FileSystem.h"

namespace gridmoor::history {

constexpr int kFileCount = kSeasonFileCount;

// A file the step holds besides the season files, by its path below the game folder.
struct Entry {
  std::string path;      // "tracks\calder\calder.dat": plain names joined by '\'
  bool game = false;     // a game file, moved into the step's folder; else bytes of ours, inline
  bool existed = false;  // there before the command
  std::optional<std::string> bytes;  // of ours and existed: its bytes before
  std::string after;     // what the command left (Fingerprint / Describe); "" unknown
};

// A folder the command makes (existed false: removed again when empty) or deletes.
struct Folder {
  std::string path;
  bool existed = false;
};

struct Step {
  HistoryStep info;
  std::optional<std::string> kept[kFileCount];   // nullopt: the file was missing
  std::optional<std::string> after[kFileCount];  // what the command left, as Describe() gives it
  // The active-set record as the command found it (nullopt: missing), when the step knows it.
  bool activeKnown = false;
  std::optional<std::string> active;
  std::vector<Entry> entries;
  std::vector<Folder> folders;
  std::string path;  // the record file
  std::string raw;   // its bytes as read ("" for a step not yet written)
};

// Size and digest of bytes, "missing" for none: what a step compares for files of ours.
std::string Describe(const std::optional<std::string>& bytes);
std::string RecordPath(const std::string& gameFolder, int number, bool redo);
// The step's folder of moved game files, and the place of the i-th game entry in it.
std::string StoreFolder(const Step& step);
std::string StoredFile(const Step& step, std::size_t gameIndex);
std::string Serialize(const Step& step);
std::optional<Step> Parse(const std::string& raw);
// Every readable step of one kind, newest first.
std::vector<Step> ReadSteps(FileSystem& files, const std::string& gameFolder, bool redo);
int NewestNumber(FileSystem& files, const std::string& gameFolder, bool redo);
// A game path below the game folder as an engine path.
inline std::string Full(const std::string& gameFolder, const std::string& relative) {
  return gameFolder + "\\" + relative;
}
// `path` (an engine path) below `gameFolder`, or "" when it is not a plain path inside it.
std::string Relative(const std::string& gameFolder, const std::string& path);

std::optional<std::string> ReadSeasonFile(FileSystem& files, const std::string& gameFolder, int i);
const char* FileName(int i);
std::optional<std::string> ReadActiveRecord(FileSystem& files, const std::string& gameFolder);
std::optional<std::string> ReadOwn(FileSystem& files, const std::string& path);

// The state now of what `scope` names (and the season files and active record) as a new step's
// "before": bytes of ours read, game files and folders looked at. Throws when a file of ours or
// a season file cannot be read.
void Capture(FileSystem& files, const std::string& gameFolder, const StepScope& scope, Step& step);
// The game files of `step` that are there and not yet in its folder, moved in; false, with those
// moved by this call moved back, when one cannot be.
bool MoveIn(FileSystem& files, const std::string& gameFolder, const Step& step);
// What the command left, into every entry's `after` and the season files'.
void NoteAfter(FileSystem& files, const std::string& gameFolder, Step& step);
// Deletes the step's record, then its folder.
void Drop(FileSystem& files, const Step& step);
// Drops every redo step: a new command starts a new line of history.
void DropRedoSteps(FileSystem& files, const std::string& gameFolder);
// Keeps the game files all steps hold within the room the player allows, dropping the oldest
// steps holding files first (never `keep`).
void MakeRoom(FileSystem& files, const std::string& gameFolder, int keepNumber, bool keepRedo);
// The bytes a step's moved files take (their sizes as recorded).
std::uint64_t StoredBytes(FileSystem& files, const Step& step);

// The events of a season file's text, numbered as the game reads them, with their folders; and
// the events of `from` whose folders `to` does not have as often.
std::vector<std::pair<int, std::string>> EventFolders(const std::optional<std::string>& text);
std::vector<std::pair<int, std::string>> EventsNotIn(
    const std::vector<std::pair<int, std::string>>& from,
    const std::vector<std::pair<int, std::string>>& to);

// A new step of `command` in the undo or redo line, numbered after its newest, with what
// `scope` names captured (not yet written).
Step NewStep(FileSystem& files, const std::string& gameFolder, const std::string& command,
             const StepScope& scope, bool redo);
// The slot's old step (the oldest, once the line is full) gives way; answers its record's bytes.
std::optional<std::string> FreeSlot(FileSystem& files, const Step& step);
// Whether the step, with what its command left noted, changed anything.
bool HoldsChange(const Step& step);

}  // namespace gridmoor::history
