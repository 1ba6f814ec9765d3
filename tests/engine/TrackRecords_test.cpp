#include "engine/TrackRecords.h"

#include <gtest/gtest.h>

#include "platform/MemoryFileSystem.h"

namespace gridmoor {
namespace {

TEST(TrackRecords, VersionsCompareAsDottedNumbersWithTextParts) {
  const struct {
    const char* older;
    const char* newer;
  } ordered[] = {{"1.9", "1.10"},   {"1.2", "1.10"},   {"0.9", "1"},     {"1", "1.0.1"},
                 {"2.0a", "2.0b"},  {"2.0", "2.0b"},   {"9", "10"},      {"", "0.1"},
                 {"1.9", "01.10"},  {"99999999999999999999", "100000000000000000000"}};
  for (const auto& [older, newer] : ordered) {
    EXPECT_LT(CompareVersions(older, newer), 0) << older << " < " << newer;
    EXPECT_GT(CompareVersions(newer, older), 0) << newer << " > " << older;
  }
  for (const auto& [a, b] : {std::pair{"1", "1.0"}, std::pair{"1.01", "1.1"}, std::pair{"", ""}})
    EXPECT_EQ(CompareVersions(a, b), 0) << a << " == " << b;
}

// The details of one event measure only its own folder, never a neighbour whose name begins
// the same.
TEST(TrackRecords, FolderSizeCountsTheOneFolderOnly) {
  testing::MemoryFileSystem files;
  files.files = {{"G\\tracks\\calder\\calder.trk", std::string(10, 'x')},
                 {"G\\tracks\\calder\\pit.lp", std::string(5, 'x')},
                 {"G\\tracks\\calderx\\calderx.trk", std::string(100, 'x')},
                 {"G\\tracks\\ardenvale\\a.trk", std::string(7, 'x')}};
  const FolderSize calder = TrackFolderSize(files, "G", "calder");
  EXPECT_EQ(calder.bytes, 15u);
  EXPECT_EQ(calder.fileCount, 2);
  const FolderSize missing = TrackFolderSize(files, "G", "dunmere");
  EXPECT_EQ(missing.bytes, 0u);
  EXPECT_EQ(missing.fileCount, 0);
}

}  // namespace
}  // namespace gridmoor
