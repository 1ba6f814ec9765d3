#include "cli/ConsoleHost.h"

#include "cli/Terminal.h"

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

bool IsUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3
                               : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || (length > 1 && c < 0xC2) || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
    }
    i += length;
  }
  return true;
}

bool StartsWithFolder(const std::string& line, const std::string& folder) {
  return !folder.empty() && line.size() > folder.size() && line.compare(0, folder.size(), folder) == 0 &&
         (line[folder.size()] == '\\' || line[folder.size()] == '/');
}

}  // namespace

std::string ReadableText(const std::string& ansi) {
  if (IsUtf8(ansi)) return ansi;
  std::string out;
  for (const unsigned char c : ansi) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string PlainText(const std::string& text, FileSystem& files,
                      const std::vector<std::string>& folders) {
  std::string out;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    // The dialog's closing words, alone on a line or after a sentence.
    const std::size_t click = line.find("Click OK to finish");
    if (click != std::string::npos) line.erase(click);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    for (const std::string& folder : folders) {
      if (StartsWithFolder(line, folder)) {
        line = files.NativePath(line);
        break;
      }
    }
    if (!line.empty() || click == std::string::npos) out += line + "\n";
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

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
  const std::string plain =
      PlainText(text, m_files, {m_choices.gameFolder, m_packageFolder});
  m_messages.push_back({kind, TerminalText(plain, "")});
  if (m_planOnly) return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;

  EndProgressLine();
  if (buttons == MessageButtons::YesNo) {
    const bool yes =
        AskYesNo(m_console, kind + ": " + TerminalText(plain, "  "), m_choices.assumeYes);
    if (!yes) m_declined = true;
    return yes ? MessageAnswer::Yes : MessageAnswer::No;
  }
  if (kind != "error" && m_choices.quiet) return MessageAnswer::Ok;
  std::ostream& stream = kind == "error" ? m_console.err : m_console.out;
  stream << kind << ": " << TerminalText(plain, "  ") << "\n";
  stream.flush();
  return MessageAnswer::Ok;
}

void ConsoleHost::SetProgress(int position) {
  if (InterruptNote::Raised()) throw Interrupted{};
  if (m_planOnly || position == m_position || m_choices.quiet) return;
  m_position = position;
  const auto now = std::chrono::steady_clock::now();
  const auto took = now - m_stepStart;
  m_stepStart = now;
  if (!m_console.outIsTerminal) {
    // A log gets a line only for a step slow enough to wonder about.
    if (took > std::chrono::seconds(1))
      m_console.out << "progress " << position << "/" << kProgressMax << "\n";
    return;
  }
  constexpr int kWidth = 25;
  const int filled = position < 0 ? 0 : position > kProgressMax ? kWidth : position;
  m_console.Raw() << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
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
