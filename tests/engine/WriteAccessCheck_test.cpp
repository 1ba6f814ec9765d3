#include "engine/WriteAccessCheck.h"

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "RecordingHost.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;

constexpr const char* kChampionshipQuestion =
    "gp.ini is write protected!\r\nDo you wish to remove the readonly flag?";

enum class State { Writable, ReadOnly, Missing };

struct CheckCase {
  const char* name;
  State season;
  State championship;
  bool championshipChecked;
  std::vector<MessageAnswer> answers;
  // Expected boxes; "{game}" in a text stands for the game folder.
  std::vector<Box> boxes;
  int result;
  bool seasonReadOnlyAfter;
  bool championshipReadOnlyAfter;
};

class WriteAccessCheckTest : public ::testing::Test {
 protected:
  std::string SeasonPath() const { return game.Text() + "\\seasons\\67season.ini"; }
  std::string ChampionshipPath() const { return game.Text() + "\\seasons\\gp.ini"; }
  bool IsReadOnly(const std::string& path) {
    return (platform.native->GetStatus(path).attributes & kAttributeReadOnly) != 0;
  }
  void Arrange(const char* file, State state) {
    fs::create_directories(game / "seasons");
    if (state == State::Missing) return;
    WriteBytes(game / "seasons" / file, "[Season]\r\nnumEvents=3\r\n");
    if (state == State::ReadOnly)
      SetReadOnly(*platform.native, game.Text() + "\\seasons\\" + file, true);
  }
  int Check(const std::string& folder) {
    return CheckIniFilesWritable(host, platform.files, folder);
  }

  TempFolder game;
  Platform platform;
  RecordingHost host;
};

class WriteAccessCaseTest : public WriteAccessCheckTest,
                            public ::testing::WithParamInterface<CheckCase> {};

TEST_P(WriteAccessCaseTest, AsksWarnsAndClearsAsTheUserSays) {
  const CheckCase& c = GetParam();
  Arrange("67season.ini", c.season);
  Arrange("gp.ini", c.championship);
  const auto before = Snapshot(game.Path());
  host.championshipChecked = c.championshipChecked;
  host.answers.assign(c.answers.begin(), c.answers.end());

  EXPECT_EQ(Check(game.Text()), c.result);

  EXPECT_EQ(host.Boxes(), Expand(c.boxes, {{"{game}", game.Text()}}));
  if (c.season != State::Missing) {
    EXPECT_EQ(IsReadOnly(SeasonPath()), c.seasonReadOnlyAfter);
  }
  if (c.championship != State::Missing) {
    EXPECT_EQ(IsReadOnly(ChampionshipPath()), c.championshipReadOnlyAfter);
  }
  EXPECT_EQ(Snapshot(game.Path()), before);  // contents never change
  EXPECT_TRUE(host.Progress().empty());
}

using S = State;
const MessageAnswer Yes = MessageAnswer::Yes;
const MessageAnswer No = MessageAnswer::No;

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteAccessCaseTest,
    ::testing::Values(
        CheckCase{"BothWritable", S::Writable, S::Writable, true, {}, {}, 0, false, false},
        CheckCase{"ChampionshipNotChosenNotLookedAt", S::Writable, S::Missing, false, {}, {}, 0,
                  false, false},
        CheckCase{"SeasonReadOnlyYes", S::ReadOnly, S::ReadOnly, false, {Yes},
                  {YesNoBox(kSeasonQuestion)}, 0, false, true},
        CheckCase{"SeasonReadOnlyNoStopsBeforeChampionship", S::ReadOnly, S::ReadOnly, true, {No},
                  {YesNoBox(kSeasonQuestion), OkBox(kMustBeWritable)}, 1, true, true},
        CheckCase{"BothReadOnlyYesThenNo", S::ReadOnly, S::ReadOnly, true, {Yes, No},
                  {YesNoBox(kSeasonQuestion), YesNoBox(kChampionshipQuestion), OkBox(kMustBeWritable)},
                  1, false, true},
        CheckCase{"BothReadOnlyYesYes", S::ReadOnly, S::ReadOnly, true, {Yes, Yes},
                  {YesNoBox(kSeasonQuestion), YesNoBox(kChampionshipQuestion)}, 0, false, false},
        CheckCase{"ChampionshipMissing", S::Writable, S::Missing, true, {},
                  {OkBox("The file could not be located.\r\n{game}\\seasons\\gp.ini")}, 1, false,
                  false},
        CheckCase{"SeasonMissingStopsBeforeChampionship", S::Missing, S::ReadOnly, true, {},
                  {OkBox("The file could not be located.\r\n{game}\\seasons\\67season.ini")}, 1,
                  false, true}),
    [](const auto& info) { return info.param.name; });

