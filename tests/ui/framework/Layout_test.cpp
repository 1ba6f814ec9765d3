// Where an anchored control goes when the window grows or shrinks.
#include "ui/framework/Layout.h"

#include <gtest/gtest.h>

namespace gridmoor::ui {
namespace {

struct PlaceCase {
  const char* name;
  unsigned anchors;
  RECT expected;  // for the control at 10,20 - 110,60 in a client area grown by 50 x 30
};

class PlaceAnchoredTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceAnchoredTest, FollowsTheAnchoredEdges) {
  const RECT start = {10, 20, 110, 60};
  const RECT placed = PlaceAnchored(start, {400, 300}, {450, 330}, GetParam().anchors);
  const RECT& expected = GetParam().expected;
  EXPECT_EQ(placed.left, expected.left);
  EXPECT_EQ(placed.top, expected.top);
  EXPECT_EQ(placed.right, expected.right);
  EXPECT_EQ(placed.bottom, expected.bottom);
}

INSTANTIATE_TEST_SUITE_P(
    Anchors, PlaceAnchoredTest,
    ::testing::Values(PlaceCase{"TopLeftStays", kAnchorTopLeft, {10, 20, 110, 60}},
                      PlaceCase{"TopRightMovesAcross", kAnchorTopRight, {60, 20, 160, 60}},
                      PlaceCase{"BottomRightMovesBoth", kAnchorBottomRight, {60, 50, 160, 90}},
                      PlaceCase{"AllGrowsBoth", kAnchorAll, {10, 20, 160, 90}},
                      PlaceCase{"LeftRightBottomGrowsAcrossAndMovesDown",
                                kAnchorLeft | kAnchorRight | kAnchorBottom, {10, 50, 160, 90}}),
    [](const ::testing::TestParamInfo<PlaceCase>& info) { return info.param.name; });

TEST(PlaceAnchored, ShrinkingMovesBackTheSameWay) {
  const RECT placed = PlaceAnchored({10, 20, 110, 60}, {400, 300}, {380, 290}, kAnchorAll);
  EXPECT_EQ(placed.right, 90);
  EXPECT_EQ(placed.bottom, 50);
}

}  // namespace
}  // namespace gridmoor::ui
