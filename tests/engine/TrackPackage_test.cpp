#include "engine/TrackPackage.h"

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "RecordingHost.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;

constexpr const char* kInvalid = "Install.ini missing or not valid!\r\nClick OK to finish.";

class LoadPackageTest : public ::testing::Test {
 protected:
  // Writes the package and loads it with the package folder as the current directory.
  bool Load(const std::vector<std::pair<std::string, std::string>>& keys = FullDescription()) {
    MakePackage(folder.Path(), keys);
    return LoadAgain();
  }
  bool LoadAgain() {
    CurrentDirectoryScope inPackage(folder.Path());
    return LoadPackage(host, platform.files, package);
  }
  // The description with `key` changed (or left out when `value` is null).
  static std::vector<std::pair<std::string, std::string>> With(
      const std::string& key, const char* value,
      std::vector<std::pair<std::string, std::string>> keys = FullDescription()) {
    std::vector<std::pair<std::string, std::string>> changed;
    for (auto entry : keys) {
      if (entry.first != key) changed.push_back(entry);
      else if (value) changed.push_back({key, value});
    }
    return changed;
  }

  TempFolder folder;
  Platform platform;
  RecordingHost host;
  TrackPackage package;
};

TEST_F(LoadPackageTest, ValidPackageFillsTheRecordAndTheDialogInOrder) {
  ASSERT_TRUE(Load());

  EXPECT_EQ(host.Calls(),
            (std::vector<std::string>{"season box", "screenshot screenshot.bmp", "readme",
                                      "caption Zandvoort 1967 Install", "replay option on"}));
  EXPECT_TRUE(host.Boxes().empty());
  const TrackPackage expected = PackageFor(folder);
  for (const auto& [key, field] : kDescriptionFields) EXPECT_EQ(package.*field, expected.*field) << key;
  CurrentDirectoryScope inPackage(folder.Path());
  EXPECT_EQ(package.packageFolder, fs::current_path().string());
  EXPECT_EQ(host.readme, "Zandvoort\r\nby the track team\r\n");
}

TEST_F(LoadPackageTest, WithoutReplayTheOptionIsOffAndTheSentinelKept) {
  ASSERT_TRUE(Load(With("replayfilename", nullptr)));
  EXPECT_EQ(host.Calls().back(), "replay option off");
  EXPECT_EQ(package.replayfilename, "default");
}

TEST_F(LoadPackageTest, EmptyValuesAreValidAndLongOnesCutTo99) {
  ASSERT_TRUE(Load(With("month", "", With("name", std::string(150, 'n').c_str()))));
  EXPECT_EQ(package.month, "");
  EXPECT_EQ(package.name, std::string(99, 'n'));
}

// A required key missing, or holding the word default, stops the load at that key.
struct BadKey {
  const char* key;
  bool writtenAsDefault;
};

class RequiredKeyTest : public LoadPackageTest, public ::testing::WithParamInterface<BadKey> {};

