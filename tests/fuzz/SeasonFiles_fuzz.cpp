// Fuzzes the files of ours that hold season events (the event library, a saved set, a
// calendar) and the reordering of a season file's events. Any bytes: what a reader accepts names
// only plain track folders and set names, and writes back to bytes it reads the same; a season
// file whose events can be moved keeps its events (as blocks) through a sort, and a second sort
// changes nothing.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/SeasonFormats.h"
#include "engine/SeasonService.h"
#include "engine/SeasonText.h"
#include "engine/TrackPackage.h"

namespace {

using namespace gridmoor;

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
  }
}

bool Plain(const std::string& name) { return !name.empty() && IsPlainFileName(name); }

void FuzzLibrary(const std::string& bytes) {
  std::string error;
  const auto entries = ParseLibrary(bytes, error);
  if (!entries) {
    Require(!error.empty(), "a refused library says why");
    return;
  }
  for (const LibraryEntry& entry : *entries) {
    Require(Plain(entry.trackDirectory), "library folders are plain names");
    Require(entry.replay.empty() || Plain(entry.replay), "library replays are plain names");
    Require(IsEventBody(entry.body), "a library body stays one event");
  }
  const std::string written = SerializeLibrary(*entries);
  const auto again = ParseLibrary(written, error);
  Require(again && SerializeLibrary(*again) == written, "the library round trip");
}

void FuzzSet(const std::string& bytes) {
  std::string error;
  const auto set = ParseSet(bytes, error);
  if (!set) {
    Require(!error.empty(), "a refused set says why");
    return;
  }
  Require(IsValidSetName(set->name), "a set's name is valid");
  Require(SerializeSet(*set) == bytes, "a set reads back to its bytes");
}

void FuzzCalendar(const std::string& bytes) {
  std::string error;
  const auto calendar = ParseCalendar(bytes, error);
  if (!calendar) {
    Require(!error.empty(), "a refused calendar says why");
    return;
  }
  for (const auto& events : calendar->events) {
    for (const CalendarEvent& event : events)
      Require(Plain(event.trackDirectory), "calendar folders are plain names");
  }
  const std::string written = SerializeCalendar(*calendar);
  const auto again = ParseCalendar(written, error);
  Require(again.has_value(), "a written calendar reads back");
  Require(SerializeCalendar(*again) == written, "the calendar round trip");
}

void FuzzSort(const std::string& text) {
  if (!HasOrderlyEvents(text)) return;
  const int count = EventCountOf(text);
  std::vector<std::string> before;
  for (int n = 1; n <= count; ++n) before.push_back(EventBody(text, n).value_or(""));
  const std::string sorted = ReorderEvents(text, SortedEventOrder(text, SortKey::kDate));
  Require(HasOrderlyEvents(sorted) && EventCountOf(sorted) == count, "a sort keeps the events");
  Require(ReorderEvents(sorted, SortedEventOrder(sorted, SortKey::kDate)) == sorted,
          "a second sort changes nothing");
  std::vector<std::string> after;
  for (int n = 1; n <= count; ++n) after.push_back(EventBody(sorted, n).value_or(""));
  // Bodies keep their lines; only the line end of the file's last line may move.
  const auto trimmed = [](std::vector<std::string> bodies) {
    for (std::string& body : bodies) {
      while (!body.empty() && (body.back() == '\r' || body.back() == '\n')) body.pop_back();
    }
    std::sort(bodies.begin(), bodies.end());
    return bodies;
  };
  Require(trimmed(before) == trimmed(after), "a sort moves whole events");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  FuzzLibrary(bytes);
  FuzzSet(bytes);
  FuzzCalendar(bytes);
  FuzzSort(bytes);
  return 0;
}
