#include "e2e/InstallerDriver.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace gridmoor::e2e {

namespace {

// A sent message that a busy program can't hang the driver with.
constexpr UINT kSendTimeoutMs = 5000;

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                        bool* ok = nullptr) {
  DWORD_PTR result = 0;
  const LRESULT sent = SendMessageTimeoutA(window, message, wParam, lParam,
                                           SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs, &result);
  if (ok) *ok = sent != 0;
  return static_cast<LRESULT>(result);
}

struct EnumState {
  DWORD processId;
  std::vector<HWND>* windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM lParam) {
  auto* state = reinterpret_cast<EnumState*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == state->processId) state->windows->push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChildren(HWND window, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(window);
  return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, CollectChildren, reinterpret_cast<LPARAM>(&children));
  return children;
}

bool IsDialogWindow(HWND window) { return ClassOf(window) == "#32770"; }

std::string Visible(const std::string& text) {
  std::string shown;
  for (char c : text) {
    if (c == '\r') shown += "\\r";
    else if (c == '\n') shown += "\\n";
    else shown += c;
  }
  return shown;
}

LPARAM KeyParam(WORD virtualKey, bool up) {
  const UINT scan = MapVirtualKeyA(virtualKey, 0 /* MAPVK_VK_TO_VSC */);
  LPARAM lParam = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16);
  if (up) lParam |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
  return lParam;
}

}  // namespace

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string WindowText(HWND window) {
  if (!window) return {};
  bool ok = false;
  const LRESULT length = SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, &ok);
  if (!ok || length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT copied = SendWithTimeout(window, WM_GETTEXT, text.size(),
                                         reinterpret_cast<LPARAM>(text.data()), &ok);
  if (!ok) return {};
  text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, length)));
  return text;
}

const char* ButtonName(int id) {
  switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "Abort";
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    case IDYES: return "Yes";
    case IDNO: return "No";
    default: return "?";
  }
}

std::string Describe(const MessageBoxRecord& box) {
  std::string buttons;
  for (int id : box.buttons) buttons += std::string(buttons.empty() ? "" : "/") + ButtonName(id);
  return "[" + box.caption + "] \"" + Visible(box.text) + "\" icon=" + IconName(box.icon) +
         " buttons=" + buttons + " progress=" + std::to_string(box.progress);
}

AnswerPolicy AnswerOk() {
  return [](const MessageBoxRecord& box) {
    if (std::find(box.buttons.begin(), box.buttons.end(), IDOK) != box.buttons.end()) return IDOK;
    return box.buttons.empty() ? IDCANCEL : box.buttons.back();
  };
}

AnswerPolicy AnswerChoices(std::vector<int> choices) {
  auto next = std::make_shared<std::size_t>(0);
  return [choices = std::move(choices), next](const MessageBoxRecord& box) {
    if (box.buttons.size() <= 1 || choices.empty()) return AnswerOk()(box);
    const int choice = choices[std::min(*next, choices.size() - 1)];
    ++*next;
    return choice;
  };
}

InstallerDriver::InstallerDriver(const std::string& exe, const std::string& packageFolder,
                                 const std::string& arguments)
    : m_process(ChildProcess::Start(exe, packageFolder, &m_startError, arguments)) {}

std::vector<HWND> InstallerDriver::TopLevelWindows() const {
  std::vector<HWND> windows;
  if (!m_process.Started()) return windows;
  EnumState state{m_process.Id(), &windows};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&state));
  return windows;
}

bool InstallerDriver::WaitForDialog(Millis timeout) {
  return WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows()) {
          if (IsDialogWindow(window) && IsWindowVisible(window) &&
              GetDlgItem(window, control::kGameFolder)) {
            m_dialog = window;
            return true;
          }
        }
        return m_process.HasExited();
      },
      timeout) &&
         m_dialog != nullptr;
}

HWND InstallerDriver::Control(int id) const { return m_dialog ? GetDlgItem(m_dialog, id) : nullptr; }

std::string InstallerDriver::Caption() const { return WindowText(m_dialog); }

std::string InstallerDriver::Text(int id) const { return WindowText(Control(id)); }

bool InstallerDriver::IsChecked(int id) const {
  return SendWithTimeout(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool InstallerDriver::IsEnabled(int id) const {
  HWND window = Control(id);
  return window && IsWindowEnabled(window);
}

int InstallerDriver::Progress() const {
  HWND bar = Control(control::kProgress);
  if (!bar) return -1;
  bool ok = false;
  const LRESULT position = SendWithTimeout(bar, PBM_GETPOS, 0, 0, &ok);
  return ok ? static_cast<int>(position) : -1;
}

int InstallerDriver::FocusedControl() const {
  if (!m_dialog) return 0;
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(m_dialog, nullptr), &info)) return 0;
  if (!info.hwndFocus || GetParent(info.hwndFocus) != m_dialog) return 0;
  return GetDlgCtrlID(info.hwndFocus);
}

POINT InstallerDriver::ClientOrigin() const {
  POINT origin = {0, 0};
  ClientToScreen(m_dialog, &origin);
  return origin;
}

RECT InstallerDriver::WindowRect() const {
  RECT rect = {};
  GetWindowRect(m_dialog, &rect);
  return rect;
}

