#include "ui/SeasonWindow.h"

#include <commdlg.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>
#include <utility>

#include "engine/SeasonCommand.h"
#include "engine/SeasonDisplay.h"
#include "engine/SeasonRules.h"
#include "res/resource.h"
#include "ui/SeasonPrompts.h"
#include "ui/WindowPlacement.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/FileDialog.h"
#include "ui/framework/MessageBox.h"
#include "ui/framework/StringResource.h"

namespace gridmoor::ui {

namespace {

// Recorded with each undo step, so that `restore` can say what it takes back.
constexpr const char* kCommandPrefix = "gridmoor.exe season window: ";

// The column the window widens and narrows with it.
constexpr int kNameColumn = 1;

// Sent to itself once the system has rescaled the window for a new DPI.
constexpr UINT kRescaled = WM_APP + 1;

constexpr SeasonFileId kBothFiles[] = {SeasonFileId::kSeason, SeasonFileId::kChampionship};
// A file's place in CSeasonDlg::m_fingerprints.
constexpr int Slot(SeasonFileId file) { return file == SeasonFileId::kSeason ? 0 : 1; }

struct Column {
  UINT heading;
  int width;  // dialog units
  int format;
};
constexpr Column kColumns[] = {
    {IDS_COLUMN_NUMBER, 16, LVCFMT_RIGHT}, {IDS_COLUMN_NAME, 88, LVCFMT_LEFT},
    {IDS_COLUMN_FOLDER, 56, LVCFMT_LEFT},  {IDS_COLUMN_LAPS, 22, LVCFMT_RIGHT},
    {IDS_COLUMN_DATE, 26, LVCFMT_LEFT},    {IDS_COLUMN_MARKS, 60, LVCFMT_LEFT},
};

std::string StripTrailingBackslashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '\\') folder.pop_back();
  return folder;
}

// `alsoIn`: the mark of an event the other season file holds too, "" for one it does not.
std::string Marks(const SeasonEvent& event, const std::string& alsoIn) {
  std::string text;
  for (const EventMark mark : EventMarks(event)) {
    const UINT id = mark == EventMark::kNoSection       ? IDS_MARK_NO_SECTION
                    : mark == EventMark::kFolderMissing ? IDS_MARK_FOLDER_MISSING
                                                        : IDS_MARK_NAMED_TWICE;
    text += (text.empty() ? "" : ", ") + LoadResourceString(id);
  }
  if (!alsoIn.empty()) text += (text.empty() ? "" : ", ") + alsoIn;
  return text;
}

// A day or month as the file writes it, when it is a plain number.
std::optional<int> SmallNumber(const std::optional<std::string>& text) {
  if (!text || text->empty() || text->size() > 2) return std::nullopt;
  if (!std::all_of(text->begin(), text->end(), [](unsigned char c) { return std::isdigit(c); }))
    return std::nullopt;
  return std::atoi(text->c_str());
}

#ifndef LOCALE_SMONTHDAY
#define LOCALE_SMONTHDAY 0x00000078
#endif

// The day and the month's short name in the order the user's locale writes them ("MMM d",
// "d MMM"): the locale's month-and-day pattern with the month cut short, or, where the system
// has none, the order of its short dates.
std::string MonthDayFormat() {
  char pattern[80] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SMONTHDAY, pattern, sizeof pattern) > 0) {
    std::string format = pattern;
    const std::string::size_type month = format.find("MMMM");
    if (month != std::string::npos && format.find('d') != std::string::npos)
      return format.replace(month, 4, "MMM");
  }
  char order[4] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDATE, order, sizeof order);
  return order[0] == '1' ? "d MMM" : "MMM d";  // 1: day before month
}

// "May 7" or "7 May"; a date the calendar has no such day for shows as the file writes it.
std::string DateText(const SeasonEvent& event) {
  static const std::string format = MonthDayFormat();
  const std::optional<int> month = SmallNumber(event.month);
  const std::optional<int> day = SmallNumber(event.day);
  static constexpr int kDaysIn[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month && day && *month >= 1 && *month <= 12 && *day >= 1 && *day <= kDaysIn[*month - 1]) {
    SYSTEMTIME date = {};
    date.wYear = 2000;  // a leap year: 2/29 is a day
    date.wMonth = static_cast<WORD>(*month);
    date.wDay = static_cast<WORD>(*day);
    char text[64] = {};
    if (GetDateFormatA(LOCALE_USER_DEFAULT, 0, &date, format.c_str(), text, sizeof text) > 0)
      return text;
  }
  return EventDateText(event);
}

