#include "ui/CommandLine.h"

#include <cctype>

namespace gridmoor::ui {

bool AsksForSeasonWindow(const std::string& commandLine) {
  std::size_t at = 0;
  // The program's own name comes first, quoted when it holds spaces.
  if (!commandLine.empty() && commandLine[0] == '"') {
    const std::size_t close = commandLine.find('"', 1);
    at = close == std::string::npos ? commandLine.size() : close + 1;
  } else {
    at = commandLine.find_first_of(" \t");
    if (at == std::string::npos) at = commandLine.size();
  }
  while (at < commandLine.size()) {
    const std::size_t start = commandLine.find_first_not_of(" \t", at);
    if (start == std::string::npos) break;
    std::size_t end = commandLine.find_first_of(" \t", start);
    if (end == std::string::npos) end = commandLine.size();
    std::string word = commandLine.substr(start, end - start);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (word == "/season" || word == "-season") return true;
    at = end;
  }
  return false;
}

}  // namespace gridmoor::ui
