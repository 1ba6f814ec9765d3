#pragma once
// A fake dialog for engine tests: answers Yes/No boxes from a script and records every call in
// order, so a test can compare the whole conversation, or only its boxes or bar positions.

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "engine/InstallHost.h"

namespace gridmoor::testing {

struct Box {
  std::string text;
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::Exclamation;
  bool operator==(const Box& other) const {
    return text == other.text && buttons == other.buttons && icon == other.icon;
  }
};

inline Box OkBox(std::string text) { return {std::move(text), MessageButtons::Ok, MessageIcon::Exclamation}; }
inline Box YesNoBox(std::string text) {
  return {std::move(text), MessageButtons::YesNo, MessageIcon::Exclamation};
}

// The boxes with each token (such as "{game}") in their texts replaced by its text.
inline std::vector<Box> Expand(std::vector<Box> boxes,
                               const std::vector<std::pair<std::string, std::string>>& tokens) {
  for (Box& box : boxes) {
    for (const auto& [token, text] : tokens) {
      for (std::size_t at = box.text.find(token); at != std::string::npos;
           at = box.text.find(token, at + text.size()))
        box.text.replace(at, token.size(), text);
    }
  }
  return boxes;
}

inline void PrintTo(const Box& box, std::ostream* out) {
  *out << (box.buttons == MessageButtons::Ok ? "Ok" : "YesNo") << '/'
       << (box.icon == MessageIcon::Exclamation ? "Exclamation" : "Stop") << " \"";
  for (char c : box.text) {
    if (c == '\r') *out << "\\r";
    else if (c == '\n') *out << "\\n";
    else *out << c;
  }
  *out << '"';
}

class RecordingHost : public InstallHost {
 public:
  // What the dialog's controls hold.
  std::string gameFolder;
  bool championshipChecked = false;
  bool replayChecked = false;
  // Answers for the Yes/No boxes, in order; OK boxes answer OK without using one.
  std::deque<MessageAnswer> answers;

  ~RecordingHost() override {
    EXPECT_TRUE(answers.empty()) << answers.size() << " scripted answer(s) never asked for";
    EXPECT_EQ(m_waitDepth, 0) << "wait cursor left on";
  }

  MessageAnswer ShowMessage(const std::string& text, MessageButtons buttons,
                            MessageIcon icon) override {
    m_boxes.push_back({text, buttons, icon});
    Record(std::string("box ") + (buttons == MessageButtons::Ok ? "ok" : "yesno"));
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    if (answers.empty()) {
      ADD_FAILURE() << "unscripted question: " << text;
      return MessageAnswer::No;
    }
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void SetProgress(int position) override {
    m_progress.push_back(position);
    Record("progress " + std::to_string(position));
  }
  std::string GameFolderText() override {
    Record("folder?");
    return gameFolder;
  }
  bool IsChampionshipChecked() override {
    Record("gp?");
    return championshipChecked;
  }
  bool IsReplayChecked() override {
    Record("replay?");
    return replayChecked;
  }
  void BeginWaitCursor() override {
    ++m_waitDepth;
    Record("wait on");
  }
  void EndWaitCursor() override {
    EXPECT_GT(m_waitDepth, 0) << "wait cursor restored without being shown";
    --m_waitDepth;
    Record("wait off");
  }
  void CheckSeasonBox() override { Record("season box"); }
  void SetReadmeText(const std::string& text) override {
    readme = text;
    Record("readme");
  }
  void SetCaption(const std::string& text) override {
    caption = text;
    Record("caption " + text);
  }
  void SetReplayOption(bool available) override {
    Record(available ? "replay option on" : "replay option off");
  }
  bool LoadScreenshot(const std::string& fileName) override {
    Record("screenshot " + fileName);
    return true;
  }
  void CloseDialog() override { Record("close"); }

  const std::vector<Box>& Boxes() const { return m_boxes; }
  const std::vector<int>& Progress() const { return m_progress; }
  // Every call in order, one short line each ("progress 8", "box ok", "close").
  const std::vector<std::string>& Calls() const { return m_calls; }
  int CountOf(const std::string& call) const {
    return static_cast<int>(std::count(m_calls.begin(), m_calls.end(), call));
  }
  bool Closed() const { return CountOf("close") > 0; }

  std::string readme;
  std::string caption;

 private:
  void Record(std::string call) { m_calls.push_back(std::move(call)); }

  std::vector<Box> m_boxes;
  std::vector<int> m_progress;
  std::vector<std::string> m_calls;
  int m_waitDepth = 0;
};

}  // namespace gridmoor::testing
