// The program's resources as compiled: dialog template 102 control by control, the icon's
// images, the version record and the manifest.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

std::vector<unsigned char> Resource(LPCSTR type, int id) {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(id), type);
  if (!found) return {};
  const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(self, found)));
  return std::vector<unsigned char>(data, data + SizeofResource(self, found));
}

// Reads the little-endian fields of an extended dialog template in order.
class TemplateReader {
 public:
  explicit TemplateReader(const std::vector<unsigned char>& bytes) : m_bytes(bytes) {}

  template <class T>
  T Get() {
    T value{};
    if (m_at + sizeof(T) <= m_bytes.size()) std::memcpy(&value, m_bytes.data() + m_at, sizeof(T));
    m_at += sizeof(T);
    return value;
  }
  std::string Text() {
    std::string text;
    for (WORD c = Get<WORD>(); c != 0 && m_at <= m_bytes.size(); c = Get<WORD>()) {
      text += static_cast<char>(c);
    }
    return text;
  }
  // A name or an ordinal; ordinals come back as "#<number>".
  std::string NameOrOrdinal() {
    WORD first = Get<WORD>();
    if (first == 0) return "";
    if (first == 0xFFFF) return "#" + std::to_string(Get<WORD>());
    m_at -= sizeof(WORD);
    return Text();
  }
  void AlignToDword() { m_at = (m_at + 3) & ~static_cast<std::size_t>(3); }
  bool Overran() const { return m_at > m_bytes.size(); }

 private:
  const std::vector<unsigned char>& m_bytes;
  std::size_t m_at = 0;
};

struct Control {
  std::string className;  // "button" button, "edit" edit, "static" static, or a class name
  int id;
  std::string text;
  DWORD style;
  short x, y, cx, cy;
  DWORD exStyle;
};

bool operator==(const Control& a, const Control& b) {
  return a.className == b.className && a.id == b.id && a.text == b.text && a.style == b.style &&
         a.x == b.x && a.y == b.y && a.cx == b.cx && a.cy == b.cy && a.exStyle == b.exStyle;
}

std::ostream& operator<<(std::ostream& out, const Control& c) {
  return out << c.className << " id " << c.id << " \"" << c.text << "\" style 0x" << std::hex
             << c.style << " ex 0x" << c.exStyle << std::dec << " at " << c.x << "," << c.y
             << " " << c.cx << "x" << c.cy;
}

// Class names compare without regard to case, and the predefined ones may be stored as ordinals.
std::string ClassName(std::string stored) {
  if (stored == "#128") return "button";
  if (stored == "#129") return "edit";
  if (stored == "#130") return "static";
  for (char& c : stored) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return stored;
}

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

const std::vector<Control> kExpectedControls = {
    {"button", IDOK, "Install Track", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 298, 125, 57, 14, 0},
    {"button", IDCANCEL, "Cancel", kChild | BS_PUSHBUTTON | WS_TABSTOP, 298, 141, 57, 14, 0},
    {"button", 0xFFFF, "GPL Path", kChild | BS_GROUPBOX, 7, 121, 280, 34, 0},
    {"edit", IDC_GAME_FOLDER, "", kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 13, 134, 217, 12, 0},
    {"button", IDC_BROWSE, "Browse", kChild | BS_PUSHBUTTON | WS_TABSTOP, 242, 134, 36, 14, 0},
    {"button", 0xFFFF, "Install settings", kChild | BS_GROUPBOX, 7, 159, 280, 47, 0},
    {"button", IDC_SEASON, "Add to 67season.ini (required)",
     kChild | BS_AUTOCHECKBOX | WS_TABSTOP | WS_DISABLED, 14, 171, 114, 8, 0},
    {"button", IDC_CHAMPIONSHIP, "Add to gp.ini (to include track in World Championship)",
     kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 14, 182, 181, 8, 0},
    {"static", IDC_HOMEPAGE, "Visit Lapscope homepage", kChild | SS_RIGHT | WS_GROUP, 214, 210, 141, 9, 0},
    {"button", IDC_REPLAY, "Install (at time of release) World Record lap replay",
     kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 14, 193, 182, 8, 0},
    {"static", IDC_CREDIT, "Gridmoor version 1.01", kChild | SS_LEFT | WS_GROUP, 7, 209, 185, 10, 0},
    {"static", IDC_SCREENSHOT_FRAME, "", kChild | SS_BITMAP | WS_BORDER, 7, 3, 201, 111, 0},
    {"button", 0xFFFF, "Track Information", kChild | BS_GROUPBOX, 212, 0, 143, 115, 0},
    {"edit", IDC_README, "",
     kChild | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY |
         ES_WANTRETURN,
     216, 9, 135, 102, 0},
    {"msctls_progress32", IDC_PROGRESS, "Progress1", kChild | WS_BORDER | PBS_VERTICAL | PBS_SMOOTH,
     293, 162, 62, 44, 0},
    // Added last: the controls above keep their places and their tab order.
    {"button", IDC_OPEN_SEASON, "Season...", kChild | BS_PUSHBUTTON | WS_TABSTOP, 231, 188, 50, 14, 0},
};

