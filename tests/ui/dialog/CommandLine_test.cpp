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

TEST(PackageArgument, IsTheFirstWordOtherThanSeasonWithItsQuotesDropped) {
  EXPECT_EQ(PackageArgument("gridmoor.exe"), "");
  EXPECT_EQ(PackageArgument("\"C:\\my games\\gridmoor.exe\" /season"), "");
  // Windows quotes a dropped file's path that holds spaces.
  EXPECT_EQ(PackageArgument("\"C:\\my games\\gridmoor.exe\" \"C:\\Down loads\\track.zip\""),
            "C:\\Down loads\\track.zip");
  EXPECT_EQ(PackageArgument("gridmoor.exe /SEASON\ttrack.zip other.zip"), "track.zip");
  EXPECT_EQ(PackageArgument("gridmoor.exe \"\""), "");
}

}  // namespace
}  // namespace gridmoor::ui
