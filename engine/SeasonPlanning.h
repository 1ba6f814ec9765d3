#pragma once
// The pieces every season plan is made of: the game folder it reads, the season files read into
// a change, effect lines, reading a file of ours, finding a track's events. Used by the plans
// (engine/SeasonEventPlans.cpp, SeasonSetPlans.cpp) and the files of ours (SeasonLibrary,
// SeasonSetFiles); not by front ends.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SeasonChange.h"
#include "engine/SeasonEvents.h"
#include "platform/FileSystem.h"

namespace gridmoor {

// The game folder a plan reads, and the file system it reads through (not owned).
struct PlanContext {
  FileSystem& files;
  const std::string& game;
};

// Reads both season files into the change (before = after); false with the change refused
// (kUnreadable) when one exists but cannot be read.
bool StartChange(const PlanContext& c, SeasonChange& change);

void Effect(SeasonChange& change, SeasonFileId file, std::string text);
void Effect(SeasonChange& change, std::string text);  // about the files of ours, the tracks
void Refuse(SeasonChange& change, SeasonProblem problem);
// kSeasonFull about `subject`: "<what> <count> events; the game shows at most 64", with how
// many must go.
SeasonProblem SeasonFullProblem(std::string subject, const std::string& what, int count);

// A file of ours, or nullopt when it or its folder (not made until the first write) is missing.
// Throws CFileException when it exists but cannot be read whole.
std::optional<std::string> ReadOwnFile(FileSystem& files, const std::string& path,
                                       std::size_t maxBytes);

// "\"text\"" ("\"\"" for none).
std::string Quoted(const std::optional<std::string>& text);
// `text` as one line for an effect: control bytes shown as '?', cut after 60 bytes.
std::string OneLineName(std::string text);

// Whether `parse` reads `bytes` back as `value`; else `error` says why.
template <class T, class Parse>
bool ReadsBack(const std::string& bytes, const T& value, Parse parse, std::string& error) {
  const auto back = parse(bytes, error);
  if (back && *back == value) return true;
  if (back) error = "it would read back otherwise";
  return false;
}

// The events of a season file's bytes (a set's, a calendar's), with their marks.
SeasonEvents EventsOfText(const PlanContext& c, const std::optional<std::string>& text);
// Event numbers of `text` in 1..count naming `folder` exactly, ascending (the install's rule:
// the folder as read, its first 99 characters, letter case counting).
std::vector<int> EventsNaming(std::string_view text, const std::string& folder);
// "Event3 \"Calder\" (calder)".
std::string EventLabel(int number, std::string_view body);
// The effects of a reorder: each event that gets another number.
void DescribeOrder(SeasonChange& change, SeasonFileId file, std::string_view text,
                   const std::vector<int>& order);

}  // namespace gridmoor
