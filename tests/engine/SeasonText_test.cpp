#include "engine/SeasonText.h"

#include <gtest/gtest.h>

#include <functional>

namespace gridmoor {
namespace {

// Events moved, added, refreshed or taken out as blocks: every other byte stays as written.
struct TextCase {
  const char* name;
  std::string before;
  std::function<std::string(std::string_view)> change;
  std::string after;
};

class SeasonTextChange : public ::testing::TestWithParam<TextCase> {};

TEST_P(SeasonTextChange, LeavesTheExpectedBytes) {
  EXPECT_EQ(GetParam().change(GetParam().before), GetParam().after);
}

std::string SortedByDate(std::string_view text) {
  return ReorderEvents(text, SortedEventOrder(text, SortKey::kDate));
}

INSTANTIATE_TEST_SUITE_P(
    Table, SeasonTextChange,
    ::testing::Values(
        // "10 ; late" is 10 and "06" is 6 as the game reads them; the tie on 6/4 keeps its order;
        // LF stays LF; comments and keys the game alone knows go with their event.
        TextCase{"SortByDate",
                 "[Season]\nnumEvents=3\nYear=1967\n[Event1]\nname=A\nmonth=10 ; late\nday=1\n"
                 "x=unknown\n[Event2]\nname=B\nmonth=06\nday=4\n; note\n[Event3]\nname=C\nmonth=6\n"
                 "day=4\n",
                 SortedByDate,
                 "[Season]\nnumEvents=3\nYear=1967\n[Event1]\nname=B\nmonth=06\nday=4\n; note\n"
                 "[Event2]\nname=C\nmonth=6\nday=4\n[Event3]\nname=A\nmonth=10 ; late\nday=1\n"
                 "x=unknown\n"},
        // The file's last line has no line end: the block moved away from the end gets one, the
        // one moved to the end loses it.
        TextCase{"SortMovesTheUnendedLastBlock",
                 "[Season]\nnumEvents=2\n[Event1]\nmonth=9\n[Event2]\nmonth=1", SortedByDate,
                 "[Season]\nnumEvents=2\n[Event1]\nmonth=1\n[Event2]\nmonth=9"},
        // A mod's section between events stays where it is.
        TextCase{"MoveAroundAForeignSection",
                 "[Season]\r\nnumEvents=2\r\n[Event1]\r\nname=A\r\n[Mod]\r\nk=v\r\n[Event2]\r\nname=B\r\n",
                 [](std::string_view t) { return ReorderEvents(t, {2, 1}); },
                 "[Season]\r\nnumEvents=2\r\n[Event1]\r\nname=B\r\n[Mod]\r\nk=v\r\n[Event2]\r\nname=A\r\n"},
        TextCase{"AppendKeepsTheCountsSpelling",
                 "[Season]\r\nnumevents=1\r\n[Event1]\r\ntrackDirectory=a\r\n",
                 [](std::string_view t) { return AppendEvent(t, "trackDirectory=b\r\n"); },
                 "[Season]\r\nnumevents=2\r\n[Event1]\r\ntrackDirectory=a\r\n[Event2]\r\n"
                 "trackDirectory=b\r\n"},
        TextCase{"AppendWithoutACount", "[Season]\r\nYear=1967\r\n",
                 [](std::string_view t) { return AppendEvent(t, "trackDirectory=a"); },
                 "[Season]\r\nYear=1967\r\nNumEvents=1\r\n[Event1]\r\ntrackDirectory=a\r\n"},
        // After the last event, before the mod's section; the body takes the file's LF.
        TextCase{"AppendAfterTheLastEvent",
                 "[Season]\nnumEvents=1\n[Event1]\ntrackDirectory=a\n[Mod]\nk=v\n",
                 [](std::string_view t) { return AppendEvent(t, "trackDirectory=b"); },
                 "[Season]\nnumEvents=2\n[Event1]\ntrackDirectory=a\n[Event2]\ntrackDirectory=b\n"
                 "[Mod]\nk=v\n"},
        TextCase{"ReplaceABodyInTheMiddle",
                 "[Season]\r\nnumEvents=2\r\n[Event1]\r\nold=1\r\n[Event2]\r\nx=2",
                 [](std::string_view t) { return ReplaceEventBody(t, 1, "new=1"); },
                 "[Season]\r\nnumEvents=2\r\n[Event1]\r\nnew=1\r\n[Event2]\r\nx=2"},
        TextCase{"ReplaceTheUnendedLastBody",
                 "[Season]\r\nnumEvents=2\r\n[Event1]\r\nold=1\r\n[Event2]\r\nx=2",
                 [](std::string_view t) { return ReplaceEventBody(t, 2, "new=2"); },
                 "[Season]\r\nnumEvents=2\r\n[Event1]\r\nold=1\r\n[Event2]\r\nnew=2"},
        // Every section the game would read as an event goes, at any number or letter case.
        TextCase{"WithoutEvents",
                 "[Season]\r\nnumEvents=2\r\nYear=1967\r\n[Event1]\r\na=1\r\n[Mod]\r\nk=v\r\n"
                 "[event7]\r\nb=2\r\n",
                 [](std::string_view t) { return WithoutEvents(t); },
                 "[Season]\r\nnumEvents=0\r\nYear=1967\r\n[Mod]\r\nk=v\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Reordering needs one section per event 1..count and a count the scan reaches.
TEST(HasOrderlyEventsTest, AnswersForEachShape) {
  const auto events = [](int count, int sections) {
    std::string text = "[Season]\r\nnumEvents=" + std::to_string(count) + "\r\n";
    for (int n = 1; n <= sections; ++n) text += "[Event" + std::to_string(n) + "]\r\n";
    return text;
  };
  const struct {
    const char* name;
    std::string text;
    bool orderly;
  } rows[] = {
      {"whole", events(2, 2), true},
      {"sections above the count", events(1, 3), true},
      {"no events", "[Season]\r\nYear=1967\r\n", true},
      {"missing section", events(3, 2), false},
      {"repeated section", events(2, 2) + "[event2]\r\n", false},
      {"leading zero", "[Season]\r\nnumEvents=1\r\n[Event01]\r\n", false},
      {"count at the limit", events(4096, 4096), true},
      {"count above the limit", events(4097, 4097), false},
  };
  for (const auto& row : rows) EXPECT_EQ(HasOrderlyEvents(row.text), row.orderly) << row.name;
}

}  // namespace
}  // namespace gridmoor
