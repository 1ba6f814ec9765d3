#include "engine/SeasonRules.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace gridmoor {

const char* SeasonFileNameOf(SeasonFileId file) {
  return file == SeasonFileId::kSeason ? kSeasonFileName : kChampionshipFileName;
}

std::string SeasonFilePath(const std::string& gameFolder, const std::string& fileName) {
  return gameFolder + "\\seasons\\" + fileName;
}

int ParseEventCount(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min<long long>(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
  }
  return static_cast<int>(negative ? -value : std::min<long long>(value, INT_MAX));
}

namespace {

unsigned char FoldedByte(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  switch (c) {
    case 0x8A: return 0x9A;  // Š
    case 0x8C: return 0x9C;  // Œ
    case 0x8E: return 0x9E;  // Ž
    case 0x9F: return 0xFF;  // Ÿ
    default: return c;
  }
}

}  // namespace

std::string FoldedName(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(FoldedByte(static_cast<unsigned char>(c)));
  return out;
}

bool SameFoldedName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return FoldedByte(static_cast<unsigned char>(x)) == FoldedByte(static_cast<unsigned char>(y));
         });
}

}  // namespace gridmoor
