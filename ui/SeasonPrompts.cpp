#include "ui/SeasonPrompts.h"

#include <utility>

#include "engine/SeasonFormats.h"
#include "res/resource.h"
#include "ui/framework/StringResource.h"

namespace gridmoor::ui {

namespace {

// A width in dialog units of `dialog`'s font, in pixels.
int DialogUnitsWide(HWND dialog, int units) {
  RECT rect = {0, 0, units, 0};
  MapDialogRect(dialog, &rect);
  return rect.right;
}

}  // namespace

CSetNameDlg::CSetNameDlg(std::string suggestion, std::string title)
    : CDialog(IDD_SEASON_NAME), m_name(std::move(suggestion)), m_title(std::move(title)) {}

void CSetNameDlg::DoDataExchange(CDataExchange& dx) { dx.Attach(IDC_NAME_EDIT, m_edit); }

BOOL CSetNameDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (!m_title.empty()) SetWindowTextA(GetSafeHwnd(), m_title.c_str());
  m_edit.LimitText(static_cast<int>(kMaxSetNameLength));
  m_edit.SetWindowText(m_name);
  m_edit.SetSel(0, -1);
  SetFocus(m_edit.GetSafeHwnd());
  return FALSE;  // the focus is set: on the name, selected, ready to be typed over
}

void CSetNameDlg::OnOK() {
  m_name = m_edit.GetWindowText();
  CDialog::OnOK();
}

CAddEventsDlg::CAddEventsDlg(std::vector<AddCandidate> candidates)
    : CDialog(IDD_SEASON_ADD), m_candidates(std::move(candidates)) {}

void CAddEventsDlg::DoDataExchange(CDataExchange& dx) {
  dx.Attach(IDC_ADD_LIST, m_list);
  dx.Attach(IDC_ADD_NOTE, m_note);
}

BOOL CAddEventsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  HWND window = GetSafeHwnd();
  m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  m_list.AddColumn(LoadResourceString(IDS_COLUMN_FOLDER), DialogUnitsWide(window, 110));
  m_list.AddColumn(LoadResourceString(IDS_COLUMN_MARKS), DialogUnitsWide(window, 80));
  std::vector<std::vector<std::string>> rows;
  bool anyUnknown = false;
  for (const AddCandidate& candidate : m_candidates) {
    rows.push_back({candidate.folder,
                    LoadResourceString(candidate.known ? IDS_ADD_KNOWN : IDS_ADD_UNKNOWN)});
    anyUnknown = anyUnknown || !candidate.known;
  }
  m_list.SetRows(rows);
  if (m_candidates.empty()) {
    m_note.SetWindowText(LoadResourceString(IDS_ADD_NONE));
  } else if (anyUnknown) {
    m_note.SetWindowText(LoadResourceString(IDS_ADD_UNKNOWN_NOTE));
  }
  for (std::size_t i = 0; i < m_candidates.size(); ++i) {
    if (m_candidates[i].known) {
      m_list.SelectRow(static_cast<int>(i));
      break;
    }
  }
  SetFocus(m_list.GetSafeHwnd());
  return FALSE;
}

void CAddEventsDlg::OnOK() {
  m_chosen.clear();
  for (int row : m_list.GetSelectedRows()) {
    if (row >= 0 && static_cast<std::size_t>(row) < m_candidates.size())
      m_chosen.push_back(m_candidates[static_cast<std::size_t>(row)].folder);
  }
  CDialog::OnOK();
}

}  // namespace gridmoor::ui
