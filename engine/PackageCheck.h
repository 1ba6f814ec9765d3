#pragma once
// A track package checked the way a track maker needs it before shipping: everything the
// dialog would refuse, and everything it would quietly cut or leave out, one finding each.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace gridmoor {

enum class FindingLevel {
  kError,    // the dialog refuses the package or cannot show part of it, or its install run fails
  kWarning,  // the install goes through, but not as the maker meant it
};

struct PackageFinding {
  FindingLevel level = FindingLevel::kError;
  std::string subject;  // the file, or "install.ini: <key>"
  std::string message;  // one line
  bool aboutReplay = false;  // the replay's fault: an install without the replay never meets it
  std::string code;  // stable, for scripts: "month-out-of-range", "file-not-installed"
  std::string file;  // the package file it is about; "" for the package folder
  std::string key;   // the install.ini key it is about; "" for a whole file
  bool installGoesOn = false;  // an error the player's install does not meet (the picture)
};

// The track files a package holds, by the names the copy reads them under.
inline constexpr const char* kPackageTrackFiles[] = {
    "dat", "track.ini", "record.ini", "race.lp", "pit.lp", "pass1.lp", "pass2.lp", "maxrace.lp",
    "minrace.lp"};

// The most of a short name the game's screens show.
constexpr std::size_t kShownShortNameLength = 16;

// Whether the finding stops an install (an error; with `withoutReplay`, one the install meets).
bool StopsInstall(const PackageFinding& finding, bool withoutReplay);

// The findings for the package in `packageFolder` (as the engine names folders), in a fixed
// order: the folder, install.ini and its keys, the track files, the replay, files that are not
// installed, the readme, the screenshot. Empty for a package without fault. Only reads, through
// `files`; never throws.
std::vector<PackageFinding> CheckPackage(FileSystem& files, const std::string& packageFolder);

// The findings for install.ini's text alone (its keys and values), as CheckPackage gives them.
std::vector<PackageFinding> CheckDescriptionText(FileSystem& files, const std::string& text);

}  // namespace gridmoor
