#pragma once
// The install dialog over a package other than the current folder: a package folder, a zip
// holding one (named on the command line, or dropped on the program's icon), or the zip a setup
// file carries at the end of the program's own file.

#include <windows.h>

#include <string>

namespace gridmoor::ui {

// Runs the install dialog, owned by `owner`, over the package folder or zip `path`, exactly as
// if the program had been started in the package's folder. A zip is unpacked under the rules and
// limits gridmoor-cli keeps, into a private staging folder that is gone when this returns,
// whatever happened; a zip refused, or holding other than one package, gets one message box
// saying why, and no dialog.
void RunInstallFrom(const std::string& path, HWND owner);

// The same over the zip carried at the end of the program's own file. False, having done
// nothing, when the program carries none (it then runs over the current folder).
bool RunInstallFromOwnPayload(HWND owner);

// The staging folders of earlier runs that ended without removing theirs (a crash), removed.
void RemoveLeftoverStagingFolders();

}  // namespace gridmoor::ui
