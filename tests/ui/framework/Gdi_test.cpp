#include "ui/framework/Gdi.h"

#include <gtest/gtest.h>

#include <utility>

namespace gridmoor::ui {
namespace {

bool IsLiveObject(HGDIOBJ object) { return GetObjectType(object) != 0; }

TEST(HandleOwner, ReleasesExactlyOnceAndMovesOwnership) {
  HPALETTE first = CreateHalftonePalette(nullptr);
  HPALETTE second = CreateHalftonePalette(nullptr);
  ASSERT_TRUE(first && second);
  {
    OwnedPalette owner(first);
    OwnedPalette moved(std::move(owner));
    EXPECT_FALSE(owner);
    EXPECT_EQ(moved.Get(), first);
    EXPECT_TRUE(moved.Reset(second));
    EXPECT_FALSE(IsLiveObject(first));
    EXPECT_TRUE(IsLiveObject(second));
    OwnedPalette kept;
    kept = std::move(moved);
    EXPECT_EQ(kept.Get(), second);
  }
  EXPECT_FALSE(IsLiveObject(second));

  OwnedBitmap bitmap(CreateBitmap(2, 2, 1, 1, nullptr));
  HBITMAP detached = bitmap.Detach();
  EXPECT_FALSE(bitmap);
  EXPECT_TRUE(IsLiveObject(detached));
  DeleteObject(detached);
}

TEST(ScopedSelectObject, PutsThePreviousObjectBack) {
  OwnedDC dc(CreateCompatibleDC(nullptr));
  OwnedBitmap bitmap(CreateCompatibleBitmap(dc.Get(), 4, 4));
  const HGDIOBJ original = GetCurrentObject(dc.Get(), OBJ_BITMAP);
  {
    ScopedSelectObject selected(dc.Get(), bitmap.Get());
    EXPECT_TRUE(selected.Selected());
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BITMAP), bitmap.Get());
  }
  EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BITMAP), original);
  ScopedSelectObject nothing(dc.Get(), nullptr);
  EXPECT_FALSE(nothing.Selected());
}

}  // namespace
}  // namespace gridmoor::ui
