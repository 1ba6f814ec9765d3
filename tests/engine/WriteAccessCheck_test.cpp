#include "engine/WriteAccessCheck.h"

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "RecordingHost.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;

constexpr const char* kSeasonQuestion =
    "67season.ini is write protected!\r\nDo you wish to remove the readonly flag?";
constexpr const char* kChampionshipQuestion =
    "gp.ini is write protected!\r\nDo you wish to remove the readonly flag?";
constexpr const char* kMustBeWritable =
    "Ini-files must be writable to complete install.\r\nClick OK to finish.";

enum class State { Writable, ReadOnly, Missing };

struct CheckCase {
  const char* name;
  State season;
  State championship;
  bool championshipChecked;
  std::vector<MessageAnswer> answers;
  // Expected boxes; "{season}"/"{gp}" in a text stand for the files' paths.
  std::vector<Box> boxes;
  int result;
  bool seasonReadOnlyAfter;
  bool championshipReadOnlyAfter;
};

class WriteAccessCheckTest : public ::testing::TestWithParam<CheckCase> {
 protected:
  std::string SeasonPath() const { return game.Text() + "\\seasons\\67season.ini"; }
  std::string ChampionshipPath() const { return game.Text() + "\\seasons\\gp.ini"; }
  bool IsReadOnly(const std::string& path) {
    return (platform.native->GetStatus(path).attributes & kAttributeReadOnly) != 0;
  }
  void Arrange(const char* file, State state) {
    if (state == State::Missing) return;
    WriteBytes(game / "seasons" / file, "[Season]\r\nnumEvents=3\r\n");
    if (state == State::ReadOnly)
      SetReadOnly(*platform.native, game.Text() + "\\seasons\\" + file, true);
  }
  std::string Expand(std::string text) const {
    for (const auto& [token, path] : {std::pair<std::string, std::string>{"{season}", SeasonPath()},
                                      {"{gp}", ChampionshipPath()}}) {
      const std::size_t at = text.find(token);
      if (at != std::string::npos) text.replace(at, token.size(), path);
    }
    return text;
  }

  TempFolder game;
  Platform platform;
  RecordingHost host;
};

TEST_P(WriteAccessCheckTest, AsksWarnsAndClearsAsTheUserSays) {
  const CheckCase& c = GetParam();
  fs::create_directories(game / "seasons");
  Arrange("67season.ini", c.season);
  Arrange("gp.ini", c.championship);
  const auto before = Snapshot(game.Path());
  host.championshipChecked = c.championshipChecked;
  host.answers.assign(c.answers.begin(), c.answers.end());

  EXPECT_EQ(CheckIniFilesWritable(host, platform.files, game.Text()), c.result);

  std::vector<Box> expected;
  for (Box box : c.boxes) {
    box.text = Expand(box.text);
    expected.push_back(box);
  }
  EXPECT_EQ(host.Boxes(), expected);
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
    Cases, WriteAccessCheckTest,
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
                  {OkBox("The file could not be located.\r\n{gp}")}, 1, false, false},
        CheckCase{"SeasonMissingStopsBeforeChampionship", S::Missing, S::ReadOnly, true, {},
                  {OkBox("The file could not be located.\r\n{season}")}, 1, false, true}),
    [](const auto& info) { return info.param.name; });

// Clearing the mark keeps the other attributes and the times.
TEST(WriteAccessCheckMarkTest, ClearingKeepsTheRestOfTheStatus) {
  TempFolder game;
  Platform platform;
  const std::string path = game.Text() + "\\seasons\\67season.ini";
  WriteBytes(game / "seasons" / "67season.ini", "[Season]\r\n");
  FileStatus status = platform.native->GetStatus(path);
  status.lastWriteTime = 86400 * 365 * 30 + 7;  // some second in 2000
  status.attributes |= kAttributeReadOnly;
  platform.native->SetStatus(path, status);
  const FileStatus before = platform.native->GetStatus(path);
  ASSERT_TRUE(before.attributes & kAttributeReadOnly);

  RecordingHost host;
  host.answers = {MessageAnswer::Yes};
  EXPECT_EQ(CheckIniFilesWritable(host, platform.files, game.Text()), 0);

  const FileStatus after = platform.native->GetStatus(path);
  // A file left with no attribute at all may read back as "normal".
  EXPECT_EQ(after.attributes & ~kAttributeNormal,
            before.attributes & ~(kAttributeReadOnly | kAttributeNormal));
  EXPECT_EQ(after.lastWriteTime, before.lastWriteTime);
  EXPECT_EQ(after.creationTime, before.creationTime);
}

