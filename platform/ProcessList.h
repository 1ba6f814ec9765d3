#pragma once
// Whether the game runs now, for refusing to change files it holds in memory. The game is known
// by its folder, not by a program's name: mods run patched copies of its program under other
// names from the same folder, and a gpl.exe elsewhere is some other program.

#include <optional>
#include <string>

namespace gridmoor {

// The file name of a program that a process other than this one runs from `gameFolder` itself
// (not from a folder inside it): the game's gpl.exe or a mod's copy of any name. `gameFolder` is
// an engine path of the folder as the file system takes it. Windows: each process's image path,
// compared without regard to letter case; processes that cannot be opened are skipped. POSIX:
// /proc, a native program by its executable, a program Wine runs by the first argument of its
// command line (a DOS path mapped through the drives of the process's Wine prefix, or a path of
// this system), compared after symbolic links are resolved. Nullopt when none is found, and
// when the folder or the process list cannot be read.
std::optional<std::string> ProgramRunningIn(const std::string& gameFolder);

}  // namespace gridmoor
