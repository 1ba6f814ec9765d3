#pragma once
// Whether a program runs now, for refusing to change files the game holds in memory.

#include <string>

namespace gridmoor {

// Whether a process other than this one runs a program whose file name (without folder) is
// `exeName`, compared without regard to ASCII case. Windows: the system's process list. POSIX:
// /proc, by the process's name and by the last name of its argv[0] taken at '/' or '\', which
// finds the processes Wine runs a Windows program in ("C:\GPL\gpl.exe"). False when the list
// cannot be read.
bool IsProgramRunning(const std::string& exeName);

}  // namespace gridmoor
