#pragma once
// One event's details, opened from the season window's list: its keys as the season file holds
// them, its track folder's files measured against the install's record, and where and when it
// was installed. The dialog only shows; "Remove with files..." ends it with IDC_DETAILS_REMOVE
// and the window runs the removal through the engine.

#include <windows.h>

#include <string>

#include "ui/framework/Controls.h"
#include "ui/framework/Dialog.h"

namespace gridmoor::ui {

// What the dialog shows, each text ready for the player.
struct EventDetails {
  std::string title;      // the caption
  std::string keys;       // "key=value" a line, CR LF between them
  std::string files;      // the folder's size and whether its files are as installed
  std::string installed;  // where from, when, the version
  bool removable = false; // the event names a track folder whose files can be deleted
};

class CSeasonDetailsDlg : public CDialog {
 public:
  explicit CSeasonDetailsDlg(EventDetails details);

 protected:
  void DoDataExchange(CDataExchange& dx) override;
  BOOL OnInitDialog() override;
  // Enter closes it, as Close does: nothing here changes anything.
  void OnOK() override { EndDialog(IDCANCEL); }
  bool OnCommand(int id, int code) override;

 private:
  EventDetails m_details;
  CEdit m_keys;
  CControl m_files;
  CControl m_installed;
};

// "12.3 MB", "4.0 KB", "512 bytes".
std::string ByteSizeText(unsigned long long bytes);

}  // namespace gridmoor::ui