TEST(Resources, DialogTemplateIsTheInstallDialogAsDesigned) {
  std::vector<unsigned char> bytes = Resource(RT_DIALOG, IDD_GRIDMOOR_DIALOG);
  ASSERT_FALSE(bytes.empty());
  TemplateReader in(bytes);
  ASSERT_EQ(in.Get<WORD>(), 1);
  ASSERT_EQ(in.Get<WORD>(), 0xFFFF) << "an extended template";
  EXPECT_EQ(in.Get<DWORD>(), 0u) << "no help id";
  EXPECT_EQ(in.Get<DWORD>(), static_cast<DWORD>(WS_EX_APPWINDOW));
  EXPECT_EQ(in.Get<DWORD>(), static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                                                DS_MODALFRAME | DS_SETFONT));
  const WORD count = in.Get<WORD>();
  EXPECT_EQ(count, kExpectedControls.size());
  EXPECT_EQ(in.Get<short>(), 0);
  EXPECT_EQ(in.Get<short>(), 0);
  EXPECT_EQ(in.Get<short>(), 362);
  EXPECT_EQ(in.Get<short>(), 226);
  EXPECT_EQ(in.NameOrOrdinal(), "") << "no menu";
  EXPECT_EQ(in.NameOrOrdinal(), "") << "no private class";
  EXPECT_EQ(in.Text(), "Gridmoor");
  EXPECT_EQ(in.Get<WORD>(), 8) << "points";
  EXPECT_EQ(in.Get<WORD>(), FW_NORMAL);
  EXPECT_EQ(in.Get<BYTE>(), 0) << "upright";
  EXPECT_EQ(in.Get<BYTE>(), DEFAULT_CHARSET);
  EXPECT_EQ(in.Text(), "MS Sans Serif");

  std::vector<Control> controls;
  for (WORD i = 0; i < count; ++i) {
    in.AlignToDword();
    Control c;
    EXPECT_EQ(in.Get<DWORD>(), 0u) << "no help id on control " << i;
    c.exStyle = in.Get<DWORD>();
    c.style = in.Get<DWORD>();
    c.x = in.Get<short>();
    c.y = in.Get<short>();
    c.cx = in.Get<short>();
    c.cy = in.Get<short>();
    c.id = static_cast<int>(in.Get<DWORD>() & 0xFFFF);
    c.className = ClassName(in.NameOrOrdinal());
    c.text = in.NameOrOrdinal();
    in.Get<WORD>();  // creation data, none
    controls.push_back(c);
  }
  EXPECT_FALSE(in.Overran());
  ASSERT_EQ(controls.size(), kExpectedControls.size());
  for (std::size_t i = 0; i < controls.size(); ++i) {
    EXPECT_EQ(controls[i], kExpectedControls[i]) << "control " << i + 1 << " in tab order";
  }
}

TEST(Resources, IconHasA32And16PixelImageOf16Colours) {
  std::vector<unsigned char> group = Resource(RT_GROUP_ICON, IDR_MAINFRAME);
  ASSERT_GE(group.size(), 6u);
  WORD count;
  std::memcpy(&count, group.data() + 4, 2);
  ASSERT_EQ(count, 2);
  std::vector<int> sizes;
  for (WORD i = 0; i < count; ++i) {
    const unsigned char* entry = group.data() + 6 + 14 * i;  // GRPICONDIRENTRY
    WORD bitCount;
    std::memcpy(&bitCount, entry + 6, 2);
    EXPECT_EQ(entry[2], 16) << "colours of image " << i;
    EXPECT_EQ(bitCount, 4);
    sizes.push_back(entry[0]);
  }
  EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
  EXPECT_NE(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)), nullptr);
}

TEST(Resources, VersionRecordIs1001InUsEnglishUnicode) {
  // Read as the system reads it: the ANSI queries need the room GetFileVersionInfoA leaves
  // beyond the record for their converted texts.
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  DWORD handle = 0;
  std::vector<unsigned char> version(GetFileVersionInfoSizeA(self, &handle));
  ASSERT_FALSE(version.empty());
  ASSERT_TRUE(GetFileVersionInfoA(self, 0, static_cast<DWORD>(version.size()), version.data()));
  void* fixedData = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueA(version.data(), "\\", &fixedData, &size));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(fixedData);
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(1, 0));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(1, 0));
  void* translation = nullptr;
  ASSERT_TRUE(VerQueryValueA(version.data(), "\\VarFileInfo\\Translation", &translation, &size));
  ASSERT_GE(size, 4u);
  const WORD* pair = static_cast<const WORD*>(translation);
  EXPECT_EQ(pair[0], 0x0409);
  EXPECT_EQ(pair[1], 1200);
  void* text = nullptr;
  ASSERT_TRUE(VerQueryValueA(version.data(), "\\StringFileInfo\\040904B0\\FileVersion", &text, &size));
  EXPECT_STREQ(static_cast<const char*>(text), "1.0.0.1");
}

TEST(Resources, ManifestAsksForCommonControls6AndTheInvokersRights) {
  std::vector<unsigned char> bytes = Resource(MAKEINTRESOURCEA(24), 1);  // RT_MANIFEST
  const std::string manifest(bytes.begin(), bytes.end());
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  // A setup file is this program under a name like "kestrel-setup.exe", which Windows would
  // take for an installer wanting administrator rights; the level says it wants none.
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
  EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
  EXPECT_EQ(manifest.find("highestAvailable"), std::string::npos);
  EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
  EXPECT_EQ(manifest.find("dpiAwareness"), std::string::npos);
}

}  // namespace