// Clearing the mark keeps the other attributes and the times.
TEST_F(WriteAccessCheckTest, ClearingKeepsTheRestOfTheStatus) {
  Arrange("67season.ini", State::Writable);
  FileStatus status = platform.native->GetStatus(SeasonPath());
  status.lastWriteTime = 86400 * 365 * 30 + 7;  // some second in 2000
  status.attributes |= kAttributeReadOnly;
  platform.native->SetStatus(SeasonPath(), status);
  const FileStatus before = platform.native->GetStatus(SeasonPath());
  ASSERT_TRUE(before.attributes & kAttributeReadOnly);

  host.answers = {MessageAnswer::Yes};
  EXPECT_EQ(Check(game.Text()), 0);

  const FileStatus after = platform.native->GetStatus(SeasonPath());
  // A file left with no attribute at all may read back as "normal".
  EXPECT_EQ(after.attributes & ~kAttributeNormal,
            before.attributes & ~(kAttributeReadOnly | kAttributeNormal));
  EXPECT_EQ(after.lastWriteTime, before.lastWriteTime);
  EXPECT_EQ(after.creationTime, before.creationTime);
}

// The folder is used as typed: the box names the path built from it.
struct FolderCase {
  const char* name;
  const char* tail;  // appended to the game folder, or nullptr for an empty folder text
  const char* cause;
};

class WriteAccessFolderTest : public WriteAccessCheckTest,
                              public ::testing::WithParamInterface<FolderCase> {};

TEST_P(WriteAccessFolderTest, StopsWithTheCauseAndThePathAsBuilt) {
  Arrange("67season.ini", State::Missing);
  host.championshipChecked = true;
  const std::string folder = GetParam().tail ? game.Text() + GetParam().tail : "";
  EXPECT_EQ(Check(folder), 1);
  EXPECT_EQ(host.Boxes(), std::vector<Box>{OkBox(std::string(GetParam().cause) + "\r\n" +
                                                 folder + "\\seasons\\67season.ini")});
}

INSTANTIATE_TEST_SUITE_P(
    Folders, WriteAccessFolderTest,
    ::testing::Values(
        // One trailing backslash doubles the separator, and the message shows it so.
        FolderCase{"TrailingBackslash", "\\", "The file could not be located."},
        FolderCase{"NoSeasonsFolder", "\\nothing", "All or part of the path is invalid."},
        // Empty: the root of the current drive, which has no seasons folder.
        FolderCase{"Empty", nullptr, "All or part of the path is invalid."}),
    [](const auto& info) { return info.param.name; });

class WriteAccessHeldTest : public WriteAccessCheckTest,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(WriteAccessHeldTest, FileHeldOpenElsewhereStops) {
  Arrange("67season.ini", State::Writable);
  Arrange("gp.ini", State::Writable);
  const std::string path = game.Text() + "\\seasons\\" + GetParam();
  const auto holder = platform.native->OpenExclusiveForRead(path);
  host.championshipChecked = true;
  EXPECT_EQ(Check(game.Text()), 1);
  EXPECT_EQ(host.Boxes(), std::vector<Box>{OkBox(
                              "SHARE.EXE was not loaded, or a shared region was locked.\r\n" +
                              path)});
}

INSTANTIATE_TEST_SUITE_P(Files, WriteAccessHeldTest, ::testing::Values("67season.ini", "gp.ini"));

// The check holds the file without sharing across its question.
TEST_F(WriteAccessCheckTest, FileIsHeldWhileTheQuestionIsAsked) {
  Arrange("67season.ini", State::ReadOnly);
  class ProbingHost : public RecordingHost {
   public:
    FileSystem* files = nullptr;
    std::string path;
    bool heldDuringQuestion = false;
    MessageAnswer ShowMessage(const std::string& text, MessageButtons buttons,
                              MessageIcon icon) override {
      try {
        files->OpenExclusiveForRead(path);
      } catch (const CFileException& error) {
        heldDuringQuestion = error.Cause() == kCauseSharingViolation;
      }
      return RecordingHost::ShowMessage(text, buttons, icon);
    }
  } probing;
  probing.files = platform.native.get();
  probing.path = SeasonPath();
  probing.answers = {MessageAnswer::Yes};
  EXPECT_EQ(CheckIniFilesWritable(probing, platform.files, game.Text()), 0);
  EXPECT_TRUE(probing.heldDuringQuestion);
  // Closed again afterwards.
  EXPECT_NO_THROW(platform.native->OpenExclusiveForRead(SeasonPath()));
}

}  // namespace
}  // namespace gridmoor
