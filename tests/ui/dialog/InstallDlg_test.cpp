// The install dialog in this process on its real template: what it shows after loading a
// package, its picture, and the install run, Browse and a failed command as the user meets them.
#include "ui/InstallDlg.h"

#include <gtest/gtest.h>

#include <commdlg.h>
#include <dlgs.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/FileException.h"
#include "platform/ForwardingFileSystem.h"
#include "platform/TestFolder.h"
#include "res/resource.h"
#include "ui/BmpFile.h"
#include "ui/dialog/DialogTestSupport.h"
#include "ui/framework/MessageBox.h"

namespace gridmoor::ui {
namespace {

using test::MessageBoxWatcher;
using test::ShownBox;

constexpr UINT kProbe = WM_APP + 1;
constexpr COLORREF kPictureColour = RGB(200, 30, 40);

// The dialog with a probe that runs inside its loop once it is up.
class ProbedInstallDlg : public CInstallDlg {
 public:
  using CInstallDlg::CInstallDlg;

  std::function<void(ProbedInstallDlg&)> probe;
  bool shown = false;
  bool probed = false;

  HWND Item(int id) const { return GetDlgItem(GetSafeHwnd(), id); }

 protected:
  BOOL OnInitDialog() override {
    const BOOL focus = CInstallDlg::OnInitDialog();
    PostMessageA(GetSafeHwnd(), kProbe, 0, 0);
    return focus;
  }
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == WM_SHOWWINDOW && wParam) shown = true;
    if (message == kProbe) {
      probed = true;
      if (probe) probe(*this);
      return true;
    }
    return CInstallDlg::OnMessage(message, wParam, lParam, result);
  }
};

// The native file system, except that writing a file's status back fails as a locked-down
// system would refuse it.
class StatusRefusingFileSystem : public gridmoor::ForwardingFileSystem {
 public:
  StatusRefusingFileSystem() : ForwardingFileSystem(Native()) {}
  void SetStatus(const std::string& path, const FileStatus&) override {
    throw CFileException(kCauseAccessDenied, path);
  }

 private:
  static FileSystem& Native() {
    static const std::unique_ptr<FileSystem> native = MakeNativeFileSystem();
    return *native;
  }
};

const char* const kTrackFiles[] = {"dat",      "track.ini", "record.ini", "race.lp",   "pit.lp",
                                   "pass1.lp", "pass2.lp",  "maxrace.lp", "minrace.lp"};

const char kSeason[] =
    "[Season]\r\nnumEvents=1\r\n\r\n"
    "[Event1]\r\nname=Old Grand Prix\r\nshortname=Old\r\ntrackDirectory=old\r\n"
    "numberOfLaps=50\r\nday=1\r\nmonth=5\r\nstartingGrid=3-2-3\r\n";

class InstallDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::InitControls();
    for (const char* folder : {"package", "game\\seasons", "game\\tracks", "game\\replay"}) {
      std::filesystem::create_directories(m_root.Native(folder));
    }
    m_root.Write("game\\seasons\\67season.ini", kSeason);
    m_root.Write("game\\seasons\\gp.ini", kSeason);
    WritePackage(true);
  }

  void WritePackage(bool withReplay, bool valid = true) {
    std::string ini =
        "[installinfo]\r\n"
        "dialogtitel=Testmoor 1967 - Track Installation\r\n"
        "name=Testmoor Grand Prix\r\nshortname=Testmoor\r\ntrackDirectory=testmoor\r\n"
        "month=9\r\nday=17\r\nnumberOfLaps=55\r\n";
    if (valid) ini += "startingGrid=3-2-3\r\n";
    if (withReplay) ini += "replayfilename=testmoor.rpy\r\n";
    m_root.Write("package\\install.ini", ini);
    m_root.Write("package\\readme.txt", "TESTMOOR\nA track made for tests.\n");
    m_root.Write("package\\screenshot.bmp", test::SolidBmp(64, 40, kPictureColour));
    for (const char* file : kTrackFiles) m_root.Write(std::string("package\\") + file, file);
    m_root.Write("package\\rpy", "replay");
  }

  std::string GameFolder() const { return m_root.Path("game"); }

  // Runs the dialog from the package folder; answers DoModal's code. A probe given must run.
  INT_PTR Run(ProbedInstallDlg& dialog) {
    test::CurrentDirectory inPackage(m_root.Path("package"));
    const INT_PTR code = dialog.DoModal();
    EXPECT_TRUE(!dialog.probe || dialog.probed) << "the dialog came up and ran the probe";
    return code;
  }

  std::unique_ptr<Registry> RegistryWith(const std::string& folder) {
    return std::make_unique<test::FakeRegistry>(kRegistryOk, folder);
  }

  gridmoor::testing::TestFolder m_root;
};

