#pragma once
// A season file's events as blocks of its text: the lines from an event's header to the next
// header. Reordering, appending and refreshing events moves or replaces whole blocks, so every
// line of an event (comments after values, LF line ends, keys the game alone knows) and every
// byte outside the events stays as written. Pure functions on bytes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SeasonRules.h"
#include "platform/ProfileText.h"

namespace gridmoor {

// The line end the file uses: "\n" when its first line ends in a bare LF, else "\r\n".
std::string LineEndOf(std::string_view text);

// The event count as the game reads it from the text (the leading number of numEvents).
int EventCountOf(std::string_view text);

// For each event 1..count (at most kMaxSeasonEventNumber), the span of the first section of its
// name; nullopt where the event has no section.
std::vector<std::optional<ProfileSectionSpan>> EventSpans(std::string_view text, int count);

// Whether the events can be moved as blocks: every event 1..count has a section, no event has a
// second one, and count is at most kMaxSeasonEventNumber. Sections above the count are no
// obstacle (their names never collide with 1..count).
bool HasOrderlyEvents(std::string_view text);

// The lines after an event's header up to the next header (the event as the library keeps it);
// nullopt when the event has no section.
std::optional<std::string> EventBody(std::string_view text, int number);

// The value of `key` in a body as the game reads it (nullopt when missing).
std::optional<std::string> BodyValue(std::string_view body, std::string_view key);

// Whether `body` can be put under an event header: it has no header line of its own, so it
// stays one event.
bool IsEventBody(std::string_view body);

// The old event numbers in the order `key` puts them (stable: ties keep their order).
// Requires HasOrderlyEvents(text).
std::vector<int> SortedEventOrder(std::string_view text, SortKey key);

// `text` with its events in `order` (order[k-1] is the old number of the new event k, a
// permutation of 1..count): the k-th event block in file order becomes the block of event
// order[k-1], renamed Event<k>. Requires HasOrderlyEvents(text).
std::string ReorderEvents(std::string_view text, const std::vector<int>& order);

// `text` with `body` as the lines of event `number` (which has a section).
std::string ReplaceEventBody(std::string_view text, int number, std::string_view body);

// `text` with a new event count+1 holding `body`, placed after the last event block (else at the
// end), and the count raised (under the spelling the file has, else "NumEvents").
std::string AppendEvent(std::string_view text, std::string_view body);

// `text` without any event section (a section the game would read as an event, at any number)
// and with the count 0: the base a calendar's events are appended to.
std::string WithoutEvents(std::string_view text);

}  // namespace gridmoor
