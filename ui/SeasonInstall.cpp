#include "ui/SeasonInstall.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "res/resource.h"
#include "ui/PackageRun.h"
#include "ui/SeasonWindow.h"
#include "ui/framework/FileDialog.h"
#include "ui/framework/MessageBox.h"
#include "ui/framework/StringResource.h"
#include "ui/framework/SystemLibrary.h"

namespace gridmoor::ui {

namespace {

std::string FileNameOf(const std::string& path) {
  const std::string::size_type slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool IsFolderPath(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

PackageChoice PackageChoiceOf(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 3 && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
  if (trimmed.empty()) return {};
  if (IsFolderPath(trimmed)) return {PackageChoice::kFolder, trimmed};
  const std::string name = Lowered(FileNameOf(trimmed));
  if (name == "install.ini") {
    const std::string::size_type slash = trimmed.find_last_of("\\/");
    if (slash == std::string::npos) return {};
    return {PackageChoice::kFolder, trimmed.substr(0, slash == 2 && trimmed[1] == ':' ? 3 : slash)};
  }
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".zip") == 0)
    return {PackageChoice::kZip, trimmed};
  return {};
}

bool InstallPackageAt(const std::string& path, HWND owner) {
  const PackageChoice choice = PackageChoiceOf(path);
  if (choice.kind == PackageChoice::kNone) {
    AppMessageBox(FormatResourceString(IDS_PACKAGE_NOT_A_PACKAGE, {path}), MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  RunInstallFrom(choice.path, owner);
  return true;
}

void CSeasonDlg::OnInstallPackage() {
  OpenFileSettings settings;
  settings.title = LoadResourceString(IDS_PACKAGE_TITLE);
  settings.filters = {{LoadResourceString(IDS_PACKAGE_FILTER), "install.ini;*.zip"},
                      {LoadResourceString(IDS_ALL_FILES_FILTER), "*.*"}};
  settings.flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_NOCHANGEDIR;
  const std::optional<std::string> path = AskOpenFileName(GetSafeHwnd(), settings);
  if (path) InstallAndRefresh(*path);
}

void CSeasonDlg::OnDropFiles(HDROP drop) {
  std::vector<std::string> paths;
  static const auto query = SystemFunctionOf<decltype(DragQueryFileA)>("shell32.dll", "DragQueryFileA");
  static const auto finish = SystemFunctionOf<decltype(DragFinish)>("shell32.dll", "DragFinish");
  if (!query || !finish) return;
  const UINT count = query(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = query(drop, i, nullptr, 0);
    std::vector<char> buffer(length + 1, '\0');
    if (query(drop, i, buffer.data(), static_cast<UINT>(buffer.size())) > 0)
      paths.emplace_back(buffer.data());
  }
  finish(drop);
  // Several dropped together are installed each in turn, as if chosen one after another.
  for (const std::string& path : paths) InstallAndRefresh(path);
}

void CSeasonDlg::InstallAndRefresh(const std::string& path) {
  if (!GameFolderReachable()) return;
  std::vector<std::string> before;
  for (const SeasonEvent& event : m_service.Read(SeasonFileId::kSeason).events.events)
    before.push_back(Lowered(event.trackDirectory.value_or("")));
  if (!InstallPackageAt(path, GetSafeHwnd())) return;
  // Named by its folder, also when its install.ini was chosen.
  const std::string package = FileNameOf(PackageChoiceOf(path).path);
  // The install wrote 67season.ini itself: the window reads it again and names the new event.
  if (Shown() != SeasonFileId::kSeason) {
    m_showChampionship.SetCheck(BST_UNCHECKED);
    m_showSeason.SetCheck(BST_CHECKED);
  }
  m_action = FormatResourceString(IDS_STATUS_INSTALLED_NO_EVENT,
                                  {package, SeasonFileNameOf(SeasonFileId::kSeason)});
  int added = -1;
  const std::vector<SeasonEvent> after = m_service.Read(SeasonFileId::kSeason).events.events;
  for (std::size_t i = 0; i < after.size() && added < 0; ++i) {
    const std::string folder = Lowered(after[i].trackDirectory.value_or(""));
    if (!folder.empty() && std::find(before.begin(), before.end(), folder) == before.end())
      added = static_cast<int>(i);
  }
  if (added >= 0) {
    m_action = FormatResourceString(
        IDS_STATUS_INSTALLED,
        {package, after[static_cast<std::size_t>(added)].name.value_or(
                               *after[static_cast<std::size_t>(added)].trackDirectory),
         std::to_string(after[static_cast<std::size_t>(added)].number)});
  }
  Refresh(added >= 0 ? added : SelectedRow());
  RefreshSets();
}

}  // namespace gridmoor::ui
