#include "ui/framework/FileDialog.h"

#include <commdlg.h>

namespace gridmoor::ui {

std::string BuildFilterString(const std::vector<std::pair<std::string, std::string>>& filters) {
  std::string list;
  for (const auto& [description, pattern] : filters) {
    list += description;
    list += '\0';
    list += pattern;
    list += '\0';
  }
  list += '\0';
  return list;
}

std::optional<std::string> AskOpenFileName(HWND owner, const OpenFileSettings& settings) {
  if (settings.bufferSize == 0) return std::nullopt;
  const std::string filter = BuildFilterString(settings.filters);
  std::vector<char> path(settings.bufferSize, '\0');

  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = settings.filters.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = static_cast<DWORD>(path.size());
  ofn.lpstrTitle = settings.title.empty() ? nullptr : settings.title.c_str();
  ofn.Flags = settings.flags;
  if (!GetOpenFileNameA(&ofn)) return std::nullopt;
  path.back() = '\0';
  return std::string(path.data());
}

}  // namespace gridmoor::ui
