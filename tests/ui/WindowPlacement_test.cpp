// What the season window accepts of the state it kept: anything damaged counts as not kept.

#include "ui/WindowPlacement.h"

#include <gtest/gtest.h>

namespace gridmoor::ui {
namespace {

TEST(ParseColumnWidthsTest, TakesExactlyOnePlainWidthAColumn) {
  struct Case {
    const char* text;
    std::optional<std::vector<int>> widths;
  };
  const Case cases[] = {
      {"24,130,84,33,39,90", std::vector<int>{24, 130, 84, 33, 39, 90}},
      {"24,130,84,33,39", std::nullopt},        // a column short: another version's
      {"24,130,84,33,39,90,5", std::nullopt},   // one too many
      {"24,130,84,33,39,", std::nullopt},       // an empty width
      {"24,130,-84,33,39,90", std::nullopt},    // no signs
      {"24,130,84,33,39,0", std::nullopt},      // a column that cannot be seen
      {"24,130,84,33,39,4001", std::nullopt},   // wider than any screen
      {"24,130,84,33,39,99999999999", std::nullopt},
      {"24, 130,84,33,39,90", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseColumnWidths(c.text, 6), c.widths) << c.text;
  EXPECT_EQ(ParseColumnWidths(ColumnWidthsText({7, 4000}), 2), (std::vector<int>{7, 4000}));
}

TEST(WindowPlacementTest, WidthsScaleWithTheDpiAndAFrameMustLandOnAMonitor) {
  EXPECT_EQ(ToPixels(100, 144), 150);
  EXPECT_EQ(ToUnits96(150, 144), 100);
  EXPECT_EQ(ToUnits96(100, 0), 100);

  const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  EXPECT_TRUE(FrameOnAMonitor({screen.left + 10, screen.top + 10, screen.left + 400, 300}));
  EXPECT_FALSE(FrameOnAMonitor({-30000, -30000, -29000, -29500}));  // a monitor now gone
  EXPECT_FALSE(FrameOnAMonitor({100, 100, 100, 300}));              // no width
  EXPECT_FALSE(FrameOnAMonitor({100, 100, 50, 300}));               // turned inside out
}

}  // namespace
}  // namespace gridmoor::ui
