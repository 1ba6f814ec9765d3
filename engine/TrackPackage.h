#pragma once
// The track package: the folder the program starts from and its description install.ini.

#include <cstddef>
#include <string>

#include "engine/InstallHost.h"
#include "engine/ProfileValue.h"
#include "platform/FileSystem.h"

namespace gridmoor {

// The package folder is held in a 500-byte buffer: at most 499 characters.
constexpr std::size_t kPackageFolderSize = 500;

// The most of readme.txt that is shown; a longer readme is shown cut.
constexpr std::size_t kReadmeMaxBytes = 1024 * 1024;

// The package's description, as read from section "installinfo" of install.ini. Every value is
// text exactly as read (at most 99 characters); numbers stay text. `replayfilename` holds the
// sentinel "default" when the package has no replay.
struct TrackPackage {
  std::string packageFolder;
  std::string dialogtitel;
  std::string name;
  std::string shortname;
  std::string trackDirectory;
  std::string month;
  std::string day;
  std::string numberOfLaps;
  std::string startingGrid;
  std::string replayfilename;
};

// Whether `name` names an entry of the folder it is joined to and nothing else: no '\\', '/'
// or ':', not "." or "..", nor any other name of dots and spaces alone (Windows drops those
// trailing characters, so such a name could become "." or ".."), and no white space at either
// end (the game's files could not name it as it is). The empty name is plain.
bool IsPlainFileName(const std::string& name);

// Reads the package from the current directory into `package` and sets the dialog through
// `host` (box 1000, readme, caption, replay option, screenshot). Answers false, after showing
// "Install.ini missing or not valid!..." once, when the description is missing or incomplete
// or would place files outside the game folder.
bool LoadPackage(InstallHost& host, FileSystem& files, TrackPackage& package);

}  // namespace gridmoor
