#include "ui/InstallDlg.h"

#include <utility>

#include "engine/FileErrorText.h"
#include "engine/GameFolder.h"
#include "engine/InstallRun.h"
#include "res/resource.h"
#include "ui/GameFolderPrompt.h"
#include "ui/HomePage.h"
#include "ui/SeasonWindow.h"
#include "ui/framework/MessageBox.h"
#include "ui/framework/PaintDC.h"
#include "ui/framework/StringResource.h"

namespace gridmoor::ui {

namespace {

constexpr int kProgressEnd = 25;

// The screenshot's place in the client area, in device pixels: it does not follow the
// dialog-unit scaling of the template, so it stays this size with any system font.
constexpr RECT kPictureArea = {12, 7, 12 + 300, 7 + 178};

}  // namespace

CInstallDlg::CInstallDlg() : CInstallDlg(MakeNativeFileSystem(), MakeNativeRegistry()) {}

CInstallDlg::CInstallDlg(std::unique_ptr<FileSystem> files, std::unique_ptr<Registry> registry)
    : CDialog(IDD_GRIDMOOR_DIALOG),
      m_files(std::move(files)),
      m_registry(std::move(registry)),
      m_hIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

CInstallDlg::~CInstallDlg() = default;

void CInstallDlg::DoDataExchange(CDataExchange& dx) {
  CDialog::DoDataExchange(dx);
  dx.Attach(IDC_PROGRESS, m_progress);
  dx.Attach(IDC_README, m_readme);
  dx.Attach(IDC_REPLAY, m_replay);
  dx.Attach(IDOK, m_install);
  dx.Subclass(IDC_HOMEPAGE, m_link);
  dx.Attach(IDC_CHAMPIONSHIP, m_championship);
  dx.Attach(IDC_SEASON, m_season);
  dx.Attach(IDC_GAME_FOLDER, m_gameFolder);
}

BOOL CInstallDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  // Not a bound control: the frame only keeps its border off the picture.
  m_screenshotFrame.SubclassDlgItem(IDC_SCREENSHOT_FRAME, GetSafeHwnd(), m_screenshot,
                                    kPictureArea);

  m_progress.SetRange(0, kProgressEnd);
  m_progress.SetPos(0);

  if (!LoadPackage(*this, *m_files, m_package)) {
    // The loader has told the user. The dialog ends as soon as its initialisation is over;
    // the steps below still run on the window that is never shown.
    OnOK();
  }

  HWND window = GetSafeHwnd();
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  m_gameFolder.ReplaceAll(GetGamePathFromRegistry(*m_registry));
  m_link.SetLinkTarget(kHomepageUrl);
  return TRUE;  // the focus goes to the first tab stop, "Install Track"
}

BOOL CInstallDlg::PreTranslateMessage(MSG* msg) {
  // The label's tooltip learns about the mouse only through the messages relayed to it.
  if (msg->hwnd && msg->hwnd == m_link.GetSafeHwnd()) m_link.PreTranslateMessage(msg);
  return CDialog::PreTranslateMessage(msg);
}

bool CInstallDlg::OnCommand(int id, int code) {
  if (code == BN_CLICKED && id == IDC_BROWSE) {
    OnBrowse();
    return true;
  }
  if (code == BN_CLICKED && id == IDOK) {
    OnInstallTrack();
    return true;
  }
  if (code == BN_CLICKED && id == IDC_OPEN_SEASON) {
    OnOpenSeason();
    return true;
  }
  return CDialog::OnCommand(id, code);
}

void CInstallDlg::OnInstallTrack() {
  try {
    gridmoor::OnInstallTrackKeepingStep(*this, *m_files, m_package,
                                        "gridmoor.exe: install " + m_package.trackDirectory);
  } catch (const CFileException& error) {
    // Only clearing a read-only mark lets an error out; nothing has been copied yet.
    AppMessageBox(FailedCommandReport(error), MB_OK | MB_ICONSTOP);
  }
}