// A step's command as the player gave it: the window's own steps without the window's name.
std::string StepCommand(const HistoryStep& step) {
  const std::string prefix = kCommandPrefix;
  return step.command.compare(0, prefix.size(), prefix) == 0 ? step.command.substr(prefix.size())
                                                             : step.command;
}

// "remove alder, 2026-12-08 10:00": the step's command and the minute it was kept.
std::string StepTip(UINT format, const HistoryStep& step) {
  return FormatResourceString(format, {StepCommand(step), step.time.substr(0, 16)});
}

// How an event is named in the status line: its name, else its track folder.
std::string EventTitle(const SeasonEvent& event) {
  if (event.name && !event.name->empty()) return *event.name;
  return event.trackDirectory.value_or("#" + std::to_string(event.number));
}

std::string JoinedFolders(const std::vector<std::string>& folders) {
  std::string text;
  for (const std::string& folder : folders) text += (text.empty() ? "" : " ") + folder;
  return text;
}

// `alsoIn`: for each event, whether the other file holds one for its track too, marked with
// `alsoMark` (formatted once: a string resource per row slowed a full season's opening).
std::vector<std::vector<std::string>> Rows(const SeasonEvents& season,
                                           const std::vector<bool>& alsoIn,
                                           const std::string& alsoMark) {
  std::vector<std::vector<std::string>> rows;
  rows.reserve(season.events.size());
  for (std::size_t i = 0; i < season.events.size(); ++i) {
    const SeasonEvent& event = season.events[i];
    const bool also = i < alsoIn.size() && alsoIn[i];
    rows.push_back({std::to_string(event.number), event.name.value_or(""),
                    event.trackDirectory.value_or(""), event.numberOfLaps.value_or(""),
                    DateText(event), Marks(event, also ? alsoMark : std::string())});
  }
  return rows;
}

// What is wrong with the file shown, one sentence a line; empty when nothing is.
std::string ProblemText(const SeasonFileView& view, const std::string& fileName) {
  std::vector<std::string> lines;
  const SeasonEvents& season = view.events;
  if (view.problem.refusal == SeasonRefusal::kUnreadable) {
    lines.push_back(FormatResourceString(IDS_FILE_UNREADABLE, {fileName, view.problem.detail}));
  } else if (!season.fileExists) {
    lines.push_back(FormatResourceString(IDS_FILE_MISSING, {fileName}));
  }
  if (season.count > kMaxSeasonEventNumber) {
    lines.push_back(FormatResourceString(
        IDS_COUNT_TOO_LARGE,
        {std::to_string(season.count), std::to_string(kMaxSeasonEventNumber)}));
  }
  if (!season.missingSections.empty())
    lines.push_back(FormatResourceString(IDS_MISSING_SECTIONS, {NumberList(season.missingSections)}));
  if (!season.sectionsAboveCount.empty()) {
    lines.push_back(
        FormatResourceString(IDS_SECTIONS_ABOVE_COUNT, {NumberList(season.sectionsAboveCount)}));
  }
  if (!season.repeatedSections.empty()) {
    lines.push_back(
        FormatResourceString(IDS_REPEATED_SECTIONS, {NumberList(season.repeatedSections)}));
  }
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : " ") + line;
  return text;
}

}  // namespace

class CSeasonDlg::WaitCursor {
 public:
  explicit WaitCursor(CSeasonDlg& window) : m_window(window) {
    if (m_window.m_waiting++ == 0) m_previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  }
  ~WaitCursor() {
    if (--m_window.m_waiting == 0) SetCursor(m_previous ? m_previous : LoadCursorA(nullptr, IDC_ARROW));
  }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  CSeasonDlg& m_window;
  HCURSOR m_previous = nullptr;  // not owned: a shared system cursor
};

class CSeasonDlg::CommandScope {
 public:
  explicit CommandScope(CSeasonDlg& window) : m_window(window) { ++m_window.m_commands; }
  ~CommandScope() { --m_window.m_commands; }
  CommandScope(const CommandScope&) = delete;
  CommandScope& operator=(const CommandScope&) = delete;

 private:
  CSeasonDlg& m_window;
};

