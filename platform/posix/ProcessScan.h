#pragma once
// The pieces of the POSIX process search, apart so that they can be run over a folder made to
// look like /proc.

#include <optional>
#include <string>
#include <string_view>

namespace gridmoor {

// The path on this system of the program a Wine process names by `argument` (the first argument
// of its command line): a DOS path ("C:\GPL\gplc67.exe", either slash, any letter case) through
// the drive links `prefix`/dosdevices/<letter>: of the Wine prefix `prefix`; an absolute path
// as it is; any other path taken from `cwd`. Names are found in any letter case, as Wine finds
// them. Nullopt when the drive has no link or the DOS path is not one Windows would take.
std::optional<std::string> WineProgramPath(std::string_view argument, const std::string& prefix,
                                           const std::string& cwd);

// ProgramRunningIn over the process folders of `procRoot` ("/proc"), for the native folder
// `folder` (symbolic links resolved), leaving out the process `selfPid`.
std::optional<std::string> FindProgramIn(const std::string& procRoot, const std::string& folder,
                                         const std::string& selfPid);

}  // namespace gridmoor
