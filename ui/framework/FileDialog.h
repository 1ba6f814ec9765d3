#pragma once
// The open-file and save-file dialogs.

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace gridmoor::ui {

struct OpenFileSettings {
  std::string title;
  // Pairs of a description and its pattern, in the order shown; the first is selected.
  std::vector<std::pair<std::string, std::string>> filters;
  DWORD flags = 0;  // OFN_* options
  std::size_t bufferSize = MAX_PATH;  // characters for the chosen path, NUL included
  std::string defaultExtension;       // added to a typed name without one; "" adds none
};

// The filter list as the dialog takes it: description NUL pattern NUL ... NUL.
std::string BuildFilterString(const std::vector<std::pair<std::string, std::string>>& filters);

// Shows the dialog owned by `owner` and answers the full path of the chosen file, or nullopt
// when the user cancelled or the dialog could not be shown.
std::optional<std::string> AskOpenFileName(HWND owner, const OpenFileSettings& settings);

// The same for the save-file dialog (add OFN_OVERWRITEPROMPT to the flags to have an existing
// file confirmed).
std::optional<std::string> AskSaveFileName(HWND owner, const OpenFileSettings& settings);

}  // namespace gridmoor::ui
