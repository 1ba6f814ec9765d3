#pragma once
// A track package checked the way a track maker needs it before shipping: everything the
// dialog would refuse, and everything it would quietly cut or leave out, one finding each.

#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace gridmoor {

enum class FindingLevel {
  kError,    // the dialog refuses the package, or its install run fails
  kWarning,  // the install goes through, but not as the maker meant it
};

struct PackageFinding {
  FindingLevel level = FindingLevel::kError;
  std::string subject;  // the file, or "install.ini: <key>"
  std::string message;  // one line
  bool aboutReplay = false;  // the replay's fault: an install without the replay never meets it
};

// Whether the finding stops an install (an error; with `withoutReplay`, one the install meets).
bool StopsInstall(const PackageFinding& finding, bool withoutReplay);

// The findings for the package in `packageFolder` (as the engine names folders), in a fixed
// order: the folder, install.ini and its keys, the track files, the replay, the readme, the
// screenshot. Empty for a package without fault. Only reads, through `files`; never throws.
std::vector<PackageFinding> CheckPackage(FileSystem& files, const std::string& packageFolder);

}  // namespace gridmoor
