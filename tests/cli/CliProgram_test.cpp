// The real gridmoor-cli as a child process: statuses, what it prints, what it leaves on disk.

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "cli/CliFixture.h"
#include "platform/TestZip.h"
#include "platform/ProcessList.h"
#include "platform/ProfileText.h"

namespace gridmoor::testing {
namespace {

int Lines(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

std::string SeasonValue(const std::string& ini, const std::string& section, const std::string& key) {
  const auto value = FindProfileValue(ini, section, key);
  return value ? std::string(*value) : "(missing)";
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  const char* said;
};

class CliUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CliUsage, OneClearLineAndStatus2) {
  const CliResult run = RunCli(GetParam().args);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(Lines(run.err), 1) << run.err;
  EXPECT_NE(run.err.find(GetParam().said), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliUsage,
    ::testing::Values(UsageCase{"no_command", {}, "subcommand is required"},
                      UsageCase{"unknown_command", {"instal"}, "unknown command: instal; did you mean \"install\"?"},
                      UsageCase{"unknown_option", {"install", "--bogus"}, "--bogus"},
                      UsageCase{"missing_value", {"install", "--game"}, "--game"},
                      UsageCase{"option_of_other_command", {"check", "--yes"}, "--yes"}
#ifdef _WIN32
                      ,
                      UsageCase{"wine_prefix_on_windows", {"where", "--prefix", "x"},
                                "only the Linux program"}
#endif
                      ),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cli, EveryCommandsHelpListsOnlyTheStatusesItGives) {
  const std::string running = " 9  the game is running (gpl.exe or another program in its folder)";
  const std::string notConfirmed = "11  not confirmed";
  const struct {
    const char* command;
    bool gives9and11;
  } commands[] = {{"install", true}, {"check", false}, {"where", false},
                  {"list", false},   {"remove", true}, {"restore", true}};
  for (const auto& [command, gives9and11] : commands) {
    const CliResult run = RunCli({command, "--help"});
    EXPECT_EQ(run.status, 0) << command;
    EXPECT_NE(run.out.find(command), std::string::npos) << command;
    EXPECT_EQ(run.out.find(running) != std::string::npos, gives9and11) << command << run.out;
    EXPECT_EQ(run.out.find(notConfirmed) != std::string::npos, gives9and11) << command << run.out;
  }
  EXPECT_EQ(RunCli({"check", "--help"}).out.find(" 4  no game folder"), std::string::npos);
}

TEST(Cli, InstallsAPackOfThreeInOrder) {
  CliFixture fixture;
  const std::string season0 = fixture.Read("seasons/67season.ini");
  const CliResult run = RunCli({"install", fixture.Package("alder"), fixture.Package("birch"),
                                fixture.Package("cedar"), "--game", fixture.Game(),
                                "--championship"});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const std::string season = fixture.Read("seasons/67season.ini");
  EXPECT_EQ(SeasonValue(season, "Season", "numEvents"), "8");
  EXPECT_EQ(SeasonValue(season, "Event6", "trackDirectory"), "alder");
  EXPECT_EQ(SeasonValue(season, "Event8", "trackDirectory"), "cedar");
  EXPECT_EQ(SeasonValue(fixture.Read("seasons/gp.ini"), "Event5", "trackDirectory"), "birch");
  for (const char* file : {"tracks/alder/alder.dat", "tracks/cedar/pit.lp",
                           "replay/kestrel_wr.rpy"}) {
    EXPECT_TRUE(std::filesystem::exists(fixture.GamePath(file))) << file;
  }
  EXPECT_NE(run.out.find("installed 3, refreshed 0, refused 0, failed 0"), std::string::npos)
      << run.out;

  // The command is one undo step: one restore takes all three out.
  const CliResult steps = RunCli({"restore", "--list", "--game", fixture.Game()});
  EXPECT_NE(steps.out.find("67season.ini: added Event8 cedar"), std::string::npos) << steps.out;
  EXPECT_NE(steps.out.find("gp.ini: added Event4 alder"), std::string::npos) << steps.out;
  ASSERT_EQ(RunCli({"restore", "--game", fixture.Game()}).status, 0);
  EXPECT_EQ(fixture.Read("seasons/67season.ini"), season0);
  EXPECT_EQ(RunCli({"restore", "--game", fixture.Game()}).status, 10);
}

TEST(Cli, AFailingPackageIsReportedAndTheNextStillRuns) {
  CliFixture fixture;
  fixture.Folder().Write("not-a-folder", "x");
  const CliResult run =
      RunCli({"install", fixture.Package("alder"), fixture.Folder().Path("not-a-folder"),
              (CliFixture::Examples() / "invalid-package").string(), fixture.Package("cedar"),
              "--game", fixture.Game(), "--quiet"});
  EXPECT_EQ(run.status, 3) << run.out << run.err;
  // Quiet: the failures on standard error, and the totals alone (a console's line end aside).
  EXPECT_EQ(run.out.substr(0, run.out.find_first_of("\r\n")),
            "installed 2, refreshed 0, refused 2, failed 0");
  EXPECT_EQ(Lines(run.out), 1) << run.out;
  EXPECT_NE(run.err.find("a file, not a package folder"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Install.ini missing or not valid!"), std::string::npos) << run.err;
  const std::string season = fixture.Read("seasons/67season.ini");
  EXPECT_EQ(SeasonValue(season, "Season", "numEvents"), "7");
  EXPECT_EQ(SeasonValue(season, "Event7", "trackDirectory"), "cedar");
}

TEST(Cli, DryRunPrintsThePlanAndChangesNothing) {
  CliFixture fixture;
  const std::string package = fixture.Package("alder");
  // One track already there: its files are overwritten and its event refreshed.
  ASSERT_EQ(RunCli({"install", package, "--game", fixture.Game()}).status, 0);
  const std::string fresh = fixture.Package("birch");
  const auto before = Snapshot(fixture.Folder().Root());

  const CliResult run = RunCli({"install", "--dry-run", "--championship", package, fresh,
                                "--game", fixture.Game()});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(Snapshot(fixture.Folder().Root()) == before) << "the dry run changed a file";
  for (const char* planned :
       {"copy dat -> tracks\\alder\\alder.dat (overwrite)",
        "copy dat -> tracks\\birch\\birch.dat (new)", "create folder: tracks\\birch",
        "copy rpy -> replay\\kestrel_wr.rpy (overwrite)",
        "67season.ini: Event6 refreshed, count 6 (unchanged", "gp.ini: Event4 appended, count 4",
        "67season.ini: Event7 appended, count 7", "gp.ini: Event5 appended, count 5",
        "trackDirectory=birch", "startingGrid=3-2-3"}) {
    EXPECT_NE(run.out.find(NativeSeparators(planned)), std::string::npos) << planned << "\n"
                                                                          << run.out;
  }
}

TEST(Cli, DryRunTellsWhatTheRealRunWouldRefuse) {
  CliFixture fixture;
  std::filesystem::permissions(fixture.GamePath("seasons/67season.ini"),
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  const CliResult run = RunCli({"install", "--dry-run", fixture.Package("alder"),
                                (CliFixture::Examples() / "invalid-package").string(), "--game",
                                fixture.Game()});
  EXPECT_EQ(run.status, 3) << run.out << run.err;
  for (const char* said : {"would ask: 67season.ini is write protected!",
                           "clear read-only mark: seasons\\67season.ini",
                           "would refuse: invalid package", "startingGrid: missing"}) {
    EXPECT_NE(run.out.find(NativeSeparators(said)), std::string::npos) << said << "\n" << run.out;
  }
}

struct StatusCase {
  const char* name;
  int status;
  // Prepares the game folder; answers extra arguments for install.
  std::vector<std::string> (*prepare)(CliFixture&);
  // Printed by --dry-run, run first on the same folder, which answers the same status and
  // changes nothing (null: no dry run); then printed by the install itself.
  const char* planned = nullptr;
  const char* said = nullptr;
  const char* unsaid = nullptr;  // printed by neither
};

std::string Events(int count) {
  std::string ini = "[Season]\r\nnumEvents=" + std::to_string(count) + "\r\n";
  for (int i = 1; i <= count; ++i)
    ini += "[Event" + std::to_string(i) + "]\r\ntrackDirectory=t" + std::to_string(i) + "\r\n";
  return ini;
}

// Gives the package in `folder` (under the fixture's root) `version=`.
void SetVersion(CliFixture& fixture, const std::string& folder, const std::string& version) {
  std::string ini = fixture.Folder().Read(folder + "/install.ini");
  const std::size_t at = ini.find("version=");
  if (at != std::string::npos) ini.erase(at, ini.find('\n', at) + 1 - at);
  fixture.Folder().Write(folder + "/install.ini", ini + "version=" + version + "\r\n");
}

// Installs pkg-alder at version `installed`, then makes it `offered`; the undo step of that
// first install is dropped, so the row's own run starts with none.
void InstallVersionThenOffer(CliFixture& fixture, const char* installed, const char* offered) {
  SetVersion(fixture, "pkg-alder", installed);
  const CliResult first = RunCli({"install", "--yes", fixture.Folder().Native("pkg-alder").string(), "--game",
                                  fixture.Game()});
  ASSERT_EQ(first.status, 0) << first.out << first.err;
  std::filesystem::remove_all(fixture.GamePath("seasons/gridmoor-undo"));
  SetVersion(fixture, "pkg-alder", offered);
}

class CliInstallStatus : public ::testing::TestWithParam<StatusCase> {};

// A run that fails, whatever the step, leaves the season files as they were, and says so
// without the dialog's wording.
TEST_P(CliInstallStatus, IsTheOutcomesStatus) {
  CliFixture fixture;
  std::vector<std::string> args = {"install", fixture.Package("alder"), "--game", fixture.Game()};
  const std::vector<std::string> extra = GetParam().prepare(fixture);
  args.insert(args.end(), extra.begin(), extra.end());
  const bool hasSeason = std::filesystem::exists(fixture.GamePath("seasons/67season.ini"));
  const std::string before = hasSeason ? fixture.Read("seasons/67season.ini") : "";
  if (GetParam().planned) {
    const auto files = Snapshot(fixture.Folder().Root());
    std::vector<std::string> dryRun = args;
    dryRun.push_back("--dry-run");
    CliResult plan = RunCli(dryRun);
    // The Windows console's text mode ends lines in CR LF.
    plan.out.erase(std::remove(plan.out.begin(), plan.out.end(), '\r'), plan.out.end());
    EXPECT_EQ(plan.status, GetParam().status) << plan.out << plan.err;
    EXPECT_NE(plan.out.find(GetParam().planned), std::string::npos) << plan.out;
    EXPECT_TRUE(Snapshot(fixture.Folder().Root()) == files) << "the dry run changed a file";
  }
  CliResult run = RunCli(args);
  run.out.erase(std::remove(run.out.begin(), run.out.end(), '\r'), run.out.end());
  run.err.erase(std::remove(run.err.begin(), run.err.end(), '\r'), run.err.end());
  EXPECT_EQ(run.status, GetParam().status) << run.out << run.err;
  if (GetParam().said) {
    EXPECT_NE((run.out + run.err).find(GetParam().said), std::string::npos) << run.out << run.err;
  }
  EXPECT_EQ(run.err.find("Click OK"), std::string::npos) << run.err;
  if (GetParam().unsaid) {
    EXPECT_EQ((run.out + run.err).find(GetParam().unsaid), std::string::npos) << run.out << run.err;
  }
  if (run.status != 0 && hasSeason) {
    EXPECT_EQ(fixture.Read("seasons/67season.ini"), before) << run.out << run.err;
    // A copy that failed partway leaves a step holding what it did copy, for restore.
    EXPECT_EQ(!std::filesystem::exists(fixture.GamePath("seasons/gridmoor-undo")) ||
                  std::filesystem::is_empty(fixture.GamePath("seasons/gridmoor-undo")),
              run.status != 7);  // the copy failed
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliInstallStatus,
    ::testing::Values(
        StatusCase{"installed", 0, [](CliFixture&) { return std::vector<std::string>{}; }},
        StatusCase{"no_game_folder", 4,
                   [](CliFixture& f) {
                     std::filesystem::remove_all(f.GamePath(""));
                     return std::vector<std::string>{};
                   }},
        StatusCase{"game_folder_without_gpl_exe", 4,
                   [](CliFixture& f) {
                     std::filesystem::remove(f.GamePath("gpl.exe"));
                     return std::vector<std::string>{};
                   }},
        StatusCase{"replay_named_but_missing", 3,
                   [](CliFixture& f) {
                     std::filesystem::remove(f.Folder().Native("pkg-alder/rpy"));
                     return std::vector<std::string>{};
                   }},
        StatusCase{"read_only_not_confirmed", 11,
                   [](CliFixture& f) {
                     f.Folder().SetReadOnly("game/seasons/67season.ini", true);
                     return std::vector<std::string>{};
                   }},
        StatusCase{"season_full", 6,
                   [](CliFixture& f) {
                     f.Folder().Write("game/seasons/67season.ini", Events(64));
                     return std::vector<std::string>{};
                   },
                   "would fail: 67season.ini already holds 64 events",
                   "error: 67season.ini already holds 64 events", "installing "},
        // The track's own event is refreshed: no event is added, so a full season takes it.
        StatusCase{"season_full_refreshes_the_track", 0,
                   [](CliFixture& f) {
                     std::string season = Events(64);
                     const std::string event = "trackDirectory=t30\r\n";
                     season.replace(season.find(event), event.size(), "trackDirectory=alder\r\n");
                     f.Folder().Write("game/seasons/67season.ini", season);
                     return std::vector<std::string>{};
                   },
                   "67season.ini: Event30 refreshed, count 64",
                   "installed 0, refreshed 1, refused 0, failed 0"},
        // The same track recorded at 1.10: 1.9 is older, asked for; --yes answers.
        StatusCase{"older_version_not_confirmed", 11,
                   [](CliFixture& f) {
                     InstallVersionThenOffer(f, "1.10", "1.9");
                     return std::vector<std::string>{};
                   },
                   nullptr, "version 1.10 stays", "installing "},
        StatusCase{"older_version_with_yes", 0,
                   [](CliFixture& f) {
                     InstallVersionThenOffer(f, "1.10", "1.9");
                     return std::vector<std::string>{"--yes"};
                   },
                   "is the older version 1.9. Install the older version over it? (--yes answers yes)",
                   "installing "},
        StatusCase{"newer_version_unasked", 0,
                   [](CliFixture& f) {
                     InstallVersionThenOffer(f, "1.9", "1.10");
                     return std::vector<std::string>{};
                   },
                   "result: would install", "installing ", "older version"},
        // A folder of downloads holding 1.2 and 1.10 of one track installs 1.10 alone.
        StatusCase{"folder_of_two_versions", 0,
                   [](CliFixture& f) {
                     for (const char* version : {"1.10", "1.2"}) {
                       const std::string copy = std::string("downloads/birch-") + version;
                       std::filesystem::create_directories(f.Folder().Native("downloads"));
                       std::filesystem::copy(f.Package("birch"), f.Folder().Native(copy));
                       std::filesystem::remove_all(f.Folder().Native("pkg-birch"));
                       SetVersion(f, copy, version);
                     }
                     return std::vector<std::string>{f.Folder().Native("downloads").string()};
                   },
                   "birch-1.10\n", "version 1.2; the newer version 1.10 (", "birch-1.2\n"},
        StatusCase{"copy_failed", 7,
                   [](CliFixture& f) {
                     std::filesystem::remove_all(f.GamePath("replay"));
                     return std::vector<std::string>{};
                   }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cli, ReadOnlySeasonFileIsClearedWithYes) {
  CliFixture fixture;
  fixture.Folder().SetReadOnly("game/seasons/67season.ini", true);
  const CliResult run =
      RunCli({"install", fixture.Package("alder"), "--game", fixture.Game(), "--yes"});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("Do you wish to remove the readonly flag? [y/N] yes (--yes)"),
            std::string::npos)
      << run.out;
}

// The program running from `folder`, waited for up to 20 s.
std::optional<std::string> WaitForProgramIn(const std::string& folder) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  std::optional<std::string> found = ProgramRunningIn(folder);
  while (!found && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    found = ProgramRunningIn(folder);
  }
  return found;
}

// The game is known by its folder: a gpl.exe elsewhere is not it, a mod's copy of the game's
// program under another name in the game folder is.
TEST(Cli, RefusesWhileTheGameRuns) {
  CliFixture fixture;
  std::filesystem::copy_file(GRIDMOOR_IDLE_PROGRAM, fixture.Folder().Native("gpl.exe"));
  BackgroundProcess elsewhere(fixture.Folder().Native("gpl.exe").string(), {"60"});
  ASSERT_EQ(WaitForProgramIn(fixture.Folder().Folder()), "gpl.exe");
  EXPECT_EQ(ProgramRunningIn(fixture.Game()), std::nullopt);

  const std::string copy = fixture.GamePath("gplc67.exe").string();
  std::filesystem::copy_file(GRIDMOOR_IDLE_PROGRAM, copy);
  BackgroundProcess running(copy, {"60"});
  ASSERT_EQ(WaitForProgramIn(fixture.Game()), "gplc67.exe");

  const std::string before = fixture.Read("seasons/67season.ini");
  const std::string package = fixture.Package("alder");
  const CliResult refused = RunCli({"install", package, "--game", fixture.Game()});
  EXPECT_EQ(refused.status, 9) << refused.out << refused.err;
  EXPECT_EQ(Lines(refused.err), 1) << refused.err;
  EXPECT_NE(refused.err.find("gplc67.exe (in the game folder) is running"), std::string::npos)
      << refused.err;
  EXPECT_EQ(fixture.Read("seasons/67season.ini"), before);
  // A dry run says so, and ends as the real run would.
  for (const std::vector<std::string>& dryRun :
       {std::vector<std::string>{"install", "--dry-run", package},
        std::vector<std::string>{"remove", "--dry-run", "calder"}}) {
    std::vector<std::string> args = dryRun;
    args.insert(args.end(), {"--game", fixture.Game()});
    const CliResult told = RunCli(args);
    EXPECT_EQ(told.status, 9) << told.out << told.err;
    EXPECT_NE(told.out.find("status 9"), std::string::npos) << told.out;
  }
  EXPECT_EQ(RunCli({"install", fixture.Package("birch"), "--game", fixture.Game(), "--force"})
                .status,
            0);
}

#ifdef _WIN32
// The Windows program unpacks zips as the Linux one does, into a folder under %TEMP% that it
// removes; other archives it leaves to the player's own tools.
TEST(Cli, TheWindowsProgramInstallsFromAZipAndAsksForOtherArchivesToBeUnpackedFirst) {
  CliFixture fixture;
  TestFolder temp;  // the child's %TEMP%: it inherits this process's environment
  const auto setTemp = [](const char* value) {
    for (const char* name : {"TMP", "TEMP"}) SetEnvironmentVariableA(name, value);
  };
  char oldTemp[MAX_PATH + 1] = {};
  const DWORD kept = GetEnvironmentVariableA("TEMP", oldTemp, sizeof oldTemp);
  setTemp(temp.Folder().c_str());

  fixture.Folder().Write("track.7z", std::string("7z\xBC\xAF\x27\x1C", 6) + "the rest");
  const std::string sevenZip = fixture.Folder().Path("track.7z");
  const CliResult refused = RunCli({"install", sevenZip, "--game", fixture.Game()});
  EXPECT_EQ(refused.status, 3) << refused.out << refused.err;
  EXPECT_EQ(refused.err.find("error: " + sevenZip + ": an archive; unpack it first"), 0u)
      << refused.err;

  fixture.Folder().Write("cut.zip", std::string("PK\x03\x04", 4) + "the rest");
  const std::string cut = fixture.Folder().Path("cut.zip");
  const CliResult damaged = RunCli({"install", cut, "--game", fixture.Game()});
  EXPECT_EQ(damaged.status, 3) << damaged.out << damaged.err;
  EXPECT_EQ(damaged.err.find("error: " + cut + ": truncated or damaged"), 0u) << damaged.err;

  std::vector<ZipItem> items;
  const std::filesystem::path package = fixture.Package("alder");
  for (const auto& file : std::filesystem::recursive_directory_iterator(package)) {
    if (!file.is_regular_file()) continue;
    std::ifstream in(file.path(), std::ios::binary);
    items.push_back({"Alder/" + std::filesystem::relative(file.path(), package).generic_string(),
                     std::string(std::istreambuf_iterator<char>(in), {})});
  }
  fixture.Folder().Write("alder.zip", ZipBytes(items));
  const CliResult run =
      RunCli({"install", fixture.Folder().Path("alder.zip"), "--game", fixture.Game()});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(std::filesystem::exists(fixture.GamePath("tracks/alder")));
  // (The runner's own files for the child's output are there too.)
  for (const auto& left : std::filesystem::directory_iterator(temp.Root()))
    EXPECT_NE(left.path().filename().string().rfind("gridmoor-unpack-", 0), 0u)
        << "the staging folder is left: " << left.path().string();
  setTemp(kept > 0 && kept < sizeof oldTemp ? oldTemp : nullptr);
}
#endif

#ifndef _WIN32
// A season file of another user is found before anything is copied, named with the reason.
TEST(Cli, AnotherUsersSeasonFileIsRefusedBeforeTheCopy) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  CliFixture fixture;
  const std::string package = fixture.Package("alder");
  // Everything the install touches is the other user's, but the season file.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(fixture.Folder().Root()))
    ASSERT_EQ(::lchown(entry.path().c_str(), 65534, 65534), 0) << entry.path();
  ASSERT_EQ(::chown(fixture.Folder().Root().c_str(), 65534, 65534), 0);
  ASSERT_EQ(::chown(fixture.GamePath("seasons/67season.ini").c_str(), 0, 0), 0);
  const std::string before = fixture.Read("seasons/67season.ini");

  const CliResult run =
      RunProgram("/usr/bin/setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                      CliProgram(), "install", package, "--game", fixture.Game()});
  EXPECT_EQ(run.status, 5) << run.out << run.err;
  EXPECT_EQ(Lines(run.err), 1) << run.err;
  EXPECT_NE(run.err.find("67season.ini: it belongs to root"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(fixture.GamePath("tracks/alder")));
  EXPECT_EQ(fixture.Read("seasons/67season.ini"), before);
}
#endif

TEST(Cli, ANewPackagePassesTheStrictCheckAndNewRefusesWhatCheckWould) {
  TestFolder folder;
  const std::string made = folder.Native("mytrack").string();
  const CliResult run = RunCli({"new", made, "--name", "Caf\xC3\xA9 Ring", "--dir", "cafe"});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const CliResult checked = RunCli({"check", "--strict", made});
  EXPECT_EQ(checked.status, 0) << checked.out;
  EXPECT_NE(checked.out.find("0 errors, 0 warnings"), std::string::npos) << checked.out;
  // The name is the game's 8-bit text, the file CR LF.
  EXPECT_NE(folder.Read("mytrack/install.ini").find("\r\nname=Caf\xE9 Ring\r\n"),
            std::string::npos);

  for (const std::vector<std::string>& refused :
       {std::vector<std::string>{"new", made, "--name", "Again", "--dir", "again"},
        std::vector<std::string>{"new", folder.Native("b").string(), "--name", "B", "--dir", "two words"},
        std::vector<std::string>{"new", folder.Native("c").string(), "--name", "C", "--dir", "..\\up"},
        std::vector<std::string>{"new", folder.Native("d").string(), "--name", "default", "--dir", "d"}}) {
    const CliResult no = RunCli(refused);
    EXPECT_EQ(no.status, 2) << refused[4] << no.err;
    EXPECT_EQ(Lines(no.err), 1) << no.err;
  }
  EXPECT_FALSE(std::filesystem::exists(folder.Native("b")));
  EXPECT_NE(folder.Read("mytrack/install.ini").find("name=Caf"), std::string::npos);

  // Strict: a warning alone fails.
  folder.Write("mytrack/grass.mip", "texture");
  EXPECT_EQ(RunCli({"check", made}).status, 0);
  const CliResult strict = RunCli({"check", "--strict", "--json", made});
  EXPECT_EQ(strict.status, 3) << strict.out;
  EXPECT_NE(strict.out.find("\"code\": \"file-not-installed\""), std::string::npos) << strict.out;
  EXPECT_NE(strict.out.find("\"file\": \"grass.mip\""), std::string::npos) << strict.out;
}

TEST(Cli, CheckTellsErrorsFromWarnings) {
  const CliResult good = RunCli({"check", (CliFixture::Examples() / "package").string()});
  EXPECT_EQ(good.status, 0) << good.out;
  EXPECT_NE(good.out.find("0 errors, 0 warnings"), std::string::npos) << good.out;
  const CliResult bad =
      RunCli({"check", "--json", (CliFixture::Examples() / "invalid-package").string()});
  EXPECT_EQ(bad.status, 3) << bad.out;
  EXPECT_NE(bad.out.find("\"subject\": \"install.ini: startingGrid\""), std::string::npos)
      << bad.out;
  EXPECT_NE(bad.out.find("\"level\": \"warning\""), std::string::npos) << bad.out;
}

}  // namespace
}  // namespace gridmoor::testing