std::string Text(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

bool Checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

struct RegistryCase {
  const char* name;
  long status;
  std::string stored;
  std::string shown;
  bool withReplay = true;
};

class InstallDlgOpeningTest : public InstallDlgTest,
                              public ::testing::WithParamInterface<RegistryCase> {};

TEST_P(InstallDlgOpeningTest, ShowsThePackageAndTheGameFolderFromTheRegistry) {
  WritePackage(GetParam().withReplay);
  ProbedInstallDlg dialog(MakeNativeFileSystem(),
                          std::make_unique<test::FakeRegistry>(GetParam().status, GetParam().stored));
  dialog.probe = [&](ProbedInstallDlg& d) {
    EXPECT_EQ(Text(d.GetSafeHwnd()), "Testmoor 1967 - Track Installation");
    EXPECT_EQ(Text(d.Item(IDC_README)), "TESTMOOR\r\nA track made for tests.\r\n");
    EXPECT_EQ(Text(d.Item(IDC_GAME_FOLDER)), GetParam().shown);
    EXPECT_TRUE(Checked(d.Item(IDC_SEASON)));
    EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_SEASON)));
    EXPECT_FALSE(Checked(d.Item(IDC_CHAMPIONSHIP)));
    EXPECT_EQ(Checked(d.Item(IDC_REPLAY)), GetParam().withReplay);
    EXPECT_EQ(IsWindowEnabled(d.Item(IDC_REPLAY)) != FALSE, GetParam().withReplay);
    EXPECT_EQ(SendMessageA(d.Item(IDC_PROGRESS), PBM_GETRANGE, FALSE, 0), 25);
    EXPECT_EQ(SendMessageA(d.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);
    const LRESULT bigIcon = SendMessageA(d.GetSafeHwnd(), WM_GETICON, ICON_BIG, 0);
    EXPECT_NE(bigIcon, 0);
    EXPECT_EQ(SendMessageA(d.GetSafeHwnd(), WM_GETICON, ICON_SMALL, 0), bigIcon);
    EXPECT_EQ(GetFocus(), d.Item(IDOK));
    d.EndDialog(IDCANCEL);
  };
  EXPECT_EQ(Run(dialog), IDCANCEL);
}

INSTANTIATE_TEST_SUITE_P(
    Registry, InstallDlgOpeningTest,
    ::testing::Values(RegistryCase{"Folder", kRegistryOk, "C:\\Games\\GPL", "C:\\Games\\GPL"},
                      RegistryCase{"TrailingBackslashKept", kRegistryOk, "C:\\Games\\GPL\\",
                                   "C:\\Games\\GPL\\"},
                      RegistryCase{"NoEntry", kRegistryNotFound, "", ""},
                      RegistryCase{"PackageWithoutReplay", kRegistryOk, "C:\\G", "C:\\G", false}),
    [](const ::testing::TestParamInfo<RegistryCase>& info) { return info.param.name; });

TEST_F(InstallDlgTest, AnInvalidPackageIsReportedOnceAndTheDialogIsNeverShown) {
  WritePackage(true, false);
  ProbedInstallDlg dialog(MakeNativeFileSystem(), RegistryWith(GameFolder()));
  MessageBoxWatcher boxes(GetCurrentThreadId());
  EXPECT_EQ(Run(dialog), IDOK);
  EXPECT_FALSE(dialog.shown);
  EXPECT_FALSE(dialog.probed);
  std::vector<ShownBox> shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Install.ini missing or not valid!\r\nClick OK to finish.");
  EXPECT_EQ(shown[0].caption, ApplicationTitle());
  EXPECT_TRUE(shown[0].exclamation);
}

