#include "engine/FileErrorText.h"

#include <gtest/gtest.h>

#include <climits>

namespace gridmoor {
namespace {

struct CauseText {
  int cause;
  const char* text;
};

class FileErrorTextTest : public ::testing::TestWithParam<CauseText> {};

TEST_P(FileErrorTextTest, NamesTheCause) {
  EXPECT_STREQ(FileErrorText(GetParam().cause), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FileErrorTextTest,
    ::testing::Values(
        CauseText{0, "No error occurred."}, CauseText{1, "An unspecified error occurred."},
        CauseText{2, "The file could not be located."},
        CauseText{3, "All or part of the path is invalid."},
        CauseText{4, "The permitted number of open files was exceeded."},
        CauseText{5, "The file could not be accessed."},
        CauseText{6, "There was an attempt to use an invalid file handle."},
        CauseText{7, "The current working directory cannot be removed."},
        CauseText{8, "There are no more directory entries."},
        CauseText{9, "There was an error trying to set the file pointer."},
        CauseText{10, "There was a hardware error."},
        CauseText{11, "SHARE.EXE was not loaded, or a shared region was locked."},
        CauseText{12, "There was an attempt to lock a region that was already locked."},
        CauseText{13, "The disk is full."}, CauseText{14, "The end of file was reached."},
        // Codes outside the table read as the unspecified error.
        CauseText{15, "An unspecified error occurred."},
        CauseText{-1, "An unspecified error occurred."},
        CauseText{INT_MIN, "An unspecified error occurred."},
        CauseText{INT_MAX, "An unspecified error occurred."}));

TEST(FileErrorMessageTest, IsTheCauseALineBreakAndTheNameAsGiven) {
  EXPECT_EQ(FileErrorMessage(CFileException(kCauseFileNotFound, "C:\\GPL\\\\seasons\\gp.ini")),
            "The file could not be located.\r\nC:\\GPL\\\\seasons\\gp.ini");
  EXPECT_EQ(FileErrorMessage(CFileException(99, "")), "An unspecified error occurred.\r\n");
}

class FailedCommandReportTest : public ::testing::TestWithParam<CauseText> {};

TEST_P(FailedCommandReportTest, SpeaksOfAnUnnamedFile) {
  EXPECT_EQ(FailedCommandReport(CFileException(GetParam().cause, "C:\\GPL\\seasons\\gp.ini")),
            GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FailedCommandReportTest,
    ::testing::Values(
        CauseText{kCauseFileNotFound, "an unnamed file was not found."},
        CauseText{kCauseBadPath, "an unnamed file contains an invalid path."},
        CauseText{kCauseAccessDenied, "Access to an unnamed file was denied."},
        CauseText{kCauseSharingViolation,
                  "A sharing violation occurred while accessing an unnamed file."},
        CauseText{kCauseGeneric, "An unknown error occurred while accessing an unnamed file."},
        CauseText{-3, "An unknown error occurred while accessing an unnamed file."}));

TEST(FailedCommandReportTest, EveryCauseGetsASentenceOfItsOwnAboutTheUnnamedFile) {
  for (int cause = kCauseNone; cause <= kCauseEndOfFile; ++cause) {
    const std::string report = FailedCommandReport(CFileException(cause, "x.ini"));
    EXPECT_NE(report.find("an unnamed file"), std::string::npos) << cause;
    EXPECT_EQ(report.find("%1"), std::string::npos) << cause;
    EXPECT_EQ(report.find("x.ini"), std::string::npos) << cause;
    EXPECT_EQ(report.back(), '.') << cause;
  }
}

}  // namespace
}  // namespace gridmoor
