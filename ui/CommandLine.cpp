#include "ui/CommandLine.h"

#include <cctype>

namespace gridmoor::ui {

namespace {

bool IsSeasonWord(std::string word) {
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return word == "/season" || word == "-season";
}

}  // namespace

std::vector<std::string> CommandLineWords(const std::string& commandLine) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  bool inWord = false;
  for (const char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  // The program's own name comes first.
  if (!words.empty()) words.erase(words.begin());
  return words;
}

bool AsksForSeasonWindow(const std::string& commandLine) {
  for (const std::string& word : CommandLineWords(commandLine))
    if (IsSeasonWord(word)) return true;
  return false;
}

std::string PackageArgument(const std::string& commandLine) {
  for (const std::string& word : CommandLineWords(commandLine))
    if (!IsSeasonWord(word) && !word.empty()) return word;
  return {};
}

}  // namespace gridmoor::ui
