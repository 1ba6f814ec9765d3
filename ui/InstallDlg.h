#pragma once
// The program's one dialog: shows the package, finds the game folder and runs the install.
// It is the engine's host: every engine step reaches the user through it.

#include <windows.h>

#include <memory>
#include <string>

#include "engine/InstallHost.h"
#include "engine/TrackPackage.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "ui/DibBitmap.h"
#include "ui/HyperLink.h"
#include "ui/PictureFrame.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dialog.h"

namespace gridmoor::ui {

class CInstallDlg : public CDialog, public InstallHost {
 public:
  // The platform's file system and registry.
  CInstallDlg();
  // Given ones, for tests; the dialog owns both.
  CInstallDlg(std::unique_ptr<FileSystem> files, std::unique_ptr<Registry> registry);
  ~CInstallDlg() override;

  BOOL PreTranslateMessage(MSG* msg) override;

  // Asks for gpl.exe in the open-file dialog. Answers true with the chosen file's folder in
  // `folder`, false when the user cancelled or the dialog could not be shown.
  bool BrowseForGamePath(std::string& folder);

  const TrackPackage& Package() const { return m_package; }

  // InstallHost
  MessageAnswer ShowMessage(const std::string& text, MessageButtons buttons,
                            MessageIcon icon) override;
  void SetProgress(int position) override;
  std::string GameFolderText() override;
  bool IsChampionshipChecked() override;
  bool IsReplayChecked() override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  void CheckSeasonBox() override;
  void SetReadmeText(const std::string& text) override;
  void SetCaption(const std::string& caption) override;
  void SetReplayOption(bool available) override;
  bool LoadScreenshot(const std::string& fileName) override;
  void CloseDialog() override;

 protected:
  void DoDataExchange(CDataExchange& dx) override;
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code) override;
  bool OnPaint() override;
  HICON OnQueryDragIcon() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // "Install Track" (and Enter): the install run. A file error that escapes it is reported
  // and the dialog stays open.
  void OnInstallTrack();
  // "Browse": the chosen gpl.exe's folder replaces the game-folder box's text.
  void OnBrowse();
  // "Season...": the season window, modal, for the folder in the game-folder box.
  void OnOpenSeason();

 private:
  // What the engine runs on; owned, declared first so it outlives every member.
  std::unique_ptr<FileSystem> m_files;
  std::unique_ptr<Registry> m_registry;

  CProgressCtrl m_progress;     // 1007
  CEdit m_readme;               // 1005
  CButton m_replay;             // 1003
  CButton m_install;            // 1 (IDOK)
  CHyperLink m_link;            // 1002
  CButton m_championship;       // 1001
  CButton m_season;             // 1000
  CEdit m_gameFolder;           // 1096
  TrackPackage m_package;       // with the package folder
  CDibBitmap m_screenshot;
  CPictureFrame m_screenshotFrame;  // 1006, after the picture it borrows
  HICON m_hIcon;                // shared resource icon: never destroyed

  int m_nWaitCursorCount = 0;
  HCURSOR m_hCursorBeforeWait = nullptr;  // not owned
};

}  // namespace gridmoor::ui