TEST_P(RequiredKeyTest, StopsAtTheKeyWithTheInvalidMessage) {
  const std::string bad = GetParam().key;
  EXPECT_FALSE(Load(With(bad, GetParam().writtenAsDefault ? "default" : nullptr)));
  EXPECT_EQ(host.Boxes(), std::vector<Box>{OkBox(kInvalid)});
  EXPECT_EQ(host.CountOf("season box"), 1);
  EXPECT_EQ(host.CountOf("replay option on") + host.CountOf("replay option off"), 0);

  // Keys before the bad one keep their values; the ones after are never read.
  const TrackPackage full = PackageFor(folder);
  bool before = true;
  for (const auto& [key, field] : kDescriptionFields) {
    if (key == bad) {
      before = false;
      EXPECT_EQ(package.*field, "default") << key;
      continue;
    }
    EXPECT_EQ(package.*field, before ? full.*field : "") << key;
  }
  EXPECT_EQ(host.CountOf("caption Zandvoort 1967 Install"), bad == "dialogtitel" ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, RequiredKeyTest,
    ::testing::Values(BadKey{"dialogtitel", false}, BadKey{"name", false},
                      BadKey{"shortname", true}, BadKey{"trackDirectory", false},
                      BadKey{"month", true}, BadKey{"day", false}, BadKey{"numberOfLaps", true},
                      BadKey{"startingGrid", false}, BadKey{"startingGrid", true}),
    [](const auto& info) {
      return std::string(info.param.key) + (info.param.writtenAsDefault ? "_Default" : "_Missing");
    });

// Names that would put files beyond their folder, or that the game could not find by the name
// written for it, make the package invalid.
struct NameCase {
  const char* key;
  const char* value;
  bool valid;
};

class PackageNameTest : public LoadPackageTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(PackageNameTest, OnlyPlainNamesAreAccepted) {
  EXPECT_EQ(Load(With(GetParam().key, GetParam().value)), GetParam().valid);
  EXPECT_EQ(host.Boxes().size(), GetParam().valid ? 0u : 1u);
  if (!GetParam().valid) {
    EXPECT_EQ(host.Boxes()[0], OkBox(kInvalid));
    EXPECT_EQ(host.CountOf("replay option on") + host.CountOf("replay option off"), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, PackageNameTest,
    ::testing::Values(NameCase{"trackDirectory", "..", false},
                      NameCase{"trackDirectory", ".", false},
                      NameCase{"trackDirectory", "..\\..\\windows", false},
                      NameCase{"trackDirectory", "a/b", false},
                      NameCase{"trackDirectory", "C:evil", false},
                      NameCase{"trackDirectory", ". .", false},
                      NameCase{"trackDirectory", "", true},
                      NameCase{"trackDirectory", "..monza", true},
                      // White space kept by quotes in install.ini: no such folder in the game.
                      NameCase{"trackDirectory", "\" a\"", false},
                      NameCase{"trackDirectory", "\"a\t\"", false},
                      NameCase{"trackDirectory", "'\"x\"'", true},
                      NameCase{"replayfilename", "\"wr.rpy \"", false},
                      NameCase{"replayfilename", "..\\gpl.exe", false},
                      NameCase{"replayfilename", "c:wr.rpy", false},
                      NameCase{"replayfilename", "", true},
                      NameCase{"replayfilename", "wr 1.02.rpy", true}));

TEST_F(LoadPackageTest, TooLongCurrentDirectoryIsAnInvalidPackage) {
  MakePackage(folder.Path());
  platform.files.currentDirectoryTooLong = true;
  EXPECT_FALSE(LoadAgain());
  EXPECT_EQ(host.Boxes(), std::vector<Box>{OkBox(kInvalid)});
  EXPECT_EQ(host.CountOf("caption Zandvoort 1967 Install"), 0);
  EXPECT_EQ(package.packageFolder, "");
}

struct ReadmeCase {
  const char* name;
  std::optional<std::string> bytes;  // nullopt: no readme.txt at all
  std::string shown;
};

class ReadmeTest : public LoadPackageTest, public ::testing::WithParamInterface<ReadmeCase> {};

TEST_P(ReadmeTest, ShowsTheTextWithLineFeedsWidened) {
  MakePackage(folder.Path());
  if (GetParam().bytes) WriteBytes(folder / "readme.txt", *GetParam().bytes);
  else fs::remove(folder / "readme.txt");
  ASSERT_TRUE(LoadAgain());  // a readme is never a reason to refuse the package
  EXPECT_EQ(host.readme, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadmeTest,
    ::testing::Values(ReadmeCase{"LineFeeds", "a\nb\n\nc", "a\r\nb\r\n\r\nc"},
                      ReadmeCase{"CarriageReturnLineFeeds", "a\r\nb\r\n", "a\r\r\nb\r\r\n"},
                      ReadmeCase{"Empty", "", ""},
                      ReadmeCase{"CutAtNul", std::string("one\ntwo\0three\n", 14), "one\r\ntwo"},
                      ReadmeCase{"HighBytes", "Zandvo\xf6rt\n", "Zandvo\xf6rt\r\n"},
                      ReadmeCase{"Missing", std::nullopt, "Readme.txt missing..."}),
    [](const auto& info) { return info.param.name; });

TEST_F(LoadPackageTest, HugeReadmeIsShownCut) {
  MakePackage(folder.Path());
  std::string line(63, 'x');
  line += '\n';
  std::string bytes;
  while (bytes.size() <= kReadmeMaxBytes) bytes += line;
  WriteBytes(folder / "readme.txt", bytes);
  ASSERT_TRUE(LoadAgain());
  const std::size_t lines = kReadmeMaxBytes / 64;
  EXPECT_EQ(host.readme.size(), kReadmeMaxBytes + lines);
  EXPECT_EQ(host.readme.substr(0, 65), std::string(63, 'x') + "\r\n");
}

}  // namespace
}  // namespace gridmoor
