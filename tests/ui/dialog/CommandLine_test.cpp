// Which command lines open the season window alone.
#include "ui/CommandLine.h"

#include <gtest/gtest.h>

namespace gridmoor::ui {
namespace {

TEST(AsksForSeasonWindow, FindsTheWordAfterTheProgramsNameInAnyCase) {
  EXPECT_TRUE(AsksForSeasonWindow("gridmoor.exe /season"));
  EXPECT_TRUE(AsksForSeasonWindow("\"C:\\Program Files\\gridmoor.exe\"   /SEASON"));
  EXPECT_TRUE(AsksForSeasonWindow("gridmoor.exe -Season other"));
  EXPECT_FALSE(AsksForSeasonWindow("gridmoor.exe"));
  EXPECT_FALSE(AsksForSeasonWindow("\"C:\\games\\season\\gridmoor.exe\""));
  EXPECT_FALSE(AsksForSeasonWindow("\"C:\\x /season\\gridmoor.exe\" /seasons"));
  EXPECT_FALSE(AsksForSeasonWindow("C:\\season\\gridmoor.exe"));
}

}  // namespace
}  // namespace gridmoor::ui
