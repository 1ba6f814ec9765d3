#pragma once
// What the history's pieces share: where the history lives, a step as it is listed, what a
// command names for its step to hold, and the room kept files may take. The step's record
// (HistoryStep.h) and the history's operations (SeasonHistory.h) both build on it.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace gridmoor {

// Steps kept at most; older ones are dropped when a new one is kept.
constexpr int kMaxHistorySteps = 50;

// The local time now as steps and sets record it, "YYYY-MM-DD HH:MM:SS".
std::string LocalTimeText();

// The undo folder of a game folder: gameFolder + "\seasons\gridmoor-undo".
std::string HistoryFolder(const std::string& gameFolder);

struct HistoryStep {
  int number = 0;         // increasing; the newest step has the highest number
  std::string time;       // local time the step was kept, "YYYY-MM-DD HH:MM:SS"
  std::string command;    // the command line that made the change
  // What the command changed, one line each ("67season.ini: added Event6 alder", "gp.ini:
  // removed Event2 brockhurst", "gp.ini: changed, no event added or removed"); empty until the
  // command has ended (DropUnchangedStep).
  std::vector<std::string> changes;
  // What the step holds besides the season files, one line each ("9 files of tracks\calder",
  // "seasons\gridmoor-sets\set-4c65", "the active-set record"), and its size on disk.
  std::vector<std::string> holds;
  std::uint64_t bytes = 0;
  bool redo = false;  // a redo step: what a restore took back
};

// What a command changes besides the two season files and the active-set record, as engine
// paths inside the game folder.
struct StepScope {
  std::vector<std::string> ownFiles;   // files of ours, kept whole in the step's record
  std::vector<std::string> gameFiles;  // files replaced, added or deleted: moved into the step
  std::vector<std::string> folders;    // folders the command makes or deletes
};

// The room the game files kept by steps may take, all steps together, unless the player set
// another (SetStepRoomLimit); the oldest steps holding files go first when a new one would pass
// it.
constexpr std::uint64_t kDefaultStepRoom = std::uint64_t{1} << 30;
std::uint64_t StepRoomLimit(FileSystem& files, const std::string& gameFolder);
// Where the player's room is saved.
std::string RoomSettingPath(const std::string& gameFolder);

}  // namespace gridmoor
