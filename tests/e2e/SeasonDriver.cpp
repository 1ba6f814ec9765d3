#include "e2e/SeasonDriver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace gridmoor::e2e {

namespace {

constexpr UINT kSendTimeoutMs = 5000;

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* ok = nullptr) {
  DWORD_PTR result = 0;
  const LRESULT sent = SendMessageTimeoutA(window, message, wParam, lParam,
                                           SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs, &result);
  if (ok) *ok = sent != 0;
  return static_cast<LRESULT>(result);
}

// Memory in the program's process, lent to a control that answers through a pointer: our
// pointers mean nothing there. Freed with its owner.
class RemoteMemory {
 public:
  RemoteMemory(HANDLE process, std::size_t size)
      : m_process(process),
        m_address(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                 PAGE_READWRITE)),
        m_size(size) {}
  ~RemoteMemory() {
    if (m_address) VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  explicit operator bool() const { return m_address != nullptr; }
  char* Address(std::size_t offset = 0) const { return static_cast<char*>(m_address) + offset; }
  bool Write(std::size_t offset, const void* data, std::size_t size) {
    SIZE_T written = 0;
    return offset + size <= m_size &&
           WriteProcessMemory(m_process, Address(offset), data, size, &written) && written == size;
  }
  bool Read(std::size_t offset, void* data, std::size_t size) const {
    SIZE_T read = 0;
    return offset + size <= m_size &&
           ReadProcessMemory(m_process, Address(offset), data, size, &read) && read == size;
  }

 private:
  HANDLE m_process;  // not owned
  void* m_address;
  std::size_t m_size;
};

constexpr std::size_t kTextRoom = 1024;

int ColumnCount(HWND list) {
  HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(Send(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

}  // namespace

bool SeasonWindowDriver::WaitForWindow(Millis timeout) {
  m_window = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : m_program.TopLevelWindows()) {
          if (IsWindowVisible(window) && GetDlgItem(window, season::kList)) {
            m_window = window;
            return true;
          }
        }
        return m_program.Process().HasExited();
      },
      timeout);
  return m_window != nullptr;
}

bool SeasonWindowDriver::IsEnabled(int id) const {
  HWND control = Control(id);
  return control && IsWindowEnabled(control);
}

bool SeasonWindowDriver::IsChecked(int id) const {
  return Send(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int SeasonWindowDriver::RowCount() const {
  HWND list = Control(season::kList);
  return list ? static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
}

std::vector<ListRow> SeasonWindowDriver::Rows(HWND list) const {
  std::vector<ListRow> rows;
  if (!list) return rows;
  RemoteMemory memory(m_program.Process().Handle(), sizeof(LVITEMA) + kTextRoom);
  if (!memory) return rows;
  const int count = static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0));
  const int columns = ColumnCount(list);
  for (int row = 0; row < count; ++row) {
    ListRow cells;
    for (int column = 0; column < columns; ++column) {
      LVITEMA item = {};
      item.mask = LVIF_TEXT;
      item.iItem = row;
      item.iSubItem = column;
      item.pszText = memory.Address(sizeof(LVITEMA));
      item.cchTextMax = static_cast<int>(kTextRoom);
      char text[kTextRoom] = {};
      if (!memory.Write(0, &item, sizeof item) || !memory.Write(sizeof item, text, 1)) return {};
      Send(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
           reinterpret_cast<LPARAM>(memory.Address()));
      if (!memory.Read(sizeof item, text, sizeof text)) return {};
      text[kTextRoom - 1] = '\0';
      cells.emplace_back(text);
    }
    rows.push_back(std::move(cells));
  }
  return rows;
}

std::vector<int> SeasonWindowDriver::SelectedRows(HWND list) const {
  std::vector<int> rows;
  for (LRESULT row = Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
       row >= 0; row = Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED)) {
    rows.push_back(static_cast<int>(row));
  }
  return rows;
}

bool SeasonWindowDriver::SelectRow(HWND list, int row) { return SelectRows(list, {row}); }

bool SeasonWindowDriver::SelectRows(HWND list, const std::vector<int>& rows) {
  RemoteMemory memory(m_program.Process().Handle(), sizeof(LVITEMA));
  if (!memory) return false;
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  if (!memory.Write(0, &item, sizeof item)) return false;
  Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(memory.Address()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    // As Ctrl+click adds a row: the first row clicked keeps the focus.
    item.stateMask = LVIS_SELECTED | (i == 0 ? LVIS_FOCUSED : 0);
    item.state = item.stateMask;
    if (!memory.Write(0, &item, sizeof item)) return false;
    Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(rows[i]),
         reinterpret_cast<LPARAM>(memory.Address()));
  }
  std::vector<int> sorted = rows;
  std::sort(sorted.begin(), sorted.end());
  return SelectedRows(list) == sorted;
}

