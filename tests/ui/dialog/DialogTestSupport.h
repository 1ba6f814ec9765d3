#pragma once
// What the dialog tests share: a scratch folder, files written into it, a registry that
// answers from the test, and a watcher that answers the message boxes of the thread under
// test while recording them.

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Registry.h"

namespace gridmoor::ui::test {

inline void InitControls() {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                                        ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
}

// Polls `condition` until it holds or `timeout` has passed; answers whether it held.
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static std::atomic<int> counter{0};
    m_path = std::string(base) + "gridmoor-ui-" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(counter++);
    CreateDirectoryA(m_path.c_str(), nullptr);
  }
  ~TempFolder() { Remove(m_path); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return m_path; }
  std::string operator/(const std::string& relative) const { return m_path + "\\" + relative; }

  void MakeFolder(const std::string& relative) const {
    CreateDirectoryA((*this / relative).c_str(), nullptr);
  }
  void Write(const std::string& relative, const std::string& bytes) const {
    HANDLE file = CreateFileA((*this / relative).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }
  std::string Read(const std::string& relative) const {
    std::string bytes;
    HANDLE file = CreateFileA((*this / relative).c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
  }

 private:
  static void Remove(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string child = path + "\\" + name;
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          Remove(child);
        } else {
          DeleteFileA(child.c_str());
        }
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
  }

  std::string m_path;
};

// Makes `folder` the current directory for the life of the object.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::string& folder) {
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    m_previous = previous;
    SetCurrentDirectoryA(folder.c_str());
  }
  ~CurrentDirectory() { SetCurrentDirectoryA(m_previous.c_str()); }
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  std::string m_previous;
};

// A 24-bit BMP of one colour.
inline std::string SolidBmp(int width, int height, COLORREF colour) {
  const int stride = (width * 3 + 3) & ~3;
  const std::uint32_t pixelBytes = static_cast<std::uint32_t>(stride * height);
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + pixelBytes;
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  std::string row(static_cast<std::size_t>(stride), '\0');
  for (int x = 0; x < width; ++x) {
    row[x * 3] = static_cast<char>(GetBValue(colour));
    row[x * 3 + 1] = static_cast<char>(GetGValue(colour));
    row[x * 3 + 2] = static_cast<char>(GetRValue(colour));
  }
  for (int y = 0; y < height; ++y) bytes += row;
  return bytes;
}

// A registry holding, at most, the game's folder.
class FakeRegistry : public Registry {
 public:
  explicit FakeRegistry(long status, std::string text = {})
      : m_status(status), m_text(std::move(text)) {}
  long ReadText(RegistryRoot, const std::string&, const std::string&, unsigned, std::size_t,
                std::string& text) override {
    if (m_status == kRegistryOk) text = m_text;
    return m_status;
  }

 private:
  long m_status;
  std::string m_text;
};

struct ShownBox {
  std::string caption;
  std::string text;
  bool exclamation = false;
  bool stop = false;
  bool yesNo = false;
};

// Answers the message boxes that the thread `uiThread` shows, in order from `answers` (IDOK
// for an OK box once they run out, IDNO for a Yes/No box), and records each. A box is a
// dialog-class window with the box's text static (0xFFFF) and without the install dialog's
// progress bar. `beforeAnswer`, when given, runs on the watcher's thread while a box is up.
class MessageBoxWatcher {
 public:
  explicit MessageBoxWatcher(DWORD uiThread, std::vector<int> answers = {},
                             std::function<void(HWND box)> beforeAnswer = {})
      : m_uiThread(uiThread),
        m_answers(std::move(answers)),
        m_beforeAnswer(std::move(beforeAnswer)),
        m_thread([this] { Watch(); }) {}
  ~MessageBoxWatcher() {
    m_stop = true;
    m_thread.join();
  }
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  std::vector<ShownBox> Boxes() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxes;
  }

 private:
  struct Search {
    HWND box = nullptr;
  };

  static BOOL CALLBACK FindBox(HWND window, LPARAM data) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) == "#32770" && IsWindowVisible(window) &&
        GetDlgItem(window, 0xFFFF) && !GetDlgItem(window, 1007)) {
      char textClass[32] = {};
      GetClassNameA(GetDlgItem(window, 0xFFFF), textClass, sizeof textClass);
      if (lstrcmpiA(textClass, "Static") == 0) {
        reinterpret_cast<Search*>(data)->box = window;
        return FALSE;
      }
    }
    return TRUE;
  }

  static std::string TextOf(HWND window) {
    char text[2048] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
  }

  // The icon static's icon: Windows numbers it 20, other implementations differently; any
  // static showing an icon will do.
  static HICON IconOf(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
      if (icon) return icon;
    }
    return nullptr;
  }

  void Watch() {
    while (!m_stop) {
      Search search;
      EnumThreadWindows(m_uiThread, FindBox, reinterpret_cast<LPARAM>(&search));
      if (!search.box) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        continue;
      }
      HWND box = search.box;
      ShownBox shown;
      shown.caption = TextOf(box);
      shown.text = TextOf(GetDlgItem(box, 0xFFFF));
      shown.yesNo = GetDlgItem(box, IDYES) != nullptr;
      HICON icon = IconOf(box);
      shown.exclamation = icon && icon == LoadIconA(nullptr, IDI_EXCLAMATION);
      shown.stop = icon && icon == LoadIconA(nullptr, IDI_HAND);
      if (m_beforeAnswer) m_beforeAnswer(box);
      int answer = shown.yesNo ? IDNO : IDOK;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_next < m_answers.size()) answer = m_answers[m_next++];
        m_boxes.push_back(shown);
      }
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
      WaitFor([box] { return !IsWindow(box); });
    }
  }

  DWORD m_uiThread;
  std::vector<int> m_answers;
  std::function<void(HWND)> m_beforeAnswer;
  std::mutex m_mutex;
  std::vector<ShownBox> m_boxes;
  std::size_t m_next = 0;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

}  // namespace gridmoor::ui::test
