#include "ui/SeasonDetails.h"

#include <cstdio>
#include <utility>

#include "engine/SeasonCommand.h"
#include "engine/TrackRecords.h"
#include "res/resource.h"
#include "ui/SeasonWindow.h"
#include "ui/framework/StringResource.h"

namespace gridmoor::ui {

std::string ByteSizeText(unsigned long long bytes) {
  if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  double size = static_cast<double>(bytes) / 1024;
  int unit = 0;
  while (size >= 1024 && unit < 3) {
    size /= 1024;
    ++unit;
  }
  char text[32] = {};
  std::snprintf(text, sizeof text, "%.1f %s", size, kUnits[unit]);
  return text;
}

CSeasonDetailsDlg::CSeasonDetailsDlg(EventDetails details)
    : CDialog(IDD_SEASON_DETAILS), m_details(std::move(details)) {}

void CSeasonDetailsDlg::DoDataExchange(CDataExchange& dx) {
  dx.Attach(IDC_DETAILS_KEYS, m_keys);
  dx.Attach(IDC_DETAILS_FILES, m_files);
  dx.Attach(IDC_DETAILS_INSTALLED, m_installed);
}

BOOL CSeasonDetailsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  HWND window = GetSafeHwnd();
  SetWindowTextA(window, m_details.title.c_str());
  m_keys.SetWindowText(m_details.keys);
  m_files.SetWindowText(m_details.files);
  m_installed.SetWindowText(m_details.installed);
  ::EnableWindow(GetDlgItem(window, IDC_DETAILS_REMOVE), m_details.removable ? TRUE : FALSE);
  SetFocus(GetDlgItem(window, IDCANCEL));
  return FALSE;
}

bool CSeasonDetailsDlg::OnCommand(int id, int code) {
  if (id == IDC_DETAILS_REMOVE && code == BN_CLICKED) {
    EndDialog(IDC_DETAILS_REMOVE);
    return true;
  }
  return CDialog::OnCommand(id, code);
}

namespace {

// The wait cursor while the window's count of waits is above zero (its WM_SETCURSOR keeps it).
class BusyCursor {
 public:
  explicit BusyCursor(int& waiting) : m_waiting(waiting) {
    ++m_waiting;
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  }
  ~BusyCursor() {
    if (--m_waiting == 0) SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  int& m_waiting;  // the window's
};

std::string KeysText(const SeasonEvent& event) {
  std::string text;
  for (const auto& [key, value] : event.values)
    text += (text.empty() ? "" : "\r\n") + key + "=" + value;
  return text;
}

std::string FilesText(FileSystem& files, const std::string& game, const std::string& folder) {
  const FolderSize size = TrackFolderSize(files, game, folder);
  const std::string count = std::to_string(size.fileCount);
  const std::string bytes = ByteSizeText(size.bytes);
  const RecordRead read = ReadTrackRecord(files, game, folder);
  if (!read.record) {
    if (!read.problem.empty())
      return FormatResourceString(IDS_DETAILS_FILES_UNREADABLE, {folder, count, bytes, read.problem});
    return FormatResourceString(IDS_DETAILS_FILES_NOT_RECORDED, {folder, count, bytes});
  }
  int changed = 0;
  const std::vector<FileCheck> checks = CheckRecordedFiles(files, game, *read.record);
  for (const FileCheck& check : checks) changed += check.state != FileState::kUnchanged;
  if (changed == 0) return FormatResourceString(IDS_DETAILS_FILES_COMPLETE, {folder, count, bytes});
  return FormatResourceString(IDS_DETAILS_FILES_CHANGED,
                              {folder, count, bytes, std::to_string(changed),
                               std::to_string(checks.size())});
}

std::string InstalledText(FileSystem& files, const std::string& game, const std::string& folder) {
  const RecordRead read = ReadTrackRecord(files, game, folder);
  if (!read.record) return LoadResourceString(IDS_DETAILS_NOT_RECORDED);
  const TrackRecord& record = *read.record;
  const std::string from = files.NativePath(record.package.path);
  if (record.version.empty()) {
    return FormatResourceString(IDS_DETAILS_INSTALLED,
                                {record.installedTime, from, record.package.kind});
  }
  return FormatResourceString(IDS_DETAILS_INSTALLED_VERSION,
                              {record.installedTime, from, record.package.kind, record.version});
}

}  // namespace

void CSeasonDlg::OnDetails() {
  const int row = SelectedRow();
  if (row < 0 || static_cast<std::size_t>(row) >= m_view.events.events.size()) return;
  const SeasonEvent event = m_view.events.events[static_cast<std::size_t>(row)];
  const std::string title = event.name && !event.name->empty() ? *event.name
                                                               : event.trackDirectory.value_or("");
  EventDetails details;
  details.title = FormatResourceString(IDS_DETAILS_TITLE, {std::to_string(event.number), title});
  details.keys = event.hasSection ? KeysText(event) : LoadResourceString(IDS_MARK_NO_SECTION);
  const SeasonEvent* named = EventAt(row);  // names a track folder
  if (named) {
    // Every recorded file is read for its digest: a large track takes a moment.
    const BusyCursor wait(m_waiting);
    details.files = FilesText(m_files, m_service.GameFolder(), *named->trackDirectory);
    details.installed = InstalledText(m_files, m_service.GameFolder(), *named->trackDirectory);
    details.removable = true;
  } else {
    details.files = LoadResourceString(IDS_DETAILS_NO_FOLDER);
  }
  CSeasonDetailsDlg dialog(std::move(details));
  if (dialog.DoModal(GetSafeHwnd()) == IDC_DETAILS_REMOVE && named) RemoveWithFiles(event);
}

void CSeasonDlg::RemoveWithFiles(const SeasonEvent& event) {
  if (!event.trackDirectory || !GameFolderReachable()) return;
  const std::string folder = *event.trackDirectory;
  const std::string title = event.name && !event.name->empty() ? *event.name : folder;
  const int row = SelectedRow();
  // As remove --delete-files plans it: a deleted folder leaves no event naming it in either
  // file, and one undo step brings the events and the files back.
  const SeasonFileChoice both{true, true};
  Apply(m_service.PlanRemove({folder}, both, true), "remove " + folder + " --delete-files",
        FormatResourceString(IDS_STATUS_REMOVED_WITH_FILES, {title, folder}),
        /*confirmUndoable=*/true);
  Refresh(row);
  RefreshSets();
}

}  // namespace gridmoor::ui