CSeasonDlg::CSeasonDlg(FileSystem& files, const std::string& gameFolder)
    : CDialog(IDD_SEASON_WINDOW),
      m_files(files),
      m_service(files, StripTrailingBackslashes(gameFolder)) {}

INT_PTR CSeasonDlg::Run(HWND owner) {
  const ScopedPerMonitorDpi dpi;
  UseAccelerators(IDR_SEASON_KEYS);
  return DoModal(owner);
}

void CSeasonDlg::DoDataExchange(CDataExchange& dx) {
  dx.Attach(IDC_SEASON_SHOW_SEASON, m_showSeason);
  dx.Attach(IDC_SEASON_SHOW_CHAMPIONSHIP, m_showChampionship);
  dx.Attach(IDC_SEASON_COUNT, m_count);
  dx.Attach(IDC_SEASON_LIST, m_list);
  dx.Attach(IDC_SEASON_PROBLEM, m_problem);
  dx.Attach(IDC_SEASON_SETS, m_sets);
  dx.Attach(IDC_SEASON_STATUS, m_status);
  dx.Attach(IDC_SEASON_SET_STATE, m_setState);
}

BOOL CSeasonDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  HWND window = GetSafeHwnd();
  SetWindowTextA(window,
                 FormatResourceString(IDS_SEASON_CAPTION, {m_service.GameFolder()}).c_str());
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

  m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  for (const Column& column : kColumns) {
    RECT width = {0, 0, column.width, 0};
    MapDialogRect(window, &width);
    m_list.AddColumn(LoadResourceString(column.heading), width.right, column.format);
  }
  m_showSeason.SetCheck(BST_CHECKED);

  m_layout.Add(window, IDC_SEASON_COUNT, kAnchorTopRight);
  m_layout.Add(window, IDC_SEASON_LIST, kAnchorAll);
  m_layout.Add(window, IDC_SEASON_PROBLEM, kAnchorLeft | kAnchorRight | kAnchorBottom);
  for (int id = IDC_SEASON_REMOVE; id <= IDC_SEASON_SET_IMPORT; ++id)
    m_layout.Add(window, id, kAnchorTopRight);
  m_layout.Add(window, IDC_SEASON_REDO, kAnchorTopRight);
  m_layout.Add(window, IDC_SEASON_STATUS, kAnchorLeft | kAnchorRight | kAnchorBottom);
  m_layout.Add(window, IDCANCEL, kAnchorBottomRight);
  m_layout.Add(window, IDC_SEASON_SET_RENAME, kAnchorTopRight);
  m_layout.Add(window, IDC_SEASON_SET_STATE, kAnchorLeft | kAnchorRight | kAnchorBottom);
  m_layout.Add(window, IDC_SEASON_INSTALL, kAnchorBottomRight);
  // A package folder or zip dropped on the window is installed as "Install package..." does.
  // (DragAcceptFiles does no more than this, and would load shell32 at start.)
  SetWindowLongPtrA(window, GWL_EXSTYLE, GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_ACCEPTFILES);

  if (m_tip.Create(window)) {
    for (const int id : {IDC_SEASON_UNDO, IDC_SEASON_REDO})
      m_tip.AddControlTool(window, GetDlgItem(window, id), "");
    m_cellTips.Attach(m_tip, window, m_list);
  }

  RECT frame = {};
  GetWindowRect(window, &frame);
  m_minimumSize = {frame.right - frame.left, frame.bottom - frame.top};
  RestoreState();

  Refresh(0);
  RefreshSets();
  SetFocus(m_list.GetSafeHwnd());
  return FALSE;  // the focus is on the list
}

SeasonFileId CSeasonDlg::Shown() const {
  return m_showChampionship.GetCheck() == BST_CHECKED ? SeasonFileId::kChampionship
                                                      : SeasonFileId::kSeason;
}

SeasonFileChoice CSeasonDlg::ShownChoice() const {
  SeasonFileChoice choice;
  choice.season = Shown() == SeasonFileId::kSeason;
  choice.championship = !choice.season;
  return choice;
}