void InstallerDriver::SetText(int id, const std::string& text) {
  SendWithTimeout(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool InstallerDriver::TypeText(int id, const std::string& text) {
  HWND box = Control(id);
  if (!box || !TabTo(id)) return false;
  SendWithTimeout(box, EM_SETSEL, 0, -1);
  for (char c : text) PostMessageA(box, WM_CHAR, static_cast<unsigned char>(c), 1);
  return WaitUntil([&] { return Text(id) == text; });
}

void InstallerDriver::Click(int id) {
  PostMessageA(m_dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(Control(id)));
}

void InstallerDriver::ClickCheckBox(int id) { PostMessageA(Control(id), BM_CLICK, 0, 0); }

void InstallerDriver::ClickLabel(int id) {
  HWND label = Control(id);
  const LPARAM inside = MAKELPARAM(2, 2);
  PostMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, inside);
  PostMessageA(label, WM_LBUTTONUP, 0, inside);
}

void InstallerDriver::PressKey(WORD virtualKey) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  HWND target = m_dialog;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(m_dialog, nullptr), &info) && info.hwndFocus) {
    target = info.hwndFocus;
  }
  // Posted like real input: the dialog's message loop lets IsDialogMessage see the key.
  PostMessageA(target, WM_KEYDOWN, virtualKey, KeyParam(virtualKey, false));
  PostMessageA(target, WM_KEYUP, virtualKey, KeyParam(virtualKey, true));
}

bool InstallerDriver::TabTo(int id) {
  for (int presses = 0; presses <= 16; ++presses) {
    const int before = FocusedControl();
    if (before == id) return true;
    PressKey(VK_TAB);
    if (!WaitUntil([&] { return FocusedControl() != before; })) return false;
  }
  return FocusedControl() == id;
}

void InstallerDriver::CloseFromTitleBar() { PostMessageA(m_dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool InstallerDriver::IsMessageBox(HWND window) const {
  if (window == m_dialog || !IsDialogWindow(window) || !IsWindowVisible(window)) return false;
  HWND text = GetDlgItem(window, 0xFFFF);
  if (!text || ClassOf(text) != "Static" || GetDlgItem(window, control::kGameFolder)) return false;
  // The open-file dialog has labels too, but also boxes to type in.
  for (HWND child : ChildrenOf(window)) {
    const std::string kind = ClassOf(child);
    if (kind == "Edit" || kind == "ComboBox" || kind == "ComboBoxEx32") return false;
  }
  return true;
}

MessageBoxRecord InstallerDriver::ReadMessageBox(HWND box) const {
  MessageBoxRecord record;
  record.window = box;
  record.caption = WindowText(box);
  record.text = WindowText(GetDlgItem(box, 0xFFFF));
  record.progress = Progress();
  HWND iconControl = nullptr;
  for (HWND child : ChildrenOf(box)) {
    if (!IsWindowVisible(child)) continue;
    const std::string kind = ClassOf(child);
    const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    if (kind == "Button") {
      record.buttons.push_back(GetDlgCtrlID(child));
    } else if (kind == "Static" && (style & SS_TYPEMASK) == SS_ICON) {
      iconControl = child;
    }
  }
  if (!iconControl) {
    record.icon = BoxIcon::None;
  } else {
    // The box may not be painted yet: look until its icon is recognised.
    RECT area = {};
    GetWindowRect(iconControl, &area);
    WaitUntil(
        [&] {
          record.icon = IdentifyIcon(CaptureScreen(area));
          return record.icon != BoxIcon::Unknown;
        },
        Millis(5000));
  }
  return record;
}

std::optional<MessageBoxRecord> InstallerDriver::WaitForMessageBox(Millis timeout) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows()) {
          if (IsMessageBox(window)) {
            found = window;
            return true;
          }
        }
        return m_process.HasExited();
      },
      timeout);
  if (!found) return std::nullopt;
  return ReadMessageBox(found);
}

bool InstallerDriver::Answer(MessageBoxRecord& box, int button) {
  if (std::find(box.buttons.begin(), box.buttons.end(), button) == box.buttons.end()) {
    return false;
  }
  PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box.window, button)));
  if (!WaitUntil([&] { return !IsWindow(box.window); })) return false;
  box.answer = button;
  return true;
}

RunOutcome InstallerDriver::AnswerUntilExit(const AnswerPolicy& policy, Millis timeout) {
  RunOutcome outcome;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    std::optional<MessageBoxRecord> box = WaitForMessageBox(left);
    if (!box) break;
    const int button = policy(*box);
    const bool answered = Answer(*box, button);
    outcome.boxes.push_back(*box);
    if (!answered) break;
  }
  outcome.exited = m_process.HasExited() || m_process.WaitForExit(Millis(0));
  return outcome;
}

HWND InstallerDriver::WaitForWindow(const std::string& title, Millis timeout) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows()) {
          if (IsWindowVisible(window) && WindowText(window) == title) {
            found = window;
            return true;
          }
        }
        return m_process.HasExited();
      },
      timeout);
  return found;
}

namespace {

// The file name box: a combo box with its own edit (cmb13) in newer dialogs, an edit (edt1)
// in older ones.
HWND FileNameBox(HWND fileDialog) {
  constexpr int kFileNameCombo = 0x47C;  // cmb13
  constexpr int kFileNameEdit = 0x480;   // edt1
  HWND box = GetDlgItem(fileDialog, kFileNameCombo);
  if (box && IsWindowVisible(box)) return box;
  box = GetDlgItem(fileDialog, kFileNameEdit);
  return box && IsWindowVisible(box) ? box : nullptr;
}

}  // namespace

bool ChooseFileInDialog(HWND fileDialog, const std::string& path) {
  HWND box = FileNameBox(fileDialog);
  if (!box) return false;
  SendWithTimeout(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  if (!WaitUntil([&] { return WindowText(box) == path; }, Millis(5000))) return false;
  PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(fileDialog, IDOK)));
  return WaitUntil([&] { return !IsWindow(fileDialog) || !IsWindowVisible(fileDialog); });
}

void CancelFileDialog(HWND fileDialog) {
  PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(fileDialog, IDCANCEL)));
}

}  // namespace gridmoor::e2e