bool CInstallDlg::BrowseForGamePath(std::string& folder) {
  std::optional<std::string> chosen = AskForGameFolder(GetSafeHwnd());
  if (!chosen) return false;
  folder = *chosen;
  return true;
}

void CInstallDlg::OnOpenSeason() {
  const std::string folder = m_gameFolder.GetWindowText();
  if (folder.empty()) {
    AppMessageBox(LoadResourceString(IDS_NO_GAME_FOLDER), MB_OK | MB_ICONINFORMATION);
    return;
  }
  CSeasonDlg season(*m_files, folder);
  season.Run(GetSafeHwnd());
}

void CInstallDlg::OnBrowse() {
  std::string folder;
  if (BrowseForGamePath(folder)) m_gameFolder.ReplaceAll(folder);
}

bool CInstallDlg::OnPaint() {
  HWND window = GetSafeHwnd();
  if (IsIconic(window)) {
    CPaintDC dc(window);
    SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(window, &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc.GetSafeHdc(), x, y, m_hIcon);
    return true;
  }
  {
    CPaintDC dc(window);
    m_screenshot.PaintStretched(dc.GetSafeHdc(), kPictureArea.left, kPictureArea.top,
                                kPictureArea.right - kPictureArea.left,
                                kPictureArea.bottom - kPictureArea.top, FALSE);
  }
  // The default processing follows; our BeginPaint has left it nothing to draw.
  return false;
}

HICON CInstallDlg::OnQueryDragIcon() { return m_hIcon; }

bool CInstallDlg::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
  if (message == WM_SETCURSOR && m_nWaitCursorCount > 0) {
    // A message box shown during the copy must not turn the dialog's cursor back to an arrow.
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    result = TRUE;
    return true;
  }
  return false;
}

MessageAnswer CInstallDlg::ShowMessage(const std::string& text, MessageButtons buttons,
                                       MessageIcon icon) {
  UINT type = buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK;
  type |= icon == MessageIcon::Stop ? MB_ICONSTOP : MB_ICONEXCLAMATION;
  const int answer = AppMessageBox(text, type);
  if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  return answer == IDYES ? MessageAnswer::Yes : MessageAnswer::No;
}

void CInstallDlg::SetProgress(int position) { m_progress.SetPos(position); }

std::string CInstallDlg::GameFolderText() { return m_gameFolder.GetWindowText(); }

bool CInstallDlg::IsChampionshipChecked() { return m_championship.GetCheck() == BST_CHECKED; }

bool CInstallDlg::IsReplayChecked() { return m_replay.GetCheck() == BST_CHECKED; }

void CInstallDlg::BeginWaitCursor() {
  if (m_nWaitCursorCount++ == 0) m_hCursorBeforeWait = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
}

void CInstallDlg::EndWaitCursor() {
  if (m_nWaitCursorCount == 0 || --m_nWaitCursorCount > 0) return;
  SetCursor(m_hCursorBeforeWait ? m_hCursorBeforeWait : LoadCursorA(nullptr, IDC_ARROW));
  m_hCursorBeforeWait = nullptr;
}

void CInstallDlg::CheckSeasonBox() { m_season.SetCheck(BST_CHECKED); }

void CInstallDlg::SetReadmeText(const std::string& text) { m_readme.SetWindowText(text); }

void CInstallDlg::SetCaption(const std::string& caption) {
  ::SetWindowTextA(GetSafeHwnd(), caption.c_str());
}

void CInstallDlg::SetReplayOption(bool available) {
  if (available) {
    m_replay.SetCheck(BST_CHECKED);
  } else {
    m_replay.SetCheck(BST_UNCHECKED);
    m_replay.EnableWindow(false);
  }
}

bool CInstallDlg::LoadScreenshot(const std::string& fileName) {
  return m_screenshot.LoadBmpFile(fileName.c_str()) != FALSE;
}

void CInstallDlg::CloseDialog() { OnOK(); }

}  // namespace gridmoor::ui
