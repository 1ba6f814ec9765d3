#pragma once
#include <string>
#include <vector>

#include "engine/InstallHost.h"
#include "engine/TrackPackage.h"
#include "platform/FileSystem.h"

namespace gridmoor {

// Copies the package's nine track files into gameFolder\tracks\<trackDirectory>\ and, when
// box 1003 is checked, the replay into gameFolder\replay\, moving the bar 8..17. `gameFolder`
// comes without a trailing backslash. On a failure shows the file error, sets the bar to 0 and
// answers false; files copied before stay.
// The files CopyTrackFiles writes, relative to the game folder ("tracks\\calder\\calder.dat",
// "replay\\calder.rpy"), in the order it writes them; the replay only with `withReplay` and when
// the package names one.
std::vector<std::string> InstalledFiles(const TrackPackage& package, bool withReplay);

bool CopyTrackFiles(InstallHost& host, FileSystem& files, const TrackPackage& package,
                    const std::string& gameFolder);

// What CopyTrackFiles may write: the nine track files and the replay (when the package has one),
// as engine paths, and the track folder it may make.
std::vector<std::string> TrackFileTargets(const TrackPackage& package, const std::string& gameFolder);
std::string TrackFolderOf(const TrackPackage& package, const std::string& gameFolder);

}  // namespace gridmoor