TEST(WriteAccessCheckPathTest, FolderTextIsUsedAsTyped) {
  const struct {
    const char* name;
    std::function<std::string(const TempFolder&)> folder;
    const char* cause;
  } cases[] = {
      // One trailing backslash doubles the separator, and the message shows it so.
      {"TrailingBackslash", [](const TempFolder& g) { return g.Text() + "\\"; },
       "The file could not be located."},
      {"NoSeasonsFolder", [](const TempFolder& g) { return g.Text() + "\\nothing"; },
       "All or part of the path is invalid."},
      // Empty: the root of the current drive, which has no seasons folder.
      {"Empty", [](const TempFolder&) { return std::string(); },
       "All or part of the path is invalid."},
  };
  for (const auto& c : cases) {
    TempFolder game;
    fs::create_directories(game / "seasons");
    Platform platform;
    RecordingHost host;
    host.championshipChecked = true;
    const std::string folder = c.folder(game);
    EXPECT_EQ(CheckIniFilesWritable(host, platform.files, folder), 1) << c.name;
    EXPECT_EQ(host.Boxes(), std::vector<Box>{OkBox(std::string(c.cause) + "\r\n" + folder +
                                                   "\\seasons\\67season.ini")})
        << c.name;
  }
}

TEST(WriteAccessCheckSharingTest, FileHeldOpenElsewhereStops) {
  TempFolder game;
  Platform platform;
  WriteBytes(game / "seasons" / "67season.ini", "[Season]\r\n");
  WriteBytes(game / "seasons" / "gp.ini", "[Season]\r\n");
  for (const char* held : {"67season.ini", "gp.ini"}) {
    const std::string path = game.Text() + "\\seasons\\" + held;
    const auto holder = platform.native->OpenExclusiveForRead(path);
    RecordingHost host;
    host.championshipChecked = true;
    EXPECT_EQ(CheckIniFilesWritable(host, platform.files, game.Text()), 1) << held;
    EXPECT_EQ(host.Boxes(),
              std::vector<Box>{OkBox(
                  "SHARE.EXE was not loaded, or a shared region was locked.\r\n" + path)})
        << held;
  }
}

// The check holds the file without sharing across its question.
TEST(WriteAccessCheckSharingTest, FileIsHeldWhileTheQuestionIsAsked) {
  TempFolder game;
  Platform platform;
  const std::string path = game.Text() + "\\seasons\\67season.ini";
  WriteBytes(game / "seasons" / "67season.ini", "[Season]\r\n");
  SetReadOnly(*platform.native, path, true);

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
  } host;
  host.files = platform.native.get();
  host.path = path;
  host.answers = {MessageAnswer::Yes};
  EXPECT_EQ(CheckIniFilesWritable(host, platform.files, game.Text()), 0);
  EXPECT_TRUE(host.heldDuringQuestion);
  // Closed again afterwards.
  EXPECT_NO_THROW(platform.native->OpenExclusiveForRead(path));
}

TEST(WriteAccessCheckEscapeTest, FailureWhileClearingTheMarkEscapes) {
  TempFolder game;
  Platform platform;
  const std::string path = game.Text() + "\\seasons\\67season.ini";
  WriteBytes(game / "seasons" / "67season.ini", "[Season]\r\n");
  SetReadOnly(*platform.native, path, true);
  platform.files.failSetStatusCause = kCauseAccessDenied;

  RecordingHost host;
  host.answers = {MessageAnswer::Yes};
  try {
    CheckIniFilesWritable(host, platform.files, game.Text());
    ADD_FAILURE() << "no exception";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.Cause(), kCauseAccessDenied);
    EXPECT_EQ(error.FileName(), path);
  }
  EXPECT_EQ(host.Boxes(), std::vector<Box>{YesNoBox(kSeasonQuestion)});
}

}  // namespace
}  // namespace gridmoor
