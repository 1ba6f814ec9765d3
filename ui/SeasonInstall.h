#pragma once
// Installing a track package from the season window: "Install package..." and a folder or zip
// dropped on the window.

#include <windows.h>

#include <optional>
#include <string>

namespace gridmoor::ui {

// What a path the player chose or dropped names: a package folder, a zip, or neither.
struct PackageChoice {
  enum Kind { kFolder, kZip, kNone } kind = kNone;
  std::string path;  // the package folder (install.ini's folder for install.ini), or the zip
};
// Reads `path` as the package chooser takes it: a folder as it is, install.ini as its folder, a
// file ending in ".zip" (any letter case) as a zip; anything else kNone. Only looks at the
// name and whether it is a folder.
PackageChoice PackageChoiceOf(const std::string& path);

// Runs the install dialog over the package at `path` (a package folder, its install.ini, or a
// zip, unpacked into a private staging folder), owned by `owner`. Answers false, having said
// why, when `path` names none of these.
bool InstallPackageAt(const std::string& path, HWND owner);

}  // namespace gridmoor::ui