void CSeasonDlg::Refresh(int row) {
  const SeasonFileId shown = Shown();
  const SeasonFileId other =
      shown == SeasonFileId::kSeason ? SeasonFileId::kChampionship : SeasonFileId::kSeason;
  const std::string fileName = SeasonFileNameOf(shown);
  // Taken before the files are read: a change made while they are read is seen next time.
  for (const SeasonFileId file : kBothFiles)
    m_fingerprints[Slot(file)] = m_files.Fingerprint(m_service.PathOf(file));
  std::vector<bool> alsoIn;
  if (IsFolder(m_files, m_service.GameFolder())) {
    m_view = m_service.Read(shown);
    alsoIn = EventsAlsoIn(m_view.events, m_service.Read(other).events);
    m_problem.SetWindowText(ProblemText(m_view, fileName));
  } else {
    m_view = SeasonFileView();
    m_problem.SetWindowText(FormatResourceString(IDS_GAME_FOLDER_GONE, {m_service.GameFolder()}));
  }
  m_count.SetWindowText(FormatResourceString(IDS_SEASON_COUNT, {std::to_string(m_view.events.count)}));
  m_list.SetRows(Rows(m_view.events, alsoIn,
                      FormatResourceString(IDS_MARK_ALSO_IN, {SeasonFileNameOf(other)})));
  m_cellTips.Forget();
  const int rows = m_list.GetItemCount();
  if (rows > 0) m_list.SelectRow(std::clamp(row, 0, rows - 1));
  FitNameColumn();  // rows may have brought or taken away the vertical scroll bar
  UpdateButtons();
  UpdateHistory();
  ShowStatus();
}

void CSeasonDlg::UpdateHistory() {
  HWND window = GetSafeHwnd();
  if (!window) return;
  std::optional<HistoryStep> undo;
  std::optional<HistoryStep> redo;
  if (IsFolder(m_files, m_service.GameFolder())) {
    // Undo steps newest first, then redo steps the next first.
    for (const HistoryStep& step : m_service.ListSteps()) {
      std::optional<HistoryStep>& slot = step.redo ? redo : undo;
      if (!slot) slot = step;
    }
  }
  const std::pair<int, const std::optional<HistoryStep>*> buttons[] = {
      {IDC_SEASON_UNDO, &undo}, {IDC_SEASON_REDO, &redo}};
  HWND focus = GetFocus();
  for (const auto& [id, step] : buttons) {
    HWND button = GetDlgItem(window, id);
    m_tip.UpdateTipText(*step ? StepTip(id == IDC_SEASON_UNDO ? IDS_UNDO_TIP : IDS_REDO_TIP, **step)
                              : std::string(),
                        window, ToolTip::ControlToolId(button));
    if (!*step && button == focus) SetFocus(m_list.GetSafeHwnd());
    ::EnableWindow(button, *step ? TRUE : FALSE);
  }
}

void CSeasonDlg::ShowStatus() {
  std::string text = m_action;
  const SeasonEvents& season = m_view.events;
  if (season.count > MAX_SEASON_EVENTS) {
    const std::string warning = FormatResourceString(
        IDS_STATUS_OVER_LIMIT,
        {SeasonFileNameOf(Shown()), std::to_string(season.count),
         std::to_string(MAX_SEASON_EVENTS), std::to_string(season.count - MAX_SEASON_EVENTS)});
    text += (text.empty() ? "" : "\r\n") + warning;
  }
  m_status.SetWindowText(text);
}

void CSeasonDlg::FitNameColumn() {
  HWND list = m_list.GetSafeHwnd();
  if (!list) return;
  RECT client = {};
  GetClientRect(list, &client);
  int others = 0;
  for (int column = 0; column < static_cast<int>(std::size(kColumns)); ++column)
    if (column != kNameColumn) others += m_list.GetColumnWidth(column);
  // Never narrower than the template makes it, so a small window scrolls rather than cuts.
  RECT least = {0, 0, kColumns[kNameColumn].width, 0};
  MapDialogRect(GetSafeHwnd(), &least);
  m_list.SetColumnWidth(kNameColumn, std::max<int>(least.right, client.right - others));
}

int CSeasonDlg::SelectedRow() const {
  const std::vector<int> rows = m_list.GetSelectedRows();
  return rows.empty() ? -1 : rows.front();
}

std::vector<int> CSeasonDlg::SelectedRows() const { return m_list.GetSelectedRows(); }

const SeasonEvent* CSeasonDlg::EventAt(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= m_view.events.events.size()) return nullptr;
  const SeasonEvent& event = m_view.events.events[static_cast<std::size_t>(row)];
  if (!event.hasSection || !event.trackDirectory || event.trackDirectory->empty()) return nullptr;
  return &event;
}

