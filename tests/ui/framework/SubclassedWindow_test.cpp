#include "ui/framework/SubclassedWindow.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace gridmoor::ui {
namespace {

constexpr UINT kAnswered = WM_APP + 1;
constexpr UINT kThrows = WM_APP + 2;

class Answering : public SubclassedWindow {
 public:
  int detached = 0;
  int seen = 0;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
    ++seen;
    if (message == kAnswered) {
      result = static_cast<LRESULT>(wParam) * 2;
      return true;
    }
    if (message == kThrows) throw std::runtime_error("handler failed");
    return false;
  }
  void OnDetached() override { ++detached; }
};

// Stands for a second subclasser that hooks the control after ours.
WNDPROC g_below = nullptr;
int g_laterCalls = 0;
LRESULT CALLBACK LaterProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ++g_laterCalls;
  return CallWindowProcA(g_below, window, message, wParam, lParam);
}

class SubclassedWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_window = CreateWindowExA(0, "STATIC", "own text", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(m_window, nullptr);
    m_ownProcedure = GetWindowLongPtrA(m_window, GWLP_WNDPROC);
  }
  void TearDown() override {
    if (IsWindow(m_window)) DestroyWindow(m_window);
  }
  std::string Text() const {
    char text[32] = {};
    GetWindowTextA(m_window, text, sizeof text);
    return text;
  }

  HWND m_window = nullptr;
  LONG_PTR m_ownProcedure = 0;
};

TEST_F(SubclassedWindowTest, HandlesWhatItKnowsAndPassesTheRestOn) {
  Answering hook;
  ASSERT_TRUE(hook.Attach(m_window));
  EXPECT_EQ(hook.Handle(), m_window);
  EXPECT_EQ(SendMessageA(m_window, kAnswered, 21, 0), 42);
  EXPECT_EQ(Text(), "own text");
  EXPECT_EQ(SendMessageA(m_window, kThrows, 0, 0), 0) << "a failing handler falls back";
  EXPECT_GE(hook.seen, 3);
}

TEST_F(SubclassedWindowTest, RefusesASecondHolderAndNonWindows) {
  Answering first, second;
  EXPECT_FALSE(first.Attach(nullptr));
  ASSERT_TRUE(first.Attach(m_window));
  EXPECT_FALSE(first.Attach(m_window));
  EXPECT_FALSE(second.Attach(m_window));
  first.Detach();
  EXPECT_TRUE(second.Attach(m_window));
}

TEST_F(SubclassedWindowTest, PutsTheProcedureBackWhenItGoes) {
  {
    Answering hook;
    ASSERT_TRUE(hook.Attach(m_window));
    EXPECT_NE(GetWindowLongPtrA(m_window, GWLP_WNDPROC), m_ownProcedure);
  }
  EXPECT_EQ(GetWindowLongPtrA(m_window, GWLP_WNDPROC), m_ownProcedure);
  EXPECT_EQ(SendMessageA(m_window, kAnswered, 21, 0), 0);
}

TEST_F(SubclassedWindowTest, KeepsALaterSubclasserWorkingAfterLettingGo) {
  Answering hook;
  ASSERT_TRUE(hook.Attach(m_window));
  g_below = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LaterProcedure)));
  hook.Detach();
  EXPECT_EQ(GetWindowLongPtrA(m_window, GWLP_WNDPROC),
            reinterpret_cast<LONG_PTR>(&LaterProcedure));
  g_laterCalls = 0;
  EXPECT_EQ(Text(), "own text");
  EXPECT_EQ(SendMessageA(m_window, kAnswered, 21, 0), 0) << "no object answers any more";
  EXPECT_GT(g_laterCalls, 0);
}

TEST_F(SubclassedWindowTest, ForgetsAWindowThatIsDestroyed) {
  Answering hook;
  ASSERT_TRUE(hook.Attach(m_window));
  DestroyWindow(m_window);
  EXPECT_EQ(hook.Handle(), nullptr);
  EXPECT_EQ(hook.detached, 1);
}

}  // namespace
}  // namespace gridmoor::ui
