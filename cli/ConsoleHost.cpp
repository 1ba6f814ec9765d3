#include "cli/ConsoleHost.h"

#include <ostream>

#include "engine/ScreenshotCheck.h"

namespace gridmoor::cli {

namespace {

constexpr int kProgressMax = 25;

// Every box of the engine carries the exclamation icon (a box naming none gets it); apart from
// the run's closing summary, each reports a failure or a refusal.
std::string KindOf(const std::string& text, MessageButtons buttons, MessageIcon icon) {
  if (buttons == MessageButtons::YesNo) return "question";
  if (icon == MessageIcon::Stop) return "error";
  if (text.rfind("Install of track files", 0) == 0) return "summary";
  return "error";
}

}  // namespace

std::string TerminalText(const std::string& text, const std::string& indent) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += '\n' + indent;
    } else {
      out += c;
    }
  }
  // Blank lines stay blank, without the indent.
  if (!indent.empty()) {
    for (std::size_t at; (at = out.find('\n' + indent + '\n')) != std::string::npos;)
      out.erase(at + 1, indent.size());
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '\n')) out.pop_back();
  return out;
}

ConsoleHost::ConsoleHost(Console& console, FileSystem& files, std::string packageFolder,
                         RunChoices choices, bool planOnly)
    : m_console(console),
      m_files(files),
      m_packageFolder(std::move(packageFolder)),
      m_choices(std::move(choices)),
      m_planOnly(planOnly) {}

ConsoleHost::~ConsoleHost() { EndProgressLine(); }

MessageAnswer ConsoleHost::ShowMessage(const std::string& text, MessageButtons buttons,
                                       MessageIcon icon) {
  const std::string kind = KindOf(text, buttons, icon);
  m_messages.push_back({kind, TerminalText(text, "")});
  if (m_planOnly) return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;

  EndProgressLine();
  if (buttons == MessageButtons::YesNo) {
    const bool yes =
        AskYesNo(m_console, kind + ": " + TerminalText(text, "  "), m_choices.assumeYes);
    return yes ? MessageAnswer::Yes : MessageAnswer::No;
  }
  std::ostream& stream = kind == "error" ? m_console.err : m_console.out;
  stream << kind << ": " << TerminalText(text, "  ") << "\n";
  stream.flush();
  return MessageAnswer::Ok;
}

void ConsoleHost::SetProgress(int position) {
  if (m_planOnly || position == m_position) return;
  m_position = position;
  if (!m_console.outIsTerminal) {
    m_console.out << "progress " << position << "/" << kProgressMax << "\n";
    return;
  }
  constexpr int kWidth = 25;
  const int filled = position < 0 ? 0 : position > kProgressMax ? kWidth : position;
  m_console.out << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
                << std::string(static_cast<std::size_t>(kWidth - filled), '.') << "] "
                << position << "/" << kProgressMax;
  m_console.out.flush();
  m_barShown = true;
}

void ConsoleHost::EndProgressLine() {
  if (!m_barShown) return;
  m_console.out << "\n";
  m_console.out.flush();
  m_barShown = false;
}

bool ConsoleHost::LoadScreenshot(const std::string& fileName) {
  // The dialog would load the picture; here it is only judged, the same way.
  std::optional<std::string> bytes =
      m_files.ReadWholeFile(m_packageFolder + "\\" + fileName, 64 * 1024 * 1024);
  return bytes && CheckScreenshot(*bytes).loadable;
}

}  // namespace gridmoor::cli
