// The control wrappers on real controls: what the dialog relies on beyond plain messages.
#include "ui/framework/Controls.h"

#include <gtest/gtest.h>

#include <string>

#include "ui/dialog/DialogTestSupport.h"

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