// The picture fills exactly 300 x 178 pixels at (12, 7), whatever the frame's border: where the
// template puts the frame, and with the frame laid onto the picture's edge, as a larger dialog
// font would place it.
class InstallDlgPictureTest : public InstallDlgTest, public ::testing::WithParamInterface<bool> {};

TEST_P(InstallDlgPictureTest, PaintsTheWholeScreenshotIntoItsFixedRectangle) {
  const bool frameOnThePicture = GetParam();
  ProbedInstallDlg dialog(MakeNativeFileSystem(), RegistryWith(GameFolder()));
  const std::pair<POINT, bool> samples[] = {
      {{12, 7}, true},    {{311, 7}, true},    {{12, 184}, true},   {{311, 184}, true},
      {{13, 8}, true},    {{310, 183}, true},  {{160, 100}, true},  {{11, 100}, false},
      {{312, 100}, false}, {{160, 6}, false},  {{160, 185}, false}};
  dialog.probe = [&](ProbedInstallDlg& d) {
    if (frameOnThePicture) {
      SetWindowPos(d.Item(IDC_SCREENSHOT_FRAME), nullptr, 12, 7, 300, 178,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RedrawWindow(d.GetSafeHwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC dc = GetDC(d.GetSafeHwnd());
    for (const auto& [at, inside] : samples) {
      const COLORREF seen = GetPixel(dc, at.x, at.y);
      EXPECT_EQ(seen == kPictureColour, inside)
          << "at " << at.x << "," << at.y << ": 0x" << std::hex << seen;
    }
    ReleaseDC(d.GetSafeHwnd(), dc);
    d.EndDialog(IDCANCEL);
  };
  Run(dialog);
}

INSTANTIATE_TEST_SUITE_P(Frame, InstallDlgPictureTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "LaidOnThePicture" : "AsTheTemplatePutsIt";
                         });

TEST_F(InstallDlgTest, InstallTrackRunsTheInstallShowsTheSummaryAndCloses) {
  ProbedInstallDlg dialog(MakeNativeFileSystem(), RegistryWith(GameFolder()));
  std::atomic<LRESULT> positionAtSummary{-1};
  std::atomic<HWND> progress{nullptr};
  {
    MessageBoxWatcher boxes(GetCurrentThreadId(), {}, [&](HWND) {
      positionAtSummary = SendMessageA(progress.load(), PBM_GETPOS, 0, 0);
    });
    dialog.probe = [&](ProbedInstallDlg& d) {
      progress = d.Item(IDC_PROGRESS);
      PostMessageA(d.Item(IDOK), BM_CLICK, 0, 0);
    };
    EXPECT_EQ(Run(dialog), IDOK);
    std::vector<ShownBox> shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "Install of track files completed OK\r\nUpdate of ini file(s) completed OK\r\n"
              "\r\nClick OK to finish track install");
  }
  EXPECT_EQ(positionAtSummary, 25);
  EXPECT_EQ(m_root.Read("game\\tracks\\testmoor\\testmoor.dat"), "dat");
  EXPECT_EQ(m_root.Read("game\\replay\\testmoor.rpy"), "replay");
  const std::string season = m_root.Read("game\\seasons\\67season.ini");
  EXPECT_NE(season.find("[Event2]\r\nname=Testmoor Grand Prix"), std::string::npos) << season;
  EXPECT_EQ(m_root.Read("game\\seasons\\gp.ini"), kSeason) << "box 1001 was not checked";
}

TEST_F(InstallDlgTest, AFileErrorEscapingTheRunIsReportedWithTheStopIconAndTheDialogStaysOpen) {
  SetFileAttributesA(m_root.Path("game\\seasons\\67season.ini").c_str(), FILE_ATTRIBUTE_READONLY);
  ProbedInstallDlg dialog(std::make_unique<StatusRefusingFileSystem>(), RegistryWith(GameFolder()));
  MessageBoxWatcher boxes(GetCurrentThreadId(), {IDYES, IDOK});
  dialog.probe = [](ProbedInstallDlg& d) {
    SendMessageA(d.Item(IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(!d.IsEnding() && IsWindowVisible(d.GetSafeHwnd())) << "open after the run";
    PostMessageA(d.Item(IDCANCEL), BM_CLICK, 0, 0);
  };
  EXPECT_EQ(Run(dialog), IDCANCEL);
  std::vector<ShownBox> shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_TRUE(shown[0].yesNo);
  EXPECT_EQ(shown[1].text, "Access to an unnamed file was denied.");
  EXPECT_TRUE(shown[1].stop);
  EXPECT_FALSE(shown[1].yesNo);
  EXPECT_EQ(GetFileAttributesA(m_root.Path("game\\tracks\\testmoor").c_str()),
            INVALID_FILE_ATTRIBUTES) << "nothing was copied";
}

TEST_F(InstallDlgTest, KeepsTheWaitCursorOverTheDialogUntilTheLastWaitEnds) {
  ProbedInstallDlg dialog(MakeNativeFileSystem(), RegistryWith(GameFolder()));
  dialog.probe = [](ProbedInstallDlg& d) {
    auto waiting = [&d] {
      SetCursor(LoadCursorA(nullptr, IDC_ARROW));
      SendMessageA(d.GetSafeHwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(d.GetSafeHwnd()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
      return GetCursor() == LoadCursorA(nullptr, IDC_WAIT);
    };
    d.BeginWaitCursor();
    d.BeginWaitCursor();
    EXPECT_TRUE(waiting());
    d.EndWaitCursor();
    EXPECT_TRUE(waiting()) << "one wait still runs";
    d.EndWaitCursor();
    EXPECT_FALSE(waiting());
    d.EndDialog(IDCANCEL);
  };
  Run(dialog);
}

std::vector<std::string> FilterNames(HWND fileDialog) {
  std::vector<std::string> names;
  HWND types = GetDlgItem(fileDialog, cmb1);
  const int count = static_cast<int>(SendMessageA(types, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char name[128] = {};
    SendMessageA(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
    names.push_back(name);
  }
  return names;
}

// Chooses gpl.exe in the open-file dialog (true) or cancels it (false).
class InstallDlgBrowseTest : public InstallDlgTest, public ::testing::WithParamInterface<bool> {};

TEST_P(InstallDlgBrowseTest, ReplacesTheFolderTextOnlyWhenAFileIsChosen) {
  m_root.Write("game\\gpl.exe", "");
  ProbedInstallDlg dialog(MakeNativeFileSystem(), RegistryWith("typed before"));
  std::vector<std::string> filters;
  std::thread user([&] {
    HWND fileDialog = nullptr;
    ASSERT_TRUE(test::WaitFor([&] {
      fileDialog = FindWindowA(nullptr, "Locate GPL.EXE");
      return fileDialog && IsWindowVisible(fileDialog);
    }));
    filters = FilterNames(fileDialog);
    const int button = GetParam() ? IDOK : IDCANCEL;
    const std::string path = GameFolder() + "\\gpl.exe";
    if (GetParam()) {
      SendMessageA(GetDlgItem(fileDialog, cmb13), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(path.c_str()));
    }
    PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(fileDialog, button)));
  });
  dialog.probe = [&](ProbedInstallDlg& d) {
    SendMessageA(d.Item(IDC_BROWSE), BM_CLICK, 0, 0);
    EXPECT_EQ(Text(d.Item(IDC_GAME_FOLDER)), GetParam() ? GameFolder() : "typed before");
    d.EndDialog(IDCANCEL);
  };
  Run(dialog);
  user.join();
  EXPECT_EQ(filters, (std::vector<std::string>{"GPL.exe File (gpl.exe)", "All Files(*.*)"}));
}

INSTANTIATE_TEST_SUITE_P(Choices, InstallDlgBrowseTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ChooseGplExe" : "Cancel";
                         });

}  // namespace
}  // namespace gridmoor::ui
