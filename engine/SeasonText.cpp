#include "engine/SeasonText.h"

#include <algorithm>
#include <cctype>

#include "engine/ProfileValue.h"
#include "engine/SeasonEvents.h"

namespace gridmoor {
namespace {

bool EndsWithLineEnd(std::string_view text) {
  return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

std::string WithLineEnd(std::string_view block, const std::string& lineEnd) {
  std::string out(block);
  if (!EndsWithLineEnd(out)) out += lineEnd;
  return out;
}

std::string WithoutLineEnd(std::string block) {
  while (EndsWithLineEnd(block)) block.pop_back();
  return block;
}

std::string Folded(std::string_view text) { return FoldedName(text); }

std::string WithCount(std::string_view text, int count) {
  // An existing entry keeps its spelling; a new one is spelled as the install writes it.
  const bool has = FindProfileValue(text, "Season", "numEvents").has_value();
  return SetProfileValue(text, "Season", has ? "numEvents" : "NumEvents", std::to_string(count));
}

}  // namespace

std::string LineEndOf(std::string_view text) {
  const std::size_t lf = text.find('\n');
  if (lf != std::string_view::npos && (lf == 0 || text[lf - 1] != '\r')) return "\n";
  return "\r\n";
}

int EventCountOf(std::string_view text) {
  const std::optional<std::string_view> value = FindProfileValue(text, "Season", "numEvents");
  return ParseEventCount(CutToValueLength(value.value_or(kMissingValue)));
}

std::vector<std::optional<ProfileSectionSpan>> EventSpans(std::string_view text, int count) {
  const int listed = std::clamp(count, 0, kMaxSeasonEventNumber);
  std::vector<std::optional<ProfileSectionSpan>> spans(static_cast<std::size_t>(listed));
  for (const ProfileSectionSpan& span : ProfileSectionSpans(text)) {
    const int number =
        EventNumberOfSection(std::string(text.substr(span.nameBegin, span.nameEnd - span.nameBegin)));
    if (number >= 1 && number <= listed && !spans[number - 1]) spans[number - 1] = span;
  }
  return spans;
}

bool HasOrderlyEvents(std::string_view text) {
  const int count = EventCountOf(text);
  if (count > kMaxSeasonEventNumber) return false;
  std::vector<int> seen(static_cast<std::size_t>(std::max(count, 0)) + 1, 0);
  for (const ProfileSectionSpan& span : ProfileSectionSpans(text)) {
    const int number =
        EventNumberOfSection(std::string(text.substr(span.nameBegin, span.nameEnd - span.nameBegin)));
    if (number >= 1 && number <= count && ++seen[number] > 1) return false;
  }
  for (int number = 1; number <= count; ++number) {
    if (seen[number] != 1) return false;
  }
  return true;
}

std::optional<std::string> EventBody(std::string_view text, int number) {
  if (number < 1 || number > kMaxSeasonEventNumber) return std::nullopt;
  const std::vector<std::optional<ProfileSectionSpan>> spans = EventSpans(text, number);
  if (!spans[number - 1]) return std::nullopt;
  const ProfileSectionSpan& span = *spans[number - 1];
  return std::string(text.substr(span.bodyBegin, span.end - span.bodyBegin));
}

std::optional<std::string> BodyValue(std::string_view body, std::string_view key) {
  const std::string text = "[e]\r\n" + std::string(body);
  const std::optional<std::string_view> value = FindProfileValue(text, "e", key);
  if (!value) return std::nullopt;
  return std::string(*value);
}

bool IsEventBody(std::string_view body) { return ProfileSectionSpans(body).empty(); }

std::vector<int> SortedEventOrder(std::string_view text, SortKey key) {
  const int count = EventCountOf(text);
  struct Item {
    int number;
    int month, day;
    std::string name;
  };
  // The spans are found once; each event's values are read from its own lines.
  const std::vector<std::optional<ProfileSectionSpan>> spans = EventSpans(text, count);
  std::vector<Item> items;
  for (int number = 1; number <= static_cast<int>(spans.size()); ++number) {
    const std::optional<ProfileSectionSpan>& span = spans[number - 1];
    const std::string_view body =
        span ? text.substr(span->bodyBegin, span->end - span->bodyBegin) : std::string_view();
    Item item{number, 0, 0, {}};
    // Read as the game reads numbers: "10 ; moved" is 10, a missing value 0.
    item.month = ParseEventCount(BodyValue(body, "month").value_or(kMissingValue));
    item.day = ParseEventCount(BodyValue(body, "day").value_or(kMissingValue));
    if (key == SortKey::kName) item.name = Folded(BodyValue(body, "name").value_or(""));
    if (key == SortKey::kFolder) item.name = Folded(BodyValue(body, "trackDirectory").value_or(""));
    items.push_back(std::move(item));
  }
  std::stable_sort(items.begin(), items.end(), [key](const Item& a, const Item& b) {
    if (key == SortKey::kDate) return a.month != b.month ? a.month < b.month : a.day < b.day;
    return a.name < b.name;
  });
  std::vector<int> order;
  for (const Item& item : items) order.push_back(item.number);
  return order;
}

std::string ReorderEvents(std::string_view text, const std::vector<int>& order) {
  const int count = static_cast<int>(order.size());
  const std::vector<std::optional<ProfileSectionSpan>> spans = EventSpans(text, count);
  std::vector<ProfileSectionSpan> slots;
  for (const auto& span : spans) slots.push_back(*span);
  std::sort(slots.begin(), slots.end(),
            [](const ProfileSectionSpan& a, const ProfileSectionSpan& b) { return a.begin < b.begin; });
  const std::string lineEnd = LineEndOf(text);
  std::string out;
  out.reserve(text.size() + 16 * order.size());
  std::size_t copied = 0;
  for (std::size_t k = 0; k < slots.size(); ++k) {
    const ProfileSectionSpan& slot = slots[k];
    const ProfileSectionSpan& from = *spans[order[k] - 1];
    out.append(text.substr(copied, slot.begin - copied));
    std::string block(text.substr(from.begin, from.nameBegin - from.begin));
    block += "Event" + std::to_string(k + 1);
    block.append(text.substr(from.nameEnd, from.end - from.nameEnd));
    // A block keeps its lines; only where it lands decides whether it ends in a line end (the
    // file's last line may have none).
    const bool lastInFile = slot.end == text.size();
    if (lastInFile && !EndsWithLineEnd(text)) {
      block = WithoutLineEnd(std::move(block));
    } else {
      block = WithLineEnd(block, lineEnd);
    }
    out += block;
    copied = slot.end;
  }
  out.append(text.substr(copied));
  return out;
}

std::string ReplaceEventBody(std::string_view text, int number, std::string_view body) {
  const ProfileSectionSpan span = *EventSpans(text, number)[number - 1];
  std::string replacement(body);
  if (span.end != text.size() || EndsWithLineEnd(text))
    replacement = WithLineEnd(replacement, LineEndOf(text));
  std::string out(text.substr(0, span.bodyBegin));
  out += replacement;
  out.append(text.substr(span.end));
  return out;
}

std::string AppendEvent(std::string_view text, std::string_view body) {
  const int count = std::max(EventCountOf(text), 0);
  const std::string lineEnd = LineEndOf(text);
  // After the last event block, so sections after the events (a mod's own) stay after them.
  std::size_t at = 0;
  for (const auto& span : EventSpans(text, count)) {
    if (span) at = std::max(at, span->end);
  }
  if (at == 0) at = text.size();
  std::string block = "[Event" + std::to_string(count + 1) + "]" + lineEnd;
  block += WithLineEnd(body, lineEnd);
  std::string out(text.substr(0, at));
  if (!out.empty() && !EndsWithLineEnd(out)) out += lineEnd;
  out += block;
  out.append(text.substr(at));
  return WithCount(out, count + 1);
}

std::string WithoutEvents(std::string_view text) {
  std::string out;
  std::size_t copied = 0;
  for (const ProfileSectionSpan& span : ProfileSectionSpans(text)) {
    const std::string name(text.substr(span.nameBegin, span.nameEnd - span.nameBegin));
    if (!EventNumberOfSection(name)) continue;
    out.append(text.substr(copied, span.begin - copied));
    copied = span.end;
  }
  out.append(text.substr(copied));
  return WithCount(out, 0);
}

}  // namespace gridmoor
