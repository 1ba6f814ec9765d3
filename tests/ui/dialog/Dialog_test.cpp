// The dialog base: its modal loop, message routing, reflection and failure boundary, on the
// program's own template so that the test sees the dialog the program runs.
#include "ui/framework/Dialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "res/resource.h"
#include "ui/dialog/DialogTestSupport.h"
#include "ui/framework/MessageBox.h"
#include "ui/framework/Reflect.h"

namespace gridmoor::ui {
namespace {

constexpr UINT kProbe = WM_APP + 1;      // runs the test's probe inside the loop
constexpr UINT kSwallowed = WM_APP + 2;  // PreTranslateMessage swallows it
constexpr UINT kAnswered = WM_APP + 3;   // answered through DWLP_MSGRESULT
constexpr UINT kThrows = WM_APP + 4;     // its handler throws
constexpr UINT kEnd = WM_APP + 5;        // ends the run with IDABORT

// Template 102 under a plain dialog whose behaviour the test scripts.
class ScriptedDialog : public CDialog {
 public:
  ScriptedDialog() : CDialog(IDD_GRIDMOOR_DIALOG) {}

  std::function<void(ScriptedDialog&)> probe;  // runs on kProbe, posted after initialising
  bool throwInInit = false;

  std::vector<std::string> failures;
  std::vector<UINT> preTranslated;
  std::vector<UINT> handled;
  bool initVisible = true;
  bool visibleWhenReported = true;

  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message >= WM_APP) preTranslated.push_back(msg->message);
    return msg->message == kSwallowed;
  }

  std::vector<std::pair<int, int>> commands;  // id and code of every WM_COMMAND

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    initVisible = IsWindowVisible(GetSafeHwnd()) != FALSE;
    if (throwInInit) throw std::runtime_error("init failed");
    PostMessageA(GetSafeHwnd(), kProbe, 0, 0);
    return TRUE;
  }
  bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
    if (message < WM_APP) return false;
    handled.push_back(message);
    if (message == kProbe && probe) probe(*this);
    if (message == kThrows) throw std::logic_error("handler failed");
    if (message == kEnd) EndDialog(IDABORT);
    if (message == kAnswered) {
      result = 1234;
      return true;
    }
    return false;
  }
  bool OnCommand(int id, int code) override {
    commands.emplace_back(id, code);
    return CDialog::OnCommand(id, code);
  }
  void ReportFailure(const std::exception& error) noexcept override {
    failures.push_back(error.what());
    visibleWhenReported = GetSafeHwnd() && IsWindowVisible(GetSafeHwnd());
  }
};

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override { test::InitControls(); }
};

TEST_F(DialogTest, ShowsTheDialogCentredAfterInitialisingHiddenAndEndsAfterTheAskingHandler) {
  ScriptedDialog dialog;
  dialog.probe = [](ScriptedDialog& d) {
    EXPECT_TRUE(IsWindowVisible(d.GetSafeHwnd()));
    EXPECT_EQ(GetFocus(), GetDlgItem(d.GetSafeHwnd(), IDOK));
    RECT rect = {}, work = {};
    GetWindowRect(d.GetSafeHwnd(), &rect);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((rect.left + rect.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((rect.top + rect.bottom) / 2, (work.top + work.bottom) / 2, 1);
    d.EndDialog(42);
    EXPECT_TRUE(IsWindow(d.GetSafeHwnd()) && IsWindowVisible(d.GetSafeHwnd()))
        << "the handler that asked to end still runs";
  };
  EXPECT_EQ(dialog.DoModal(), 42);
  EXPECT_FALSE(dialog.initVisible);
  EXPECT_EQ(dialog.GetSafeHwnd(), nullptr) << "the window is gone and forgotten";
}

TEST_F(DialogTest, RoutesMessagesThroughPreTranslateAndTheHandlersAndSurvivesAFailingOne) {
  ScriptedDialog dialog;
  LRESULT answer = 0;
  dialog.probe = [&](ScriptedDialog& d) {
    answer = SendMessageA(d.GetSafeHwnd(), kAnswered, 0, 0);
    for (UINT message : {kSwallowed, kThrows, kEnd}) PostMessageA(d.GetSafeHwnd(), message, 0, 0);
  };
  EXPECT_EQ(dialog.DoModal(), IDABORT);
  EXPECT_EQ(answer, 1234) << "a handled message answers through the message result";
  EXPECT_EQ(dialog.preTranslated, (std::vector<UINT>{kProbe, kSwallowed, kThrows, kEnd}))
      << "posted messages only, and first";
  EXPECT_EQ(dialog.handled, (std::vector<UINT>{kProbe, kAnswered, kThrows, kEnd}));
  EXPECT_EQ(dialog.failures, (std::vector<std::string>{"handler failed"}));
}

struct EndingCase {
  const char* name;
  std::function<void(HWND dialog)> act;
  INT_PTR expected;
};

class DialogEndingTest : public DialogTest, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(DialogEndingTest, EndsWithTheCodeOfTheWayItWasClosed) {
  ScriptedDialog dialog;
  dialog.probe = [](ScriptedDialog& d) { GetParam().act(d.GetSafeHwnd()); };
  EXPECT_EQ(dialog.DoModal(), GetParam().expected);
}

void PressKey(HWND dialog, WPARAM key) {
  HWND target = GetFocus();
  if (!target) target = dialog;
  PostMessageA(target, WM_KEYDOWN, key, 1);
  PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, DialogEndingTest,
    ::testing::Values(
        EndingCase{"Escape", [](HWND d) { PressKey(d, VK_ESCAPE); }, IDCANCEL},
        EndingCase{"Enter", [](HWND d) { PressKey(d, VK_RETURN); }, IDOK},
        EndingCase{"EnterInTheFolderBox",
                   [](HWND d) {
                     SetFocus(GetDlgItem(d, IDC_GAME_FOLDER));
                     PressKey(d, VK_RETURN);
                   },
                   IDOK},
        EndingCase{"CloseButton", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); },
                   IDCANCEL},
        EndingCase{"CancelButton",
                   [](HWND d) { PostMessageA(GetDlgItem(d, IDCANCEL), BM_CLICK, 0, 0); },
                   IDCANCEL}),
    [](const ::testing::TestParamInfo<EndingCase>& info) { return info.param.name; });

