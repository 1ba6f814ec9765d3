#include "engine/FileErrorText.h"

#include <gtest/gtest.h>

#include <climits>

namespace gridmoor {
namespace {

TEST(FileErrorTextTest, CodesOutsideTheTableReadAsUnspecified) {
  EXPECT_STREQ(FileErrorText(0), "No error occurred.");
  EXPECT_STREQ(FileErrorText(14), "The end of file was reached.");
  for (int cause : {1, 15, -1, INT_MIN, INT_MAX})
    EXPECT_STREQ(FileErrorText(cause), "An unspecified error occurred.") << cause;
}

TEST(FileErrorMessageTest, IsTheCauseALineBreakAndTheNameAsGiven) {
  EXPECT_EQ(FileErrorMessage(CFileException(kCauseSharingViolation, "C:\\GPL\\\\seasons\\gp.ini")),
            "SHARE.EXE was not loaded, or a shared region was locked.\r\nC:\\GPL\\\\seasons\\gp.ini");
  EXPECT_EQ(FileErrorMessage(CFileException(99, "")), "An unspecified error occurred.\r\n");
}

TEST(FailedCommandReportTest, SpeaksOfAnUnnamedFile) {
  const struct {
    int cause;
    const char* report;
  } cases[] = {
      {kCauseFileNotFound, "an unnamed file was not found."},
      {kCauseBadPath, "an unnamed file contains an invalid path."},
      {kCauseAccessDenied, "Access to an unnamed file was denied."},
      {kCauseSharingViolation, "A sharing violation occurred while accessing an unnamed file."},
      {kCauseGeneric, "An unknown error occurred while accessing an unnamed file."},
      {-3, "An unknown error occurred while accessing an unnamed file."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FailedCommandReport(CFileException(c.cause, "C:\\GPL\\x.ini")), c.report) << c.cause;

  // The rarer causes get sentences of their own, never naming the file.
  for (int cause = kCauseNone; cause <= kCauseEndOfFile; ++cause) {
    const std::string report = FailedCommandReport(CFileException(cause, "x.ini"));
    EXPECT_NE(report.find("an unnamed file"), std::string::npos) << cause;
    EXPECT_EQ(report.find("x.ini"), std::string::npos) << cause;
  }
}

}  // namespace
}  // namespace gridmoor