namespace {

struct ToolTipSearch {
  DWORD process;
  HWND owner;
  HWND found;
};

// The tooltip window the program made for `owner` (EnumWindows' callback: stdcall on 32-bit).
BOOL CALLBACK FindToolTip(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<ToolTipSearch*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  if (process != s->process || lstrcmpiA(name, TOOLTIPS_CLASSA) != 0 ||
      GetWindow(window, GW_OWNER) != s->owner) {
    return TRUE;
  }
  s->found = window;
  return FALSE;
}

}  // namespace

std::string SeasonWindowDriver::ToolTipText(int id) const {
  ToolTipSearch search{m_program.Process().Id(), m_window, nullptr};
  EnumWindows(FindToolTip, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return {};
  constexpr std::size_t kTextSize = 512;
  RemoteMemory memory(m_program.Process().Handle(), sizeof(TOOLINFOA) + kTextSize);
  if (!memory) return {};
  // The window's tools are its buttons, each by its handle.
  TOOLINFOA info = {};
  info.cbSize = TTTOOLINFOA_V2_SIZE;
  info.hwnd = m_window;
  info.uId = reinterpret_cast<UINT_PTR>(Control(id));
  info.lpszText = memory.Address(sizeof info);
  const char nothing = '\0';
  if (!memory.Write(0, &info, sizeof info) || !memory.Write(sizeof info, &nothing, 1)) return {};
  Send(search.found, TTM_GETTEXTA, kTextSize, reinterpret_cast<LPARAM>(memory.Address()));
  std::string text(kTextSize, '\0');
  if (!memory.Read(sizeof info, text.data(), kTextSize)) return {};
  text.resize(std::strlen(text.c_str()));
  return text;
}

std::vector<std::string> SeasonWindowDriver::SetTexts() const {
  std::vector<std::string> texts;
  HWND combo = Control(season::kSets);
  if (!combo) return texts;
  // A combo box is a system control: the system carries its texts between the processes.
  // Asked in UTF-16, which Wine carries as reliably as Windows (its ANSI reply across
  // processes comes back in UTF-16 all the same).
  const int count = static_cast<int>(Send(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0,
                             SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs, &length) ||
        static_cast<LRESULT>(length) < 0) {
      return {};
    }
    std::wstring wide(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                        reinterpret_cast<LPARAM>(wide.data()), SMTO_ABORTIFHUNG | SMTO_BLOCK,
                        kSendTimeoutMs, &copied);
    wide.resize(std::min<std::size_t>(length, wcslen(wide.c_str())));
    std::string text(wide.size() * 4 + 1, '\0');
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()),
                                          text.data(), static_cast<int>(text.size()), nullptr,
                                          nullptr);
    text.resize(bytes > 0 ? static_cast<std::size_t>(bytes) : 0);
    texts.push_back(text);
  }
  return texts;
}

std::string SeasonWindowDriver::SelectedSetText() const {
  const LRESULT index = Send(Control(season::kSets), CB_GETCURSEL, 0, 0);
  const std::vector<std::string> texts = SetTexts();
  return index >= 0 && static_cast<std::size_t>(index) < texts.size()
             ? texts[static_cast<std::size_t>(index)]
             : std::string();
}

bool SeasonWindowDriver::SelectSet(const std::string& text) {
  const std::vector<std::string> texts = SetTexts();
  const auto found = std::find(texts.begin(), texts.end(), text);
  if (found == texts.end()) return false;
  HWND combo = Control(season::kSets);
  Send(combo, CB_SETCURSEL, static_cast<WPARAM>(found - texts.begin()), 0);
  // Setting the selection by message tells nobody; the player's choice tells the window.
  PostMessageA(m_window, WM_COMMAND, MAKEWPARAM(season::kSets, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  return WaitUntil([&] { return IsEnabled(season::kSetUse); });
}

void SeasonWindowDriver::Click(int id) {
  PostMessageA(m_window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(Control(id)));
}

void SeasonWindowDriver::PressKeyInList(WORD virtualKey) {
  HWND list = Control(season::kList);
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, 0) & 0xFF) << 16;
  PostMessageA(list, WM_KEYDOWN, virtualKey, 1 | scan);
  PostMessageA(list, WM_KEYUP, virtualKey, 1 | scan | (LPARAM{1} << 30) | (LPARAM{1} << 31));
}