TEST_F(DialogTest, AnOwnedRunDisablesItsOwnerAndOwnsTheMessageBoxesUntilItEnds) {
  ScriptedDialog outer;
  HWND outerWindow = nullptr;
  HWND mainDuring = nullptr;
  bool ownerEnabledDuring = true;
  bool ownerEnabledAfter = false;
  HWND mainAfter = nullptr;
  outer.probe = [&](ScriptedDialog& o) {
    outerWindow = o.GetSafeHwnd();
    ScriptedDialog inner;
    inner.probe = [&](ScriptedDialog& i) {
      mainDuring = MainWindow();
      ownerEnabledDuring = IsWindowEnabled(outerWindow) != FALSE;
      EXPECT_EQ(GetWindow(i.GetSafeHwnd(), GW_OWNER), outerWindow);
      i.EndDialog(IDCANCEL);
    };
    EXPECT_EQ(inner.DoModal(outerWindow), IDCANCEL);
    ownerEnabledAfter = IsWindowEnabled(outerWindow) != FALSE;
    mainAfter = MainWindow();
    o.EndDialog(IDOK);
  };
  EXPECT_EQ(outer.DoModal(), IDOK);
  // A message box owned by the disabled owner would enable it again when it closes.
  EXPECT_NE(mainDuring, outerWindow);
  EXPECT_NE(mainDuring, nullptr);
  EXPECT_FALSE(ownerEnabledDuring);
  EXPECT_TRUE(ownerEnabledAfter);
  EXPECT_EQ(mainAfter, outerWindow);
}

TEST_F(DialogTest, AcceleratorKeysBecomeCommandsWithCodeOne) {
  ScriptedDialog dialog;
  dialog.UseAccelerators(IDR_SEASON_KEYS);
  dialog.probe = [](ScriptedDialog& d) {
    PressKey(d.GetSafeHwnd(), VK_DELETE);
    PostMessageA(d.GetSafeHwnd(), kEnd, 0, 0);
  };
  EXPECT_EQ(dialog.DoModal(), IDABORT);
  EXPECT_EQ(dialog.commands, (std::vector<std::pair<int, int>>{{IDC_SEASON_REMOVE, 1}}));
}

TEST_F(DialogTest, LeavesWmQuitForTheOuterLoop) {
  ScriptedDialog dialog;
  dialog.probe = [](ScriptedDialog&) { PostQuitMessage(5); };
  EXPECT_EQ(dialog.DoModal(), -1);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 5u);
}

TEST_F(DialogTest, AFailedInitialisationIsReportedAndTheDialogIsNeverShown) {
  ScriptedDialog dialog;
  dialog.throwInInit = true;
  bool shown = false;
  dialog.probe = [&](ScriptedDialog&) { shown = true; };
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_EQ(dialog.failures, (std::vector<std::string>{"init failed"}));
  EXPECT_FALSE(dialog.visibleWhenReported);
  EXPECT_FALSE(shown);
}

// A child that answers the reflected colour message with its own brush.
LRESULT CALLBACK ColouredStatic(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == ReflectedMessage(WM_CTLCOLORSTATIC)) {
    return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
  }
  auto original = reinterpret_cast<WNDPROC>(GetPropA(window, "original"));
  return CallWindowProcA(original, window, message, wParam, lParam);
}

