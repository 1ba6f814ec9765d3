#include "engine/SeasonDisplay.h"

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

std::string NumberList(const std::vector<int>& numbers) {
  std::string text;
  for (const int number : numbers) text += (text.empty() ? "" : ", ") + std::to_string(number);
  return text;
}

}  // namespace gridmoor
