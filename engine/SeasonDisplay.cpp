#include "engine/SeasonDisplay.h"

#include <set>

#include "engine/SeasonRules.h"

namespace gridmoor {

std::string EventDateText(const SeasonEvent& event) {
  if (!event.month && !event.day) return "";
  return event.month.value_or("?") + "/" + event.day.value_or("?");
}

std::vector<EventMark> EventMarks(const SeasonEvent& event) {
  std::vector<EventMark> marks;
  if (!event.hasSection) marks.push_back(EventMark::kNoSection);
  if (event.hasSection && event.trackFolderMissing) marks.push_back(EventMark::kFolderMissing);
  if (event.sharesFolder) marks.push_back(EventMark::kFolderNamedTwice);
  return marks;
}

namespace {

// The folder an event races in, folded; empty when it names none.
std::string FoldedFolder(const SeasonEvent& event) {
  if (!event.hasSection || !event.trackDirectory) return {};
  return FoldedName(*event.trackDirectory);
}

}  // namespace

std::vector<bool> EventsAlsoIn(const SeasonEvents& shown, const SeasonEvents& other) {
  std::set<std::string> folders;
  for (const SeasonEvent& event : other.events) {
    std::string folder = FoldedFolder(event);
    if (!folder.empty()) folders.insert(std::move(folder));
  }
  std::vector<bool> also;
  also.reserve(shown.events.size());
  for (const SeasonEvent& event : shown.events) {
    const std::string folder = FoldedFolder(event);
    also.push_back(!folder.empty() && folders.count(folder) > 0);
  }
  return also;
}

std::string NumberList(const std::vector<int>& numbers) {
  std::string text;
  for (const int number : numbers) text += (text.empty() ? "" : ", ") + std::to_string(number);
  return text;
}

}  // namespace gridmoor
