#include "engine/SeasonEvents.h"

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "engine/SeasonDisplay.h"
#include "engine/SeasonUpdate.h"

namespace gridmoor {
namespace {

using namespace gridmoor::testing;

struct RemoveCase {
  const char* name;  // also the folder under tests/data/engine
  std::vector<std::string> tracks;
  std::vector<int> removed;  // old event numbers
  std::vector<std::string> dropped;
};

class RemoveTrackEventsTest : public ::testing::TestWithParam<RemoveCase> {};

TEST_P(RemoveTrackEventsTest, LeavesTheGoldenBytes) {
  const RemoveCase& c = GetParam();
  TempFolder game;
  WriteBytes(game / "67season.ini", ReadBytes(DataPath(c.name) / "before.ini"));
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  ProfileDocument document = ProfileDocument::Load(*files, game.Text() + "\\67season.ini");

  const SeasonRemoval removal = RemoveTrackEvents(document, c.tracks);

  std::vector<int> removed;
  for (const RemovedEvent& event : removal.removed) removed.push_back(event.number);
  EXPECT_EQ(removed, c.removed);
  EXPECT_EQ(removal.droppedSections, c.dropped);
  EXPECT_EQ(removal.newCount, removal.oldCount - static_cast<int>(c.removed.size()));
  ASSERT_TRUE(document.Save());
  EXPECT_EQ(ReadBytes(game / "67season.ini"), ReadBytes(DataPath(c.name) / "after.ini"));
}

INSTANTIATE_TEST_SUITE_P(
    Golden, RemoveTrackEventsTest,
    ::testing::Values(RemoveCase{"remove-first", {"kyalami"}, {1}, {}},
                      RemoveCase{"remove-last", {"spa"}, {4}, {}},
                      RemoveCase{"remove-middle-lf", {"monaco"}, {2}, {}},
                      // Named twice, and "MONACO" is another track: letter case counts.
                      RemoveCase{"remove-twice", {"monaco"}, {2, 4}, {}},
                      RemoveCase{"remove-unread-sections", {"monaco"}, {2}, {"Event3"}}),
    [](const auto& info) {
      std::string name = info.param.name;
      name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
      return name;
    });

struct NoMatchCase {
  const char* name;
  std::string season;
};

class RemoveNothingTest : public ::testing::TestWithParam<NoMatchCase> {};

// Events the game does not read are never removed: beyond the count, repeats, sections of
// another spelling ("Event01"), or an event whose folder differs in letter case.
TEST_P(RemoveNothingTest, ChangesNoByte) {
  TempFolder game;
  WriteBytes(game / "67season.ini", GetParam().season);
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  ProfileDocument document = ProfileDocument::Load(*files, game.Text() + "\\67season.ini");
  EXPECT_TRUE(RemoveTrackEvents(document, {"monza"}).Empty());
  EXPECT_FALSE(document.Changed());
}

INSTANTIATE_TEST_SUITE_P(
    Unread, RemoveNothingTest,
    ::testing::Values(
        NoMatchCase{"AboveCount", "[Season]\r\nnumEvents=1\r\n[Event1]\r\ntrackDirectory=spa\r\n"
                                  "[Event2]\r\ntrackDirectory=monza\r\n"},
        NoMatchCase{"Repeat", "[Season]\r\nnumEvents=1\r\n[Event1]\r\ntrackDirectory=spa\r\n"
                              "[Event1]\r\ntrackDirectory=monza\r\n"},
        NoMatchCase{"LeadingZero", "[Season]\r\nnumEvents=1\r\n[Event01]\r\ntrackDirectory=monza\r\n"},
        NoMatchCase{"OtherCase", "[Season]\r\nnumEvents=1\r\n[Event1]\r\ntrackDirectory=Monza\r\n"},
        NoMatchCase{"NegativeCount", "[Season]\r\nnumEvents=-3\r\n[Event1]\r\ntrackDirectory=monza\r\n"},
        NoMatchCase{"NoFile", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A repeat of a name an event moves to must neither shadow it (the repeat stands first) nor
// surface as an event that has no section.
TEST(RemoveTrackEventsRule, RepeatsNeverTakeAnEventsPlace) {
  struct Case {
    const char* season;
    std::optional<std::string> event2;
  };
  const Case cases[] = {
      {"[Season]\r\nnumEvents=3\r\n[Event1]\r\ntrackDirectory=monza\r\n[Event2]\r\n"
       "trackDirectory=zandvoort\r\n[Event2]\r\ntrackDirectory=repeat\r\n[Event3]\r\n"
       "trackDirectory=spa\r\n",
       "spa"},
      {"[Season]\r\nnumEvents=3\r\n[Event1]\r\ntrackDirectory=monza\r\n[Event2]\r\n"
       "trackDirectory=zandvoort\r\n[Event2]\r\ntrackDirectory=repeat\r\n",
       std::nullopt},
  };
  for (const Case& c : cases) {
    TempFolder game;
    WriteBytes(game / "67season.ini", c.season);
    std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
    ProfileDocument document = ProfileDocument::Load(*files, game.Text() + "\\67season.ini");
    const SeasonRemoval removal = RemoveTrackEvents(document, {"monza"});
    EXPECT_EQ(removal.droppedSections, std::vector<std::string>{"Event2"}) << c.season;
    EXPECT_EQ(document.Get("Event1", "trackDirectory"), "zandvoort") << c.season;
    EXPECT_EQ(document.Get("Event2", "trackDirectory"), c.event2) << c.season;
    EXPECT_EQ(document.Get("Season", "numEvents"), "2") << c.season;
  }
}

// remove finds a track as the install does: by the folder's first 99 characters, so the event an
// install of that package refreshed is the one a removal takes out.
TEST(RemoveTrackEventsRule, FindsATrackByTheInstallsRule) {
  const std::string folder(99, 'a');
  TempFolder game;
  WriteBytes(game / "67season.ini",
             "[Season]\r\nnumEvents=1\r\n[Event1]\r\ntrackDirectory=" + folder + "tail\r\n");
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  ProfileDocument document = ProfileDocument::Load(*files, game.Text() + "\\67season.ini");
  EXPECT_EQ(PlaceTrack(document, folder).event, 1);
  EXPECT_EQ(RemoveTrackEvents(document, {folder}).removed.size(), 1u);
}

TEST(ReadSeasonEventsTest, MarksMissingFoldersSharedFoldersAndDisagreements) {
  TempFolder game;
  fs::create_directories(game / "tracks" / "spa");
  fs::create_directories(game / "tracks" / "monza");
  WriteBytes(game / "seasons" / "67season.ini",
             "[Season]\r\nnumEvents=5\r\n"
             "[Event1]\r\nname=Spa\r\ntrackDirectory=spa\r\nnumberOfLaps=28\r\nmonth=6\r\nday=18\r\n"
             "[Event2]\r\ntrackDirectory=gone\r\n"
             "[Event3]\r\ntrackDirectory=SPA\r\n"
             "[Event3]\r\ntrackDirectory=repeat\r\n"
             "[Event4]\r\ntrackDirectory=..\\monza\r\n"
             "[Event7]\r\ntrackDirectory=monza\r\n");
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  const SeasonEvents season = ReadSeasonEvents(
      ProfileDocument::Load(*files, SeasonFilePath(game.Text(), kSeasonFileName)), *files,
      game.Text());

  struct Expected {
    bool hasSection, folderMissing, shared;
  };
  const std::vector<Expected> expected = {
      {true, false, true}, {true, true, false}, {true, false, true}, {true, true, false},
      {false, true, false}};
  ASSERT_EQ(season.events.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("event " + std::to_string(i + 1));
    EXPECT_EQ(season.events[i].number, static_cast<int>(i + 1));
    EXPECT_EQ(season.events[i].hasSection, expected[i].hasSection);
    EXPECT_EQ(season.events[i].trackFolderMissing, expected[i].folderMissing);
    EXPECT_EQ(season.events[i].sharesFolder, expected[i].shared);
  }
  EXPECT_EQ(season.events[0].name, "Spa");
  EXPECT_EQ(season.events[0].values,
            (std::vector<std::pair<std::string, std::string>>{{"name", "Spa"},
                                                               {"trackDirectory", "spa"},
                                                               {"numberOfLaps", "28"},
                                                               {"month", "6"},
                                                               {"day", "18"}}));
  EXPECT_EQ(season.events[0].numberOfLaps, "28");
  EXPECT_EQ(season.events[0].month, "6");
  EXPECT_EQ(season.events[0].day, "18");
  EXPECT_EQ(season.events[1].name, std::nullopt);
  EXPECT_EQ(season.missingSections, std::vector<int>{5});
  EXPECT_EQ(season.sectionsAboveCount, std::vector<int>{7});
  EXPECT_EQ(season.repeatedSections, std::vector<int>{3});
  EXPECT_TRUE(season.Disagrees());
}

TEST(EventNumberOfSectionTest, TakesOnlyTheNamesTheGameBuilds) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"Event7", 7},  {"EVENT64", 64}, {"event1", 1},        {"Event07", 0},
      {"Event", 0},   {"Event7a", 0},  {"Event-1", 0},       {"Season", 0},
      {"Event999999999", 999999999},   {"Event1000000000", 0}};
  for (const auto& [name, number] : cases) EXPECT_EQ(EventNumberOfSection(name), number) << name;
}

// An event in the other season file too: matched by folder, letter case aside; events with
// no folder or no section never match.
TEST(EventsAlsoInTest, MatchesByFolderLetterCaseAside) {
  const auto event = [](std::optional<std::string> folder, bool hasSection = true) {
    SeasonEvent made;
    made.hasSection = hasSection;
    made.trackDirectory = std::move(folder);
    return made;
  };
  struct Case {
    const char* what;
    SeasonEvent shown;
    bool expected;
  };
  SeasonEvents other;
  other.events = {event("spa"), event("MONZA"), event(std::nullopt), event("\xC9tang", true),
                  event("hidden", false)};
  const std::vector<Case> cases = {
      {"same folder", event("spa"), true},
      {"other letter case", event("monza"), true},
      {"8-bit letters folded", event("\xE9tang"), true},
      {"not in the other file", event("zandvoort"), false},
      {"no folder named", event(std::nullopt), false},
      {"empty folder", event(""), false},
      {"only a section-less event there", event("hidden"), false},
      {"no section here", event("spa", false), false},
  };
  SeasonEvents shown;
  for (const Case& c : cases) shown.events.push_back(c.shown);
  const std::vector<bool> also = EventsAlsoIn(shown, other);
  ASSERT_EQ(also.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(also[i], cases[i].expected) << cases[i].what;
  EXPECT_EQ(EventsAlsoIn(shown, SeasonEvents()), std::vector<bool>(cases.size(), false));
}

}  // namespace
}  // namespace gridmoor
