// The season window's Sets box: the saved sets in the combo, the active one on a line of its
// own, and the set commands, each planned by the engine's service and run through Apply.

#include <windows.h>
#include <commdlg.h>

#include <utility>

#include "engine/SeasonCommand.h"
#include "res/resource.h"
#include "ui/SeasonPrompts.h"
#include "ui/SeasonWindow.h"
#include "ui/framework/FileDialog.h"
#include "ui/framework/MessageBox.h"
#include "ui/framework/StringResource.h"

namespace gridmoor::ui {

namespace {

std::string FileNameOf(const std::string& path) {
  const std::string::size_type slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The refusals a name prompt answers by asking again.
bool IsNameRefusal(const SeasonChange& change) {
  const SeasonRefusal refusal = change.Problem().refusal;
  return refusal == SeasonRefusal::kNameTaken || refusal == SeasonRefusal::kBadName;
}

OpenFileSettings CalendarFileSettings(std::string title, DWORD flags) {
  OpenFileSettings settings;
  settings.title = std::move(title);
  settings.filters = {{LoadResourceString(IDS_CALENDAR_FILTER), "*.txt"},
                      {LoadResourceString(IDS_ALL_FILES_FILTER), "*.*"}};
  settings.flags = flags | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_NOCHANGEDIR;
  settings.defaultExtension = "txt";
  return settings;
}

}  // namespace

void CSeasonDlg::RefreshSets() {
  const std::optional<std::string> before = SelectedSet();
  m_setNames.clear();
  m_sets.ResetContent();
  int select = -1;
  const std::vector<SetSummary> sets = m_service.ListSets().sets;
  for (const SetSummary& set : sets) {
    const UINT format = !set.active              ? 0
                        : set.changedSinceSaved ? IDS_SET_CHANGED
                                                : IDS_SET_ACTIVE;
    const int index =
        m_sets.AddString(format ? FormatResourceString(format, {set.name}) : set.name);
    if (index < 0) continue;
    // Sorted by the service: the combo keeps the order it is given.
    m_setNames.push_back(set.name);
    if (set.active || (select < 0 && before && *before == set.name)) select = index;
  }
  // With no set active the first is chosen, so Use, Delete and Export work on an imported set.
  if (select < 0 && !m_setNames.empty()) select = 0;
  if (select >= 0) m_sets.SetCurSel(select);
  // The box stays as narrow as the template makes it; its list shows each name whole.
  m_sets.FitDroppedWidth();
  ShowSetState(sets);
  UpdateButtons();
}

void CSeasonDlg::ShowSetState(const std::vector<SetSummary>& sets) {
  std::string text = LoadResourceString(sets.empty() ? IDS_SET_STATE_NONE_SAVED
                                                     : IDS_SET_STATE_NONE_ACTIVE);
  for (const SetSummary& set : sets) {
    if (!set.active) continue;
    text = FormatResourceString(set.changedSinceSaved ? IDS_SET_STATE_CHANGED : IDS_SET_STATE_ACTIVE,
                                {set.name});
  }
  m_setState.SetWindowText(text);
}

template <class Plan>
std::optional<SeasonChange> CSeasonDlg::AskSetName(const std::string& title, std::string suggestion,
                                                   Plan plan, std::string& name) {
  name = std::move(suggestion);
  for (;;) {
    CSetNameDlg prompt(name, title);
    if (prompt.DoModal(GetSafeHwnd()) != IDOK) return std::nullopt;
    name = prompt.Name();
    SeasonChange change = plan(name);
    if (!IsNameRefusal(change)) return change;
    // Said why, then asked again with what was typed, to be corrected rather than retyped.
    AppMessageBox(SeasonProblemText(m_files, change.Problem()) + ".", MB_OK | MB_ICONEXCLAMATION);
  }
}

void CSeasonDlg::OnSetUse() {
  const std::optional<std::string> name = SelectedSet();
  if (!name || !GameFolderReachable()) return;
  Apply(m_service.PlanSetUse(*name), "set use " + *name,
        FormatResourceString(IDS_STATUS_SET_USED, {*name}));
  Refresh(0);
  RefreshSets();
}

void CSeasonDlg::OnSetSave() {
  if (!GameFolderReachable()) return;
  std::string name;
  const std::optional<SeasonChange> change =
      AskSetName(LoadResourceString(IDS_SAVE_SET_NAME_TITLE), m_service.ActiveSet().value_or(""),
                 [&](const std::string& typed) { return m_service.PlanSetSave(typed); }, name);
  if (!change) return;
  Apply(*change, "set save " + name, FormatResourceString(IDS_STATUS_SET_SAVED, {name}));
  RefreshSets();
  UpdateHistory();
  ShowStatus();
}

void CSeasonDlg::OnSetRename() {
  const std::optional<std::string> from = SelectedSet();
  if (!from || !GameFolderReachable()) return;
  std::string to;
  const std::optional<SeasonChange> change = AskSetName(
      FormatResourceString(IDS_RENAME_SET_TITLE, {*from}), *from,
      [&](const std::string& typed) { return m_service.PlanSetRename(*from, typed); }, to);
  if (!change) return;
  const bool renamed = Apply(*change, "set rename " + *from + " " + to,
                             FormatResourceString(IDS_STATUS_SET_RENAMED, {*from, to}));
  RefreshSets();
  if (renamed) {
    // The selection follows the set under its new name.
    for (std::size_t i = 0; i < m_setNames.size(); ++i)
      if (m_setNames[i] == to) m_sets.SetCurSel(static_cast<int>(i));
    UpdateButtons();
  }
  UpdateHistory();
  ShowStatus();
}

void CSeasonDlg::OnSetDelete() {
  const std::optional<std::string> name = SelectedSet();
  if (!name || !GameFolderReachable()) return;
  Apply(m_service.PlanSetDelete(*name), "set delete " + *name,
        FormatResourceString(IDS_STATUS_SET_DELETED, {*name}));
  RefreshSets();
  UpdateHistory();
  ShowStatus();
}

void CSeasonDlg::OnSetExport() {
  const std::optional<std::string> name = SelectedSet();
  if (!name || !GameFolderReachable()) return;
  // Export writes the set as saved; when the season has changed since, the title says that
  // those changes are not in the file.
  bool changed = false;
  for (const SetSummary& set : m_service.ListSets().sets)
    if (set.name == *name) changed = set.active && set.changedSinceSaved;
  const std::optional<std::string> path = AskSaveFileName(
      GetSafeHwnd(),
      CalendarFileSettings(FormatResourceString(changed ? IDS_EXPORT_SAVED_CHANGED_TITLE
                                                        : IDS_EXPORT_SAVED_TITLE,
                                                {*name}),
                           OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST));
  if (!path) return;
  Apply(m_service.PlanSetExport(*name, *path), "set export " + *name,
        FormatResourceString(IDS_STATUS_SET_EXPORTED, {*name, *path}));
  UpdateHistory();
  ShowStatus();
}

void CSeasonDlg::OnSetImport() {
  if (!GameFolderReachable()) return;
  const std::optional<std::string> path = AskOpenFileName(
      GetSafeHwnd(), CalendarFileSettings(LoadResourceString(IDS_IMPORT_TITLE), OFN_FILEMUSTEXIST));
  if (!path) return;
  std::string as;
  SeasonChange all = m_service.PlanSetImport(*path, as, false);
  if (IsNameRefusal(all)) {
    // The name the file brings cannot be used: said why, and the player names the set,
    // starting from the file's name.
    AppMessageBox(SeasonProblemText(m_files, all.Problem()) + ".", MB_OK | MB_ICONEXCLAMATION);
    std::optional<SeasonChange> named = AskSetName(
        LoadResourceString(IDS_IMPORT_SET_NAME_TITLE), all.Problem().subject,
        [&](const std::string& typed) { return m_service.PlanSetImport(*path, typed, false); }, as);
    if (!named) return;
    all = std::move(*named);
  }
  const SeasonChange* chosen = &all;
  SeasonChange installedOnly;
  if (!all.Problem() && !all.NotInstalled().empty()) {
    std::string missing;
    for (const std::string& event : all.NotInstalled()) missing += "\r\n  " + event;
    const int answer = AppMessageBox(FormatResourceString(IDS_IMPORT_NOT_INSTALLED, {missing}),
                                     MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return;
    if (answer == IDNO) {
      installedOnly = m_service.PlanSetImport(*path, as, true);
      chosen = &installedOnly;
    }
  }
  Apply(*chosen, "set import " + FileNameOf(*path),
        FormatResourceString(IDS_STATUS_SET_IMPORTED, {FileNameOf(*path)}));
  RefreshSets();
  UpdateHistory();
  ShowStatus();
}

}  // namespace gridmoor::ui