std::vector<std::string> CSeasonDlg::SelectedFolders() const {
  std::vector<std::string> folders;
  for (const int row : SelectedRows()) {
    const SeasonEvent* event = EventAt(row);
    if (event && std::find(folders.begin(), folders.end(), *event->trackDirectory) == folders.end())
      folders.push_back(*event->trackDirectory);
  }
  return folders;
}

std::vector<int> CSeasonDlg::MovableRows() const {
  std::vector<int> rows = SelectedRows();
  for (const int row : rows)
    if (!EventAt(row)) return {};
  return rows;
}

std::optional<std::string> CSeasonDlg::SelectedSet() const {
  const int index = m_sets.GetCurSel();
  if (index < 0 || static_cast<std::size_t>(index) >= m_setNames.size()) return std::nullopt;
  return m_setNames[static_cast<std::size_t>(index)];
}

void CSeasonDlg::UpdateButtons() {
  HWND window = GetSafeHwnd();
  if (!window) return;
  const std::vector<int> movable = MovableRows();
  const bool move = !movable.empty();
  const int rows = m_list.GetItemCount();
  const bool set = SelectedSet().has_value();
  const std::pair<int, bool> states[] = {
      {IDC_SEASON_REMOVE, !SelectedFolders().empty()},
      {IDC_SEASON_MOVE_UP, move && movable.front() > 0},
      {IDC_SEASON_MOVE_DOWN, move && movable.back() + 1 < rows},
      {IDC_SEASON_SORT, rows > 1},
      {IDC_SEASON_SET_USE, set},
      {IDC_SEASON_SET_DELETE, set},
      {IDC_SEASON_SET_EXPORT, set},
      {IDC_SEASON_SET_RENAME, set},
  };
  HWND focus = GetFocus();
  for (const auto& [id, enabled] : states) {
    HWND control = GetDlgItem(window, id);
    // A button that loses its use while it has the focus hands the focus to the list, so the
    // keyboard is never left on a disabled control.
    if (!enabled && control == focus) SetFocus(m_list.GetSafeHwnd());
    ::EnableWindow(control, enabled ? TRUE : FALSE);
  }
}

bool CSeasonDlg::GameFolderReachable() {
  if (IsFolder(m_files, m_service.GameFolder())) return true;
  AppMessageBox(FormatResourceString(IDS_GAME_FOLDER_GONE, {m_service.GameFolder()}),
                MB_OK | MB_ICONSTOP);
  Refresh(SelectedRow());
  return false;
}

// The window as the host of the engine's season commands: message boxes for the questions
// (No the default), the wait cursor while files are written, a box for what went wrong.
class CSeasonDlg::Host : public SeasonHost {
 public:
  // With `confirmUndoable` even the questions Undo could answer are asked.
  explicit Host(CSeasonDlg& window, bool confirmUndoable = false)
      : m_window(window), m_confirmUndoable(confirmUndoable) {}

  void ShowPlan(const std::vector<SeasonEffect>&, bool) override {}

