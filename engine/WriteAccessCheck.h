#pragma once
#include <optional>
#include <string>
#include <vector>

#include "engine/InstallHost.h"
#include "platform/FileSystem.h"

namespace gridmoor {

// Makes sure 67season.ini (and gp.ini when box 1001 is checked) exist, open and are not marked
// read-only, offering to clear the mark. Answers 1 when the install cannot go on, 0 when it
// may. A failure while clearing a mark escapes as CFileException.
int CheckIniFilesWritable(InstallHost& host, FileSystem& files, const std::string& gameFolder);

// The season files a command would write: 67season.ini, and gp.ini when `championship`.
std::vector<std::string> SeasonFilesToWrite(const std::string& gameFolder, bool championship);

// The first of `paths` (and the undo folder seasons\gridmoor-undo the command keeps its step
// in) that this process could not replace, or could only by making it its own, as one line
// naming the file and the real reason (FileSystem::ReplaceBlocker); nullopt when none is known.
// Only looks; meant to run before anything is copied or written.
std::optional<std::string> FindWriteBlocker(FileSystem& files, const std::string& gameFolder,
                                            const std::vector<std::string>& paths);

// Whether `path` exists and carries the read-only mark. Never throws.
bool HasReadOnlyMark(FileSystem& files, const std::string& path);

// Clears the read-only mark of `path`, keeping its times. Throws CFileException on failure.
void ClearReadOnlyMark(FileSystem& files, const std::string& path);

}  // namespace gridmoor
