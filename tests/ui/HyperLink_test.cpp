#include "ui/HyperLink.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/framework/Reflect.h"

namespace gridmoor::ui {
namespace {

constexpr int kLabelId = 1002;
constexpr const char* kLabelText = "Visit Lapscope homepage";
constexpr const char* kAddress = "https://www.lapscope.example/";

class RecordingLauncher : public LinkLauncher {
 public:
  int Launch(const std::string& address, int showCommand) override {
    launched.push_back(address);
    shows.push_back(showCommand);
    return result;
  }
  void ReportFailure(int code) override { failures.push_back(code); }

  int result = 42;
  std::vector<std::string> launched;
  std::vector<int> shows;
  std::vector<int> failures;
};

// A top-level window holding the static label (and a button to take the focus away), the way
// the dialog holds control 1002. It stays hidden: focus and messages work all the same, and
// Wine without a window manager takes seconds to hide a shown window.
class LinkWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&windowClass);
  }

  void SetUp() override {
    m_font.Reset(CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH, "MS Sans Serif"));
    m_parent = CreateWindowExA(0, kClassName, "link test", WS_OVERLAPPEDWINDOW,
                               100, 100, 420, 220, nullptr, nullptr, GetModuleHandleA(nullptr),
                               nullptr);
    ASSERT_NE(m_parent, nullptr);
    m_other = CreateWindowExA(0, "BUTTON", "Other", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10,
                              80, 24, m_parent, reinterpret_cast<HMENU>(1),
                              GetModuleHandleA(nullptr), nullptr);
    SetActiveWindow(m_parent);
  }

  void TearDown() override {
    if (IsWindow(m_parent)) DestroyWindow(m_parent);
  }

  // The label at (20, 100), 300 x 30, with the test font unless `withFont` is false.
  HWND MakeLabel(DWORD style = SS_RIGHT, bool withFont = true, DWORD exStyle = 0) {
    HWND label = CreateWindowExA(exStyle, "STATIC", kLabelText, WS_CHILD | WS_VISIBLE | style, 20,
                                 100, 300, 30, m_parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabelId)),
                                 GetModuleHandleA(nullptr), nullptr);
    if (withFont) SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    return label;
  }

  // Binds `link` to `label`, opening kAddress through `launcher` when one is given.
  HWND Bind(CHyperLink& link, HWND label, RecordingLauncher* launcher = nullptr) {
    if (launcher) link.SetLauncher(launcher);
    EXPECT_TRUE(link.SubclassDlgItem(kLabelId, m_parent));
    link.SetLinkTarget(kAddress);
    return label;
  }

  RECT RectInParent(HWND window) const {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, m_parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  // What the label asks the parent to paint its text with.
  static COLORREF ColourShown(HWND label) {
    OwnedDC dc(CreateCompatibleDC(nullptr));
    SetTextColor(dc.Get(), RGB(1, 2, 3));
    SetBkMode(dc.Get(), OPAQUE);
    const LRESULT brush = SendMessageA(label, ReflectedMessage(WM_CTLCOLORSTATIC),
                                       reinterpret_cast<WPARAM>(dc.Get()),
                                       reinterpret_cast<LPARAM>(label));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), GetStockObject(NULL_BRUSH));
    EXPECT_EQ(GetBkMode(dc.Get()), TRANSPARENT);
    return GetTextColor(dc.Get());
  }

  static LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

  static constexpr const char* kClassName = "GridmoorLinkTest";
  OwnedFont m_font;
  HWND m_parent = nullptr;
  HWND m_other = nullptr;
};