  bool Ask(const SeasonQuestion& question, bool) override {
    std::string text = question.text;
    if (question.kind == SeasonQuestionKind::kConfirm) {
      // Undo is a click away: a change it takes back needs no confirmation here, unless the
      // command deletes files, which the player is always asked about (naming them).
      if (question.undoable && !m_confirmUndoable) return true;
      if (m_confirmUndoable && !question.files.empty()) {
        text += "\r\n";
        for (const std::string& file : question.files)
          text += "\r\n  " + m_window.m_files.NativePath(file);
      }
    }
    return AppMessageBox(text, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
  }

  void Busy(bool busy) override {
    if (busy) {
      m_wait.emplace(m_window);
    } else {
      m_wait.reset();
    }
  }

  void ShowOutcome(const SeasonOutcome& outcome) override {
    m_done = !outcome.problem;
    if (outcome.problem && !outcome.declined) {
      const SeasonRefusal refusal = outcome.problem.refusal;
      const UINT icon = refusal == SeasonRefusal::kNothingToDo ? MB_ICONINFORMATION
                        : refusal == SeasonRefusal::kWriteFailed ||
                                refusal == SeasonRefusal::kRestoreFailed ||
                                refusal == SeasonRefusal::kUndoNotKept
                            ? MB_ICONSTOP
                            : MB_ICONEXCLAMATION;
      AppMessageBox(SeasonProblemText(m_window.m_files, outcome.problem) + ".", MB_OK | icon);
    }
    if (m_done && !outcome.createdSet.empty()) {
      AppMessageBox(FormatResourceString(IDS_SET_CREATED, {outcome.createdSet}),
                    MB_OK | MB_ICONINFORMATION);
    }
  }

  bool Done() const { return m_done; }

 private:
  CSeasonDlg& m_window;
  bool m_confirmUndoable;
  std::optional<WaitCursor> m_wait;
  bool m_done = false;
};

bool CSeasonDlg::Apply(const SeasonChange& change, const std::string& command,
                       const std::string& done, bool confirmUndoable) {
  Host host(*this, confirmUndoable);
  RunSeasonChange(m_service, host, change, kCommandPrefix + command, false);
  m_action = host.Done() ? done : LoadResourceString(IDS_STATUS_NOTHING_CHANGED);
  return host.Done();
}

void CSeasonDlg::OnOK() {
  // The dialog manager turns Enter into IDOK before the list sees it.
  if (GetFocus() == m_list.GetSafeHwnd()) OnDetails();
}

bool CSeasonDlg::OnCommand(int id, int code) {
  const CommandScope running(*this);
  // Buttons send BN_CLICKED (0), the keys of the accelerator table 1.
  if (code != BN_CLICKED && code != 1) {
    if (id == IDC_SEASON_SETS && code == CBN_SELCHANGE) UpdateButtons();
    return CDialog::OnCommand(id, code);
  }
  switch (id) {
    case IDC_SEASON_SHOW_SEASON:
    case IDC_SEASON_SHOW_CHAMPIONSHIP:
      Refresh(0);
      return true;
    case IDC_SEASON_REMOVE: OnRemove(); return true;
    case IDC_SEASON_ADD: OnAdd(); return true;
    case IDC_SEASON_MOVE_UP: OnMove(-1); return true;
    case IDC_SEASON_MOVE_DOWN: OnMove(+1); return true;
    case IDC_SEASON_SORT: OnSort(); return true;
    case IDC_SEASON_UNDO: OnRestore(false); return true;
    case IDC_SEASON_REDO: OnRestore(true); return true;
    case IDC_SEASON_SET_USE: OnSetUse(); return true;
    case IDC_SEASON_SET_SAVE: OnSetSave(); return true;
    case IDC_SEASON_SET_DELETE: OnSetDelete(); return true;
    case IDC_SEASON_SET_EXPORT: OnSetExport(); return true;
    case IDC_SEASON_SET_IMPORT: OnSetImport(); return true;
    case IDC_SEASON_SET_RENAME: OnSetRename(); return true;
    case IDC_SEASON_INSTALL: OnInstallPackage(); return true;
    default: return CDialog::OnCommand(id, code);
  }
}

void CSeasonDlg::OnRemove() {
  const std::vector<std::string> folders = SelectedFolders();
  if (folders.empty() || !GameFolderReachable()) return;
  const int row = SelectedRow();
  // Every event of the selection in one plan: one undo step takes them all back.
  std::string done;
  if (folders.size() == 1) {
    const SeasonEvent* event = nullptr;
    for (const int selected : SelectedRows())
      if (!event) event = EventAt(selected);
    done = FormatResourceString(IDS_STATUS_REMOVED,
                                {EventTitle(*event), std::to_string(event->number)});
  } else {
    done = FormatResourceString(IDS_STATUS_REMOVED_SEVERAL, {std::to_string(folders.size())});
  }
  Apply(m_service.PlanRemove(folders, ShownChoice(), false), "remove " + JoinedFolders(folders),
        done);
  Refresh(row);
  RefreshSets();
}

void CSeasonDlg::OnAdd() {
  if (!GameFolderReachable()) return;
  std::vector<AddCandidate> candidates;
  for (const AvailableTrack& track : m_service.AddCandidates(Shown()))
    candidates.push_back({track.folder, track.known});
  CAddEventsDlg dialog(std::move(candidates));
  if (dialog.DoModal(GetSafeHwnd()) != IDOK || dialog.Chosen().empty()) return;
  std::string command = "add";
  for (const std::string& folder : dialog.Chosen()) command += " " + folder;
  const int rowsBefore = m_list.GetItemCount();
  const std::vector<std::string>& chosen = dialog.Chosen();
  const std::string done =
      chosen.size() == 1
          ? FormatResourceString(IDS_STATUS_ADDED, {chosen.front(), std::to_string(rowsBefore + 1)})
          : FormatResourceString(IDS_STATUS_ADDED_SEVERAL, {std::to_string(chosen.size())});
  if (Apply(m_service.PlanAdd(chosen, ShownChoice()), command, done)) {
    Refresh(rowsBefore);  // the first event added
  } else {
    Refresh(SelectedRow());
  }
  RefreshSets();
}

void CSeasonDlg::OnMove(int by) {
  const std::vector<int> rows = MovableRows();
  if (rows.empty() || !GameFolderReachable()) return;
  if (rows.front() + by < 0 || rows.back() + by >= m_list.GetItemCount()) return;
  bool moved = false;
  if (rows.size() == 1) {
    const SeasonEvent& event = *EventAt(rows.front());
    const std::string folder = *event.trackDirectory;
    const std::string to = std::to_string(rows.front() + by + 1);
    moved = Apply(m_service.PlanMove(folder, rows.front() + by + 1, ShownChoice()),
                  "move " + folder + " --to " + to,
                  FormatResourceString(IDS_STATUS_MOVED, {EventTitle(event), to}));
  } else {
    // The selection moves as one block: one plan, one undo step.
    std::vector<std::string> folders;
    for (const int row : rows) folders.push_back(*EventAt(row)->trackDirectory);
    moved = Apply(m_service.PlanShift(folders, by, ShownChoice()),
                  (by < 0 ? "move up " : "move down ") + JoinedFolders(folders),
                  FormatResourceString(IDS_STATUS_MOVED_SEVERAL, {std::to_string(rows.size())}));
  }
  Refresh(rows.front());
  std::vector<int> selection = rows;
  if (moved)
    for (int& row : selection) row += by;
  m_list.SelectRows(selection);  // the selection follows the moved events
  UpdateButtons();
  RefreshSets();
}

void CSeasonDlg::OnSort() {
  if (!GameFolderReachable()) return;
  Apply(m_service.PlanSort(SortKey::kDate, ShownChoice()), "sort --by date",
        LoadResourceString(IDS_STATUS_SORTED));
  Refresh(0);
  RefreshSets();
}

void CSeasonDlg::OnRestore(bool redo) {
  if (!GameFolderReachable()) return;
  Host host(*this);
  const SeasonOutcome outcome = RunSeasonRestore(
      m_service, host, std::string(kCommandPrefix) + (redo ? "restore --redo" : "restore"), false,
      redo);
  if (host.Done() && outcome.restore) {
    m_action = FormatResourceString(redo ? IDS_STATUS_REDONE : IDS_STATUS_UNDONE,
                                    {StepCommand(outcome.restore->step)});
  } else {
    m_action = LoadResourceString(IDS_STATUS_NOTHING_CHANGED);
  }
  Refresh(SelectedRow());
  RefreshSets();
}

bool CSeasonDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  HWND window = GetSafeHwnd();
  switch (message) {
    case WM_SIZE:
      if (!m_rescaling && wParam != SIZE_MINIMIZED) {
        m_layout.Apply(window);
        FitNameColumn();
      }
      return false;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize.x = m_minimumSize.cx;
      limits->ptMinTrackSize.y = m_minimumSize.cy;
      result = 0;
      return true;
    }
    case kWmDpiChanged: {
      // The system scales a per-monitor dialog's controls and fonts itself; the layout takes
      // their new places once it is done.
      const double scale = LOWORD(wParam) / static_cast<double>(WindowDpi(window));
      m_minimumSize.cx = static_cast<LONG>(m_minimumSize.cx * scale);
      m_minimumSize.cy = static_cast<LONG>(m_minimumSize.cy * scale);
      m_rescaling = true;
      PostMessageA(window, kRescaled, 0, 0);
      return false;
    }
    case kRescaled:
      m_rescaling = false;
      m_layout.Capture(window);
      m_layout.Apply(window);
      FitNameColumn();
      result = 0;
      return true;
    case WM_SETCURSOR:
      if (m_waiting > 0) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        result = TRUE;
        return true;
      }
      return false;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      // Only a change of selection matters here: filling the list changes every cell's text,
      // and the buttons looked at for each of them slowed the window's opening several-fold.
      if (header->idFrom == IDC_SEASON_LIST && header->code == LVN_ITEMCHANGED &&
          (reinterpret_cast<const NMLISTVIEW*>(lParam)->uChanged & LVIF_STATE) != 0) {
        UpdateButtons();
      }
      if (header->idFrom == IDC_SEASON_LIST &&
          (header->code == NM_DBLCLK || header->code == NM_RETURN)) {
        OnDetails();
        result = 0;
        return true;
      }
      return false;
    }
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      result = 0;
      return true;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) ReadAgainIfChanged();
      return false;
    case WM_DESTROY:
      KeepState();
      return false;
    default:
      return false;
  }
}

