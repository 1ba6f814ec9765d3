#pragma once
#include <string>

#include "engine/InstallHost.h"
#include "platform/FileSystem.h"

namespace gridmoor {

// Makes sure 67season.ini (and gp.ini when box 1001 is checked) exist, open and are not marked
// read-only, offering to clear the mark. Answers 1 when the install cannot go on, 0 when it
// may. A failure while clearing a mark escapes as CFileException.
int CheckIniFilesWritable(InstallHost& host, FileSystem& files, const std::string& gameFolder);

}  // namespace gridmoor