TEST_F(LinkWindow, BindingMakesTheControlALink) {
  HWND control = MakeLabel();
  CHyperLink link;
  ASSERT_TRUE(link.SubclassDlgItem(kLabelId, m_parent));
  EXPECT_EQ(link.GetSafeHwnd(), control);
  EXPECT_EQ(link.GetLinkTarget(), kLabelText);
  EXPECT_EQ(link.Tip().GetText(control, CHyperLink::kToolId), kLabelText);

  LOGFONTA font{};
  HFONT shown = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  ASSERT_NE(shown, m_font.Get());
  ASSERT_EQ(GetObjectA(shown, sizeof font, &font), static_cast<int>(sizeof font));
  EXPECT_EQ(font.lfUnderline, 1);

  EXPECT_EQ(SendMessageA(control, WM_NCHITTEST, 0, At(150, 110)), HTCLIENT);
  ASSERT_NE(CHyperLink::HandCursor(), nullptr);
  EXPECT_EQ(SendMessageA(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            TRUE);
  EXPECT_EQ(GetCursor(), CHyperLink::HandCursor());

  EXPECT_FALSE(link.SubclassDlgItem(kLabelId, m_parent)) << "bound already";
  CHyperLink second;
  EXPECT_FALSE(second.SubclassDlgItem(kLabelId, m_parent)) << "the control is taken";
  EXPECT_FALSE(second.SubclassDlgItem(4711, m_parent)) << "no such control";
}

TEST_F(LinkWindow, TargetReplacesTheTipButNotTheText) {
  CHyperLink link;
  HWND control = Bind(link, MakeLabel());
  EXPECT_EQ(link.GetLinkTarget(), kAddress);
  EXPECT_EQ(link.Tip().GetText(control, CHyperLink::kToolId), kAddress);
  char text[64] = {};
  GetWindowTextA(control, text, sizeof text);
  EXPECT_STREQ(text, kLabelText);
  EXPECT_TRUE(GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) << "shown again";
}

TEST_F(LinkWindow, EmptyTextShowsTheTarget) {
  HWND control = MakeLabel();
  SetWindowTextA(control, "");
  CHyperLink link;
  link.SetLinkTarget(kAddress);
  ASSERT_TRUE(link.SubclassDlgItem(kLabelId, m_parent));
  char text[64] = {};
  GetWindowTextA(control, text, sizeof text);
  EXPECT_STREQ(text, kAddress);
  EXPECT_EQ(link.Tip().GetText(control, CHyperLink::kToolId), kAddress);
}

TEST_F(LinkWindow, SpaceBarOrClickFollowsAndTheColourTracksFocusAndSuccess) {
  CHyperLink link;
  RecordingLauncher launcher;
  HWND control = Bind(link, MakeLabel(), &launcher);

  EXPECT_EQ(ColourShown(control), CHyperLink::kLinkColor);
  SetFocus(control);
  ASSERT_EQ(GetFocus(), control);
  EXPECT_EQ(ColourShown(control), CHyperLink::kArmedColor);
  SetFocus(m_other);
  EXPECT_EQ(ColourShown(control), CHyperLink::kLinkColor) << "not followed yet";

  // Other keys do nothing; a failed opening changes nothing and is reported with its code.
  SetFocus(control);
  launcher.result = 4;
  SendMessageA(control, WM_KEYDOWN, 'A', 0);
  SendMessageA(control, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(launcher.launched.empty());
  SendMessageA(control, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(launcher.launched, std::vector<std::string>{kAddress});
  EXPECT_EQ(launcher.shows, std::vector<int>{SW_SHOW});
  EXPECT_EQ(launcher.failures, std::vector<int>{4});
  EXPECT_FALSE(link.IsFollowed());
  SetFocus(m_other);
  EXPECT_EQ(ColourShown(control), CHyperLink::kLinkColor);

  launcher.result = 42;
  SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  EXPECT_EQ(GetFocus(), control) << "a press takes the focus";
  SendMessageA(control, WM_LBUTTONUP, 0, At(5, 5));
  EXPECT_TRUE(link.IsFollowed());
  EXPECT_EQ(ColourShown(control), CHyperLink::kArmedColor);
  SetFocus(m_other);
  EXPECT_EQ(ColourShown(control), CHyperLink::kFollowedColor);
  SetFocus(control);
  EXPECT_EQ(ColourShown(control), CHyperLink::kArmedColor);
  SetFocus(m_other);
  EXPECT_EQ(ColourShown(control), CHyperLink::kFollowedColor) << "never blue again";
  EXPECT_EQ(launcher.failures, std::vector<int>{4});
}

TEST_F(LinkWindow, DraggingOffBeforeReleaseDoesNotFollow) {
  CHyperLink link;
  RecordingLauncher launcher;
  HWND control = Bind(link, MakeLabel(SS_LEFT), &launcher);

  SendMessageA(control, WM_MOUSEMOVE, 0, At(3, 3));
  EXPECT_TRUE(link.IsHot());
  EXPECT_EQ(GetCapture(), control);
  SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, At(3, 3));
  SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, At(-20, 3));
  EXPECT_FALSE(link.IsHot());
  EXPECT_NE(GetCapture(), control) << "the release goes to the window under the pointer";
  EXPECT_TRUE(launcher.launched.empty());

  SendMessageA(control, WM_MOUSEMOVE, 0, At(3, 3));
  SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, At(3, 3));
  SendMessageA(control, WM_LBUTTONUP, 0, At(3, 3));
  EXPECT_EQ(launcher.launched.size(), 1u);
  ReleaseCapture();
}

struct SizeCase {
  const char* name;
  DWORD style;
  DWORD exStyle;
};

