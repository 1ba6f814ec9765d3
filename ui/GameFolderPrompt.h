#pragma once
// Asking the player where the game is: the open-file dialog for gpl.exe.

#include <windows.h>

#include <optional>
#include <string>

namespace gridmoor::ui {

// Shows "Locate GPL.EXE" owned by `owner` (null: unowned) and answers the folder of the chosen
// file, or nullopt when the player cancelled or the dialog could not be shown.
std::optional<std::string> AskForGameFolder(HWND owner);

}  // namespace gridmoor::ui
