#pragma once
// The season window: the events of 67season.ini or gp.ini in a list, and every change the
// command line can make to them, through the engine's season service. The window decides
// nothing about the season itself: it shows what the service reads, has the engine run what the
// player chose (engine/SeasonCommand.h), answers its questions with message boxes, and reads
// the files again after every change.

#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/SeasonService.h"
#include "platform/FileSystem.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/Layout.h"
#include "ui/framework/ToolTip.h"
#include "ui/ListCellTips.h"

namespace gridmoor::ui {

class CSeasonDlg : public CDialog {
 public:
  // The season of `gameFolder` (trailing backslashes are ignored), read and written through
  // `files` (not owned; it must outlive the window).
  CSeasonDlg(FileSystem& files, const std::string& gameFolder);

  // Runs the window modally over `owner` (null: on its own), per-monitor DPI aware, with its
  // keys (Del, Alt+Up, Alt+Down, Ctrl+Z, Ctrl+Y). Answers DoModal's code.
  INT_PTR Run(HWND owner);

 protected:
  void DoDataExchange(CDataExchange& dx) override;
  BOOL OnInitDialog() override;
  // Enter does not close the window: on the list it opens the selected event's details.
  void OnOK() override;
  bool OnCommand(int id, int code) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  BOOL PreTranslateMessage(MSG* msg) override;

 private:
  // Shows the wait cursor over the window while a change runs.
  class WaitCursor;
  // The engine's season host, over this window.
  class Host;

  SeasonFileId Shown() const;
  SeasonFileChoice ShownChoice() const;
  // Reads the shown file and the sets again; selects `row` afterwards (clamped to the list).
  void Refresh(int row);
  void RefreshSets();
  // The line under the list: the active set whole, and whether the season changed since.
  void ShowSetState(const std::vector<SetSummary>& sets);
  void UpdateButtons();
  // Undo and Redo: enabled when there is a step to take, each naming its step in its tooltip.
  void UpdateHistory();
  // The status line: the last action's result, and a warning while the file holds more events
  // than the game reads.
  void ShowStatus();
  // The Name column takes the width the other columns leave.
  void FitNameColumn();
  // The first selected row (-1: none); every selected row; the track folders of the selected
  // events that name one, in the list's order.
  int SelectedRow() const;
  std::vector<int> SelectedRows() const;
  std::vector<std::string> SelectedFolders() const;
  // The selected rows when each of them names a track folder; empty otherwise.
  std::vector<int> MovableRows() const;
  const SeasonEvent* EventAt(int row) const;
  std::optional<std::string> SelectedSet() const;

  // Runs `change` through the engine with the window as its host (the questions as message
  // boxes, a refusal told in one); the status line then says `done`, or that nothing changed.
  // Answers whether the change was made. With `confirmUndoable` the command's own question is
  // asked even though Undo could take the change back (it deletes files).
  bool Apply(const SeasonChange& change, const std::string& command, const std::string& done,
             bool confirmUndoable = false);
  // The game folder is still there; otherwise says so and answers false.
  bool GameFolderReachable();

  void OnRemove();
  void OnAdd();
  void OnMove(int by);
  void OnSort();
  // Undo, or with `redo` Redo.
  void OnRestore(bool redo);
  void OnSetUse();
  void OnSetSave();
  void OnSetDelete();
  void OnSetExport();
  void OnSetImport();
  void OnSetRename();
  // Asks for a set's name under `title`, starting from `suggestion`, until `plan` accepts the
  // name or the player cancels: a refused name is explained and offered again as typed.
  // Answers the accepted plan with the name in `name`, or nullopt.
  template <class Plan>
  std::optional<SeasonChange> AskSetName(const std::string& title, std::string suggestion,
                                         Plan plan, std::string& name);

  // The selected event's details (SeasonDetails.cpp), and the removal with its files that
  // they offer.
  void OnDetails();
  void RemoveWithFiles(const SeasonEvent& event);
  // "Install package..." and dropped files (SeasonInstall.cpp): the install dialog over each
  // package, then the files read again.
  void OnInstallPackage();
  void OnDropFiles(HDROP drop);
  void InstallAndRefresh(const std::string& path);

  // The state kept between runs (ui/WindowPlacement.h): put back as the window opens, kept
  // as it closes.
  void RestoreState();
  void KeepState();
  // The window is active again: when another program changed a season file since the window
  // read it, reads it again, the selection kept by track folder where it can be.
  void ReadAgainIfChanged();
  // Marks a command handler's run: files are not read again under a running command.
  class CommandScope;

  FileSystem& m_files;  // not owned
  SeasonService m_service;
  SeasonFileView m_view;  // what the list shows
  std::vector<std::string> m_setNames;  // by the combo's index
  std::string m_action;                 // the status line's account of the last action

  CButton m_showSeason;        // IDC_SEASON_SHOW_SEASON
  CButton m_showChampionship;  // IDC_SEASON_SHOW_CHAMPIONSHIP
  CControl m_count;            // IDC_SEASON_COUNT
  CListView m_list;            // IDC_SEASON_LIST
  CControl m_problem;          // IDC_SEASON_PROBLEM
  CComboBox m_sets;            // IDC_SEASON_SETS
  CControl m_setState;         // IDC_SEASON_SET_STATE
  CControl m_status;           // IDC_SEASON_STATUS
  ToolTip m_tip;               // Undo's and Redo's

  CAnchorLayout m_layout;
  SIZE m_minimumSize = {0, 0};  // the window's, in pixels at the current DPI
  bool m_rescaling = false;     // the system is moving the controls for a new DPI
  int m_waiting = 0;

  ListCellTips m_cellTips;  // the list's cut cells, through m_tip
  // Each season file's fingerprint as the list last read it (67season.ini, gp.ini).
  std::string m_fingerprints[2];
  int m_commands = 0;  // command handlers running
};

}  // namespace gridmoor::ui
