// The window's texts: the string table read back and its placeholders filled.
#include "ui/framework/StringResource.h"

#include <gtest/gtest.h>

#include "res/resource.h"

namespace gridmoor::ui {
namespace {

TEST(FormatText, FillsNumberedPlaceholdersInAnyOrderAndLeavesTheRest) {
  EXPECT_EQ(FormatText("%1 of 64 events", {"63"}), "63 of 64 events");
  EXPECT_EQ(FormatText("%2, then %1", {"a", "b"}), "b, then a");
  EXPECT_EQ(FormatText("%1%1", {"x"}), "xx");
  // No argument of that number, a percent sign of the text, one at the very end.
  EXPECT_EQ(FormatText("%3 and 100% and %", {"a"}), "%3 and 100% and %");
  // An argument that holds a placeholder is not filled again.
  EXPECT_EQ(FormatText("%1 %2", {"%2", "b"}), "%2 b");
}

TEST(LoadResourceString, ReadsTheProgramsStringTable) {
  EXPECT_EQ(FormatResourceString(IDS_SEASON_COUNT, {"5"}), "5 of 64 events");
  EXPECT_EQ(LoadResourceString(0xFFF0), "");
}

}  // namespace
}  // namespace gridmoor::ui
