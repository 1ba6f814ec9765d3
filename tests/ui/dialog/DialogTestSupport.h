#pragma once
// What the dialog tests share: a current directory for a while, a registry that answers from
// the test, and a watcher that answers the message boxes of the thread under
// test while recording them.

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <chrono>
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

// Makes `folder` the current directory for the life of the object.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::string& folder) : m_previous(MAX_PATH, '\0') {
    m_previous.resize(GetCurrentDirectoryA(MAX_PATH, &m_previous[0]));
    SetCurrentDirectoryA(folder.c_str());
  }
  ~CurrentDirectory() { SetCurrentDirectoryA(m_previous.c_str()); }
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  std::string m_previous;
};

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
