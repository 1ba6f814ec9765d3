#pragma once
// The season window's two small questions: a set's name, and which tracks to add.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/framework/Controls.h"
#include "ui/framework/Dialog.h"

namespace gridmoor::ui {

// Asks for a set's name, starting from `suggestion`, under the caption `title` ("" keeps the
// template's). The box takes at most the engine's longest set name. Run answers IDOK with
// Name() holding the text as typed (checked by the service, not here), or IDCANCEL.
class CSetNameDlg : public CDialog {
 public:
  explicit CSetNameDlg(std::string suggestion, std::string title = "");
  const std::string& Name() const { return m_name; }

 protected:
  void DoDataExchange(CDataExchange& dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  CEdit m_edit;
  std::string m_name;
  std::string m_title;
};

// One track folder the Add dialog offers.
struct AddCandidate {
  std::string folder;
  bool known = false;  // the library holds its event
};

// Lists `candidates` (those whose event is known first choosable, the others shown as such);
// Run answers IDOK with Chosen() holding the selected folders in list order, or IDCANCEL.
class CAddEventsDlg : public CDialog {
 public:
  explicit CAddEventsDlg(std::vector<AddCandidate> candidates);
  const std::vector<std::string>& Chosen() const { return m_chosen; }

 protected:
  void DoDataExchange(CDataExchange& dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  CListView m_list;
  CControl m_note;
  std::vector<AddCandidate> m_candidates;
  std::vector<std::string> m_chosen;
};

}  // namespace gridmoor::ui