BOOL CSeasonDlg::PreTranslateMessage(MSG* msg) {
  m_cellTips.Track(*msg);
  return CDialog::PreTranslateMessage(msg);
}

void CSeasonDlg::RestoreState() {
  HWND window = GetSafeHwnd();
  const SeasonWindowState state = LoadSeasonWindowState(std::size(kColumns));
  const UINT dpi = WindowDpi(window);
  for (std::size_t column = 0; column < state.columnWidths.size(); ++column)
    m_list.SetColumnWidth(static_cast<int>(column), ToPixels(state.columnWidths[column], dpi));
  if (state.championship) {
    m_showSeason.SetCheck(*state.championship ? BST_UNCHECKED : BST_CHECKED);
    m_showChampionship.SetCheck(*state.championship ? BST_CHECKED : BST_UNCHECKED);
  }
  // A frame on a monitor that is gone (or damaged) is dropped: the window opens centred.
  if (state.frame && FrameOnAMonitor(*state.frame)) {
    WINDOWPLACEMENT place = {};
    place.length = sizeof place;
    place.showCmd = SW_HIDE;  // the modal run shows the window where this puts it
    place.rcNormalPosition = *state.frame;
    // Never smaller than the template, whatever the value says.
    place.rcNormalPosition.right =
        std::max(place.rcNormalPosition.right, place.rcNormalPosition.left + m_minimumSize.cx);
    place.rcNormalPosition.bottom =
        std::max(place.rcNormalPosition.bottom, place.rcNormalPosition.top + m_minimumSize.cy);
    SetWindowPlacement(window, &place);
    if (state.maximized) PostMessageA(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  }
}

void CSeasonDlg::KeepState() {
  HWND window = GetSafeHwnd();
  SeasonWindowState state;
  const UINT dpi = WindowDpi(window);
  for (int column = 0; column < static_cast<int>(std::size(kColumns)); ++column)
    state.columnWidths.push_back(ToUnits96(m_list.GetColumnWidth(column), dpi));
  WINDOWPLACEMENT place = {};
  place.length = sizeof place;
  if (GetWindowPlacement(window, &place)) {
    state.frame = place.rcNormalPosition;
    state.maximized = place.showCmd == SW_SHOWMAXIMIZED;
  }
  state.championship = Shown() == SeasonFileId::kChampionship;
  SaveSeasonWindowState(state);  // best effort: the next run opens with the defaults
}

void CSeasonDlg::ReadAgainIfChanged() {
  // A command reads the files itself when it ends; its message boxes give the activation back.
  if (m_commands > 0 || !GetSafeHwnd()) return;
  std::vector<std::string> changed;
  for (const SeasonFileId file : kBothFiles) {
    if (m_files.Fingerprint(m_service.PathOf(file)) != m_fingerprints[Slot(file)])
      changed.push_back(SeasonFileNameOf(file));
  }
  if (changed.empty()) return;
  const std::vector<std::string> folders = SelectedFolders();
  m_action = changed.size() == 1
                 ? FormatResourceString(IDS_STATUS_READ_AGAIN, {changed[0]})
                 : FormatResourceString(IDS_STATUS_READ_AGAIN_BOTH, {changed[0], changed[1]});
  Refresh(SelectedRow());
  // The same events selected, wherever they are now.
  std::vector<int> rows;
  for (int row = 0; row < m_list.GetItemCount(); ++row) {
    const SeasonEvent* event = EventAt(row);
    if (!event) continue;
    for (const std::string& folder : folders) {
      if (SameFoldedName(*event->trackDirectory, folder)) {
        rows.push_back(row);
        break;
      }
    }
  }
  if (!rows.empty()) {
    m_list.SelectRows(rows);
    UpdateButtons();
  }
  RefreshSets();
}

}  // namespace gridmoor::ui
