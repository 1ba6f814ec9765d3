#include "ui/framework/FileDialog.h"

#include <commdlg.h>

#include "ui/framework/SystemLibrary.h"

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

namespace {

std::optional<std::string> AskFileName(HWND owner, const OpenFileSettings& settings, bool save) {
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
  ofn.lpstrDefExt = settings.defaultExtension.empty() ? nullptr : settings.defaultExtension.c_str();
  static const auto open = SystemFunctionOf<decltype(GetOpenFileNameA)>("comdlg32.dll", "GetOpenFileNameA");
  static const auto saveAs = SystemFunctionOf<decltype(GetSaveFileNameA)>("comdlg32.dll", "GetSaveFileNameA");
  const auto ask = save ? saveAs : open;
  if (!ask || !ask(&ofn)) return std::nullopt;
  path.back() = '\0';
  return std::string(path.data());
}

}  // namespace

std::optional<std::string> AskOpenFileName(HWND owner, const OpenFileSettings& settings) {
  return AskFileName(owner, settings, false);
}

std::optional<std::string> AskSaveFileName(HWND owner, const OpenFileSettings& settings) {
  return AskFileName(owner, settings, true);
}

}  // namespace gridmoor::ui
