#pragma once
// Undo steps for the season files: before a command changes 67season.ini or gp.ini, their bytes
// are kept as one step in seasons\gridmoor-undo\ (a folder the game never reads), written as
// safely as the season files themselves. Restoring puts the newest step's bytes back exactly
// and drops the step, so restoring again steps further back.

#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace gridmoor {

// Steps kept at most; older ones are dropped when a new one is kept.
constexpr int kMaxHistorySteps = 50;

struct HistoryStep {
  int number = 0;         // increasing; the newest step has the highest number
  std::string time;       // local time the step was kept, "YYYY-MM-DD HH:MM:SS"
  std::string command;    // the command line that made the change
};

// Keeps the current bytes of both season files (or that they are missing) as a new step, before
// `command` changes them. Answers false, and keeps nothing, when the step cannot be written; the
// caller then must not change the season files.
bool KeepSeasonStep(FileSystem& files, const std::string& gameFolder, const std::string& command);

// Drops the newest step when both season files still hold the bytes it kept: the command changed
// nothing worth undoing. Never throws.
void DropUnchangedStep(FileSystem& files, const std::string& gameFolder);

// The kept steps, newest first.
std::vector<HistoryStep> ListSeasonSteps(FileSystem& files, const std::string& gameFolder);

}  // namespace gridmoor
