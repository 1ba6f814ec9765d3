// The control wrappers on real controls: what the dialog relies on beyond plain messages.
#include "ui/framework/Controls.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/dialog/DialogTestSupport.h"
#include "ui/framework/ToolTip.h"

namespace gridmoor::ui {
namespace {

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::InitControls();
    m_parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                               nullptr, nullptr);
  }
  void TearDown() override { DestroyWindow(m_parent); }

  HWND Child(const char* className, DWORD style) {
    return CreateWindowExA(0, className, "", WS_CHILD | style, 0, 0, 200, 20, m_parent, nullptr,
                           nullptr, nullptr);
  }

  HWND m_parent = nullptr;
};

TEST_F(ControlsTest, ReplaceAllReplacesTheWholeTextWithoutUndoAndLongTextsReadBack) {
  CEdit edit;
  edit.Attach(Child("EDIT", ES_AUTOHSCROLL));
  edit.SetWindowText("C:\\typed\\by\\hand");
  SendMessageA(edit.GetSafeHwnd(), EM_SETSEL, 3, 5);  // the caret somewhere inside
  edit.ReplaceAll("D:\\Games\\GPL");
  EXPECT_EQ(edit.GetWindowText(), "D:\\Games\\GPL");
  EXPECT_EQ(SendMessageA(edit.GetSafeHwnd(), EM_CANUNDO, 0, 0), FALSE);
  edit.ReplaceAll("");
  EXPECT_EQ(edit.GetWindowText(), "");
  const std::string longerThanAPath(1000, 'x');
  edit.SetWindowText(longerThanAPath);
  EXPECT_EQ(edit.GetWindowText(), longerThanAPath);
}

TEST_F(ControlsTest, SelectRowsSelectsThoseInRangeAloneAndFocusesTheFirst) {
  CListView list;
  list.Attach(Child(WC_LISTVIEWA, LVS_REPORT | LVS_SHOWSELALWAYS));
  list.AddColumn("Name", 100);
  list.SetRows({{"a"}, {"b"}, {"c"}, {"d"}});
  list.SelectRow(0);
  list.SelectRows({3, 1, 9});
  EXPECT_EQ(list.GetSelectedRows(), (std::vector<int>{1, 3}));
  EXPECT_EQ(SendMessageA(list.GetSafeHwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 3);
  list.SelectRows({});
  EXPECT_TRUE(list.GetSelectedRows().empty());
}

TEST_F(ControlsTest, ControlToolKeepsItsTextAndTakesANewOne) {
  HWND button = Child("BUTTON", BS_PUSHBUTTON);
  ToolTip tip;
  ASSERT_TRUE(tip.Create(m_parent));
  ASSERT_TRUE(tip.AddControlTool(m_parent, button, "Undo: sort --by date"));
  EXPECT_EQ(tip.GetText(m_parent, ToolTip::ControlToolId(button)), "Undo: sort --by date");
  tip.UpdateTipText("Undo: remove alder", m_parent, ToolTip::ControlToolId(button));
  EXPECT_EQ(tip.GetText(m_parent, ToolTip::ControlToolId(button)), "Undo: remove alder");
}

// A set's name with its state must show whole in the list, while the box keeps its width; a
// short list never makes the drop-down narrower than the box.
TEST_F(ControlsTest, FitDroppedWidthWidensTheListToItsLongestTextOnly) {
  CComboBox box;
  box.Attach(Child("COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL));
  RECT before = {};
  GetWindowRect(box.GetSafeHwnd(), &before);
  box.AddString("Short");
  box.FitDroppedWidth();
  EXPECT_EQ(SendMessageA(box.GetSafeHwnd(), CB_GETDROPPEDWIDTH, 0, 0), before.right - before.left);
  box.AddString(std::string(40, 'W') + " (active, changed)");
  box.FitDroppedWidth();
  EXPECT_GT(SendMessageA(box.GetSafeHwnd(), CB_GETDROPPEDWIDTH, 0, 0), 2 * (before.right - before.left));
  RECT after = {};
  GetWindowRect(box.GetSafeHwnd(), &after);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
}

TEST(UnboundControls, DoNothingAndAnswerEmpty) {
  CEdit edit;
  CButton button;
  CProgressCtrl progress;
  edit.ReplaceAll("ignored");
  button.SetCheck(BST_CHECKED);
  progress.SetPos(3);
  EXPECT_EQ(edit.GetWindowText(), "");
  EXPECT_EQ(button.GetCheck(), 0);
  EXPECT_EQ(progress.GetPos(), 0);
  EXPECT_FALSE(button.IsWindowEnabled());
}

}  // namespace
}  // namespace gridmoor::ui