int SeasonWindowDriver::ColumnWidth(int column) const {
  return static_cast<int>(Send(Control(season::kList), LVM_GETCOLUMNWIDTH, column, 0));
}

void SeasonWindowDriver::SetColumnWidth(int column, int width) {
  Send(Control(season::kList), LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0));
}

bool SeasonWindowDriver::PointAtCell(int row, int column) {
  HWND list = Control(season::kList);
  RemoteMemory memory(m_program.Process().Handle(), sizeof(RECT));
  RECT cell = {LVIR_LABEL, column, 0, 0};
  if (!list || !memory || !memory.Write(0, &cell, sizeof cell)) return false;
  if (!Send(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(memory.Address())) ||
      !memory.Read(0, &cell, sizeof cell)) {
    return false;
  }
  return PostMessageA(list, WM_MOUSEMOVE, 0,
                      MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2)) != 0;
}

namespace {

// A small window of the driver's own, to take the activation away from the program for a
// moment.
HWND ElsewhereWindow() {
  static HWND window = [] {
    WNDCLASSA type = {};
    type.lpfnWndProc = DefWindowProcA;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "GridmoorDriverElsewhere";
    RegisterClassA(&type);
    return CreateWindowExA(WS_EX_TOOLWINDOW, type.lpszClassName, "elsewhere",
                           WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr,
                           type.hInstance, nullptr);
  }();
  return window;
}

// Runs this thread's messages, so that its window takes and gives up the activation.
void PumpOwnMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

bool SendKeys(std::initializer_list<std::pair<WORD, bool>> keys) {
  std::vector<INPUT> inputs;
  for (const auto& [key, up] : keys) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, 0));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) |
                       (key == VK_DOWN || key == VK_UP ? KEYEVENTF_EXTENDEDKEY : 0);
    inputs.push_back(input);
  }
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

}  // namespace

bool SeasonWindowDriver::ActivateFromElsewhere() {
  HWND elsewhere = ElsewhereWindow();
  if (!elsewhere || !m_window) return false;
  SetForegroundWindow(elsewhere);
  PumpOwnMessages();
  if (!WaitUntil([&] { PumpOwnMessages(); return GetForegroundWindow() == elsewhere; }))
    return false;
  SetForegroundWindow(m_window);
  PumpOwnMessages();
  return WaitUntil([&] { PumpOwnMessages(); return GetForegroundWindow() == m_window; });
}

bool SeasonWindowDriver::PressAltKey(WORD virtualKey, bool altFirst) {
  if (altFirst)
    return SendKeys({{VK_MENU, false}, {virtualKey, false}, {VK_MENU, true}, {virtualKey, true}});
  return SendKeys({{VK_MENU, false}, {virtualKey, false}, {virtualKey, true}, {VK_MENU, true}});
}

bool SeasonWindowDriver::TypeKey(WORD virtualKey) {
  return SendKeys({{virtualKey, false}, {virtualKey, true}});
}

bool SeasonWindowDriver::MenuIsOpen() const {
  for (HWND window : m_program.TopLevelWindows()) {
    char type[32] = {};
    GetClassNameA(window, type, sizeof type);
    if (IsWindowVisible(window) && std::strcmp(type, "#32768") == 0) return true;
  }
  return false;
}

void SeasonWindowDriver::Choose(int radioId) { PostMessageA(Control(radioId), BM_CLICK, 0, 0); }

bool SeasonWindowDriver::WaitForRows(int rows, Millis timeout) {
  return WaitUntil([&] { return RowCount() == rows; }, timeout);
}

bool SeasonWindowDriver::WaitForClosed(Millis timeout) {
  return WaitUntil([&] { return !m_window || !IsWindow(m_window); }, timeout);
}

HWND SeasonWindowDriver::WaitForDialogWith(int id, Millis timeout) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : m_program.TopLevelWindows()) {
          if (window != m_window && IsWindowVisible(window) && GetDlgItem(window, id)) {
            found = window;
            return true;
          }
        }
        return m_program.Process().HasExited();
      },
      timeout);
  return found;
}

bool AnswerNamePrompt(HWND prompt, const std::string& text) {
  HWND edit = GetDlgItem(prompt, season::kNameEdit);
  Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  PostMessageA(prompt, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(prompt, IDOK)));
  return WaitUntil([&] { return !IsWindow(prompt); });
}

}  // namespace gridmoor::e2e