class LinkSizing : public LinkWindow, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(LinkSizing, ShrinksToItsTextKeepingItsAlignment) {
  const DWORD style = GetParam().style;
  HWND control = MakeLabel(style, true, GetParam().exStyle);
  const RECT before = RectInParent(control);
  RECT client{};
  GetClientRect(control, &client);
  const int dx = (before.right - before.left) - client.right;
  const int dy = (before.bottom - before.top) - client.bottom;

  CHyperLink link;
  Bind(link, control);

  SIZE text{};
  {
    WindowDC dc(control);
    ScopedSelectObject font(dc.Get(),
                            reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32A(dc.Get(), kLabelText, static_cast<int>(strlen(kLabelText)), &text);
  }
  const RECT after = RectInParent(control);
  EXPECT_NEAR(after.right - after.left, text.cx + dx, 1);
  EXPECT_NEAR(after.bottom - after.top, text.cy + dy, 1);

  switch (style & (SS_CENTER | SS_RIGHT)) {
    case SS_RIGHT:
      EXPECT_EQ(after.right, before.right);
      break;
    case SS_CENTER:
      EXPECT_NEAR(after.left + after.right, before.left + before.right, 1);
      break;
    default:
      EXPECT_EQ(after.left, before.left);
  }
  if (style & SS_CENTERIMAGE) {
    EXPECT_NEAR(after.top + after.bottom, before.top + before.bottom, 1);
  } else {
    EXPECT_EQ(after.top, before.top);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Alignments, LinkSizing,
    ::testing::Values(SizeCase{"Right", SS_RIGHT, 0}, SizeCase{"Left", SS_LEFT, 0},
                      SizeCase{"Centre", SS_CENTER, 0},
                      SizeCase{"RightCentredImage", SS_RIGHT | SS_CENTERIMAGE, 0},
                      SizeCase{"RightWithBorder", SS_RIGHT, WS_EX_CLIENTEDGE}),
    [](const ::testing::TestParamInfo<SizeCase>& info) { return info.param.name; });

TEST_F(LinkWindow, ControlWithoutFontKeepsItsSizeButStillWorks) {
  HWND control = MakeLabel(SS_RIGHT, false);
  const RECT before = RectInParent(control);
  CHyperLink link;
  RecordingLauncher launcher;
  Bind(link, control, &launcher);

  EXPECT_EQ(link.GetLinkStyle() & CHyperLink::LINK_SIZETOTEXT, 0u);
  const RECT after = RectInParent(control);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_EQ(link.Tip().GetText(control, CHyperLink::kToolId), kAddress);
  SendMessageA(control, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(launcher.launched.size(), 1u);
}

TEST_F(LinkWindow, LetsGoOfTheControlWhenDestroyed) {
  HWND control = MakeLabel();
  const LONG_PTR ownProcedure = GetWindowLongPtrA(control, GWLP_WNDPROC);
  {
    CHyperLink link;
    ASSERT_TRUE(link.SubclassDlgItem(kLabelId, m_parent));
    EXPECT_NE(GetWindowLongPtrA(control, GWLP_WNDPROC), ownProcedure);
  }
  EXPECT_EQ(GetWindowLongPtrA(control, GWLP_WNDPROC), ownProcedure);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), m_font.Get());
  EXPECT_EQ(SendMessageA(control, WM_NCHITTEST, 0, At(150, 110)), HTTRANSPARENT)
      << "a plain static again";
}

TEST_F(LinkWindow, OutlivesItsWindow) {
  MakeLabel();
  CHyperLink link;
  ASSERT_TRUE(link.SubclassDlgItem(kLabelId, m_parent));
  DestroyWindow(m_parent);
  EXPECT_EQ(link.GetSafeHwnd(), nullptr);
  link.SetLinkTarget(kAddress);
  EXPECT_EQ(link.GetLinkTarget(), kAddress);
}

TEST_F(LinkWindow, PreTranslateRelaysAndLetsTheMessageThrough) {
  HWND control = MakeLabel();
  CHyperLink link;
  ASSERT_TRUE(link.SubclassDlgItem(kLabelId, m_parent));
  MSG msg{control, WM_MOUSEMOVE, 0, At(5, 5), GetTickCount(), {125, 205}};
  EXPECT_FALSE(link.PreTranslateMessage(&msg));
  MSG elsewhere{m_other, WM_MOUSEMOVE, 0, At(5, 5), GetTickCount(), {15, 15}};
  EXPECT_FALSE(link.PreTranslateMessage(&elsewhere));
}

}  // namespace
}  // namespace gridmoor::ui
