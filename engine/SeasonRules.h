#pragma once
// The season files' rules, in one place: their names and paths, the game's limit of events,
// the largest file read, how a count is read, and how names are compared without regard to
// letter case. Everything that reads or writes 67season.ini and gp.ini takes them from here.

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/GameFiles.h"

namespace gridmoor {

// The two season files, in the order they are planned, described and saved.
enum class SeasonFileId : int { kSeason = 0, kChampionship = 1 };
constexpr int kSeasonFileCount = 2;
constexpr SeasonFileId kBothSeasonFiles[] = {SeasonFileId::kSeason, SeasonFileId::kChampionship};
constexpr int IndexOf(SeasonFileId file) { return static_cast<int>(file); }
// "67season.ini" or "gp.ini".
const char* SeasonFileNameOf(SeasonFileId file);
// gameFolder + "\seasons\" + fileName.
std::string SeasonFilePath(const std::string& gameFolder, const std::string& fileName);

// Which season files a command works on: 67season.ini always, gp.ini with --championship.
// The season window works on one file at a time (season = false, championship = true for gp.ini).
struct SeasonFileChoice {
  bool season = true;
  bool championship = false;
  bool Has(SeasonFileId file) const {
    return file == SeasonFileId::kSeason ? season : championship;
  }
};

// The most events the game shows; a season file counting this many is full.
constexpr int MAX_SEASON_EVENTS = 64;
// Events above this number are neither listed nor searched, as in the install's own scan: a
// corrupt count of millions must not mean millions of lookups.
constexpr int kMaxSeasonEventNumber = 4096;
// A larger season file is unreadable, never read in part.
constexpr std::size_t kMaxSeasonFileBytes = 16 * 1024 * 1024;

// The leading decimal number of a count's text: white space skipped, an optional sign, the
// digits up to the first other character; 0 without digits ("default" is 0, "64x" is 64).
// Saturates at the limits of int.
int ParseEventCount(const std::string& text);

enum class SortKey {
  kDate,    // month, then day, each read as the game reads numbers (the leading integer)
  kName,    // the event's name, letter case ignored
  kFolder,  // trackDirectory, letter case ignored
};

// `text` with its letters in lower case, as Windows compares names in the game's 8-bit text:
// A-Z and the accented capitals of the Western code page (À..Þ, Š, Œ, Ž, Ÿ).
std::string FoldedName(std::string_view text);
bool SameFoldedName(std::string_view a, std::string_view b);

}  // namespace gridmoor