TEST_F(DialogTest, ReflectsTheColourMessageToTheChildAndUsesItsBrush) {
  ScriptedDialog dialog;
  dialog.probe = [](ScriptedDialog& d) {
    HWND credit = GetDlgItem(d.GetSafeHwnd(), IDC_CREDIT);
    SetPropA(credit, "original",
             reinterpret_cast<HANDLE>(GetWindowLongPtrA(credit, GWLP_WNDPROC)));
    SetWindowLongPtrA(credit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ColouredStatic));
    HDC dc = GetDC(d.GetSafeHwnd());
    const LRESULT black = reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
    for (HWND child : {credit, GetDlgItem(d.GetSafeHwnd(), IDC_HOMEPAGE)}) {
      const LRESULT brush = SendMessageA(d.GetSafeHwnd(), WM_CTLCOLORSTATIC,
                                         reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
      EXPECT_EQ(brush == black, child == credit) << "only the answering child's brush is used";
    }
    ReleaseDC(d.GetSafeHwnd(), dc);
    SetWindowLongPtrA(credit, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(RemovePropA(credit, "original")));
    d.EndDialog(IDOK);
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST_F(DialogTest, TheOkActionRunsTheDataExchangeAgainWithoutRebinding) {
  struct Binding : ScriptedDialog {
    CButton install;
    int exchanges = 0;
    HWND boundFirst = nullptr;
    void DoDataExchange(CDataExchange& dx) override {
      ++exchanges;
      dx.Attach(IDOK, install);
      if (!boundFirst) boundFirst = install.GetSafeHwnd();
    }
  } dialog;
  dialog.probe = [](ScriptedDialog& d) { PostMessageA(GetDlgItem(d.GetSafeHwnd(), IDOK), BM_CLICK, 0, 0); };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.exchanges, 2);
  EXPECT_NE(dialog.boundFirst, nullptr);
}

struct TemplateCase {
  const char* name;
  bool extended;
  DWORD style;
  short x, y;
  bool visible, centre;
};

class PrepareTemplateTest : public ::testing::TestWithParam<TemplateCase> {};

// Just the header of a template: enough for the reader, which looks no further.
std::vector<unsigned char> TemplateHeader(const TemplateCase& c) {
  std::vector<unsigned char> bytes(c.extended ? 26 : 18, 0);
  auto put = [&bytes](std::size_t at, const void* value, std::size_t size) {
    std::memcpy(bytes.data() + at, value, size);
  };
  if (c.extended) {
    const WORD version = 1, signature = 0xFFFF;
    put(0, &version, 2);
    put(2, &signature, 2);
    put(12, &c.style, 4);
    put(18, &c.x, 2);
    put(20, &c.y, 2);
  } else {
    put(0, &c.style, 4);
    put(10, &c.x, 2);
    put(12, &c.y, 2);
  }
  return bytes;
}

TEST_P(PrepareTemplateTest, ClearsWsVisibleAndTellsWhetherToCentre) {
  const TemplateCase& c = GetParam();
  std::vector<unsigned char> bytes = TemplateHeader(c);
  PreparedTemplate prepared = PrepareTemplate(bytes.data(), bytes.size());
  ASSERT_FALSE(prepared.words.empty());
  DWORD style;
  std::memcpy(&style, reinterpret_cast<const unsigned char*>(prepared.words.data()) + (c.extended ? 12 : 0), 4);
  EXPECT_EQ(style, c.style & ~static_cast<DWORD>(WS_VISIBLE));
  EXPECT_EQ(prepared.visible, c.visible);
  EXPECT_EQ(prepared.centre, c.centre);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, PrepareTemplateTest,
    ::testing::Values(
        TemplateCase{"ExtendedVisibleAtOrigin", true, WS_POPUP | WS_VISIBLE | DS_MODALFRAME, 0, 0, true, true},
        TemplateCase{"ExtendedHiddenPlaced", true, WS_POPUP, 10, 0, false, false},
        TemplateCase{"ExtendedCentredBySystem", true, WS_POPUP | WS_VISIBLE | DS_CENTER, 0, 0, true, false},
        TemplateCase{"ExtendedAbsolute", true, WS_POPUP | DS_ABSALIGN, 0, 0, false, false},
        TemplateCase{"PlainVisibleAtOrigin", false, WS_POPUP | WS_VISIBLE, 0, 0, true, true},
        TemplateCase{"PlainPlaced", false, WS_POPUP | WS_VISIBLE, 0, 5, true, false}),
    [](const ::testing::TestParamInfo<TemplateCase>& info) { return info.param.name; });

TEST(PrepareTemplate, RefusesDataTooShortForAHeader) {
  const unsigned char extended[20] = {1, 0, 0xFF, 0xFF};
  const unsigned char plain[10] = {};
  EXPECT_TRUE(PrepareTemplate(extended, sizeof extended).words.empty());
  EXPECT_TRUE(PrepareTemplate(plain, sizeof plain).words.empty());
  EXPECT_TRUE(PrepareTemplate(nullptr, 100).words.empty());
}

}  // namespace
}  // namespace gridmoor::ui
