// The real program given downloads: a folder of archives of each kind and a package folder,
// checked, planned and installed; a hostile archive beside a good package; Ctrl+C at a question.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "cli/CliFixture.h"
#include "cli/TestArchive.h"
#include "platform/ProfileText.h"

namespace gridmoor::testing {
namespace {

std::string SeasonValue(const std::string& ini, const std::string& key) {
  const auto value = FindProfileValue(ini, "Event" + key.substr(0, key.find('.')),
                                      key.substr(key.find('.') + 1));
  return value ? std::string(*value) : "(missing)";
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Downloads of six tracks: a zip with two packages, a 7z, a tar.gz, a self-extracting zip (a
// program's stub in front), and a package folder, under downloads/ in that path order.
std::string MakeDownloads(CliFixture& fixture) {
  TestFolder& folder = fixture.Folder();
  std::filesystem::create_directories(folder.Native("downloads/more"));
  auto entries = [&](const char* track, const std::string& inside) {
    return PackageEntries(fixture.Package(track), inside);
  };
  std::vector<TestEntry> two = entries("alder", "Alder/");
  const std::vector<TestEntry> birch = entries("birch", "Birch Park/");
  two.insert(two.end(), birch.begin(), birch.end());
  EXPECT_TRUE(WriteTestArchive(folder.Native("downloads/a-two.zip"), two));
  EXPECT_TRUE(WriteTestArchive(folder.Native("downloads/b.7z"), entries("cedar", "Cedar/"),
                               {true}));
  EXPECT_TRUE(WriteTestArchive(folder.Native("downloads/c-fir.tar.gz"), entries("fir", "Fir/"),
                               {false, false, false, "gzip"}));
  EXPECT_TRUE(WriteTestArchive(folder.Native("sfx.zip"), entries("dogwood", "")));
  folder.Write("downloads/more/c-setup.exe",
               "MZ" + std::string(4094, '\x90') + folder.Read("sfx.zip"));
  std::filesystem::rename(fixture.Package("elm"), folder.Native("downloads/more/elm"));
  folder.Write("downloads/notes.txt", "not a package");
  // Skipped, each named: a program that is no archive, a compressed file that is no tar, and
  // an archive beside the folder it was unpacked into (the folder is taken).
  folder.Write("downloads/more/plain.exe", "MZ" + std::string(4094, '\x90'));
  EXPECT_TRUE(WriteTestArchive(folder.Native("downloads/more/elm.zip"),
                               PackageEntries(folder.Native("downloads/more/elm"), "")));
  archive* gz = archive_write_new();
  archive_write_set_format_raw(gz);
  archive_write_add_filter_gzip(gz);
  archive_entry* entry = archive_entry_new();
  archive_entry_set_filetype(entry, AE_IFREG);
  EXPECT_EQ(archive_write_open_filename(gz, folder.Native("downloads/notes.gz").c_str()),
            ARCHIVE_OK);
  EXPECT_EQ(archive_write_header(gz, entry), ARCHIVE_OK);
  archive_write_data(gz, "notes", 5);
  archive_entry_free(entry);
  archive_write_free(gz);
  return folder.Native("downloads").string();
}

class OwnTemp {
 public:
  std::vector<std::pair<std::string, std::string>> Environment() const {
    return {{"TMPDIR", m_folder.Folder()}};
  }
  bool Empty() const { return std::filesystem::is_empty(m_folder.Root()); }
  std::string Folder() const { return m_folder.Folder(); }

 private:
  TestFolder m_folder;
};

TEST(CliArchive, ChecksPlansAndInstallsAFolderOfDownloads) {
  CliFixture fixture;
  OwnTemp temp;
  const std::string downloads = MakeDownloads(fixture);
  const CliOptions options{"", "", temp.Environment()};

  const CliResult check = RunCli({"check", downloads}, options);
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  EXPECT_EQ(Count(check.out, ": 0 errors, 0 warnings"), 6u) << check.out;
  EXPECT_NE(check.out.find("b.7z: Cedar: 0 errors"), std::string::npos) << check.out;
  EXPECT_NE(check.out.find("c-fir.tar.gz: Fir: 0 errors"), std::string::npos) << check.out;
  for (const std::string& skipped : std::vector<std::string>{
           "notes.txt: not a package folder nor an archive",
        "more/plain.exe: a program, not a self-extracting archive that can be read",
        "notes.gz: a compressed file, not a tar archive",
        "more/elm.zip: already unpacked; the package folder " + downloads + "/more/elm is taken "
        "instead"})
    EXPECT_EQ(Count(check.err, "note: skipped " + downloads + "/" + skipped + "\n"), 1u)
        << skipped << "\n" << check.err;
  EXPECT_EQ(Count(check.err, "\n"), 4u) << check.err;
  // Without arguments the current folder is the package: a folder of downloads is not searched.
  EXPECT_EQ(RunCli({"check"}, {downloads, "", temp.Environment()}).status, 3);

  const auto before = Snapshot(fixture.GamePath(""));
  const CliResult plan = RunCli({"install", "--dry-run", downloads, "--game", fixture.Game()},
                                options);
  EXPECT_EQ(plan.status, 0) << plan.out << plan.err;
  EXPECT_EQ(Count(plan.out, "result: would install"), 6u) << plan.out;
  EXPECT_NE(plan.out.find("plan for package " + downloads + "/a-two.zip: Birch Park"),
            std::string::npos) << plan.out;
  EXPECT_TRUE(Snapshot(fixture.GamePath("")) == before);

  const CliResult run = RunCli({"install", downloads, "--game", fixture.Game()}, options);
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const std::string season = fixture.Read("seasons/67season.ini");
  const char* order[] = {"alder", "birch", "cedar", "fir", "dogwood", "elm"};
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(SeasonValue(season, std::to_string(6 + i) + ".trackDirectory"), order[i]);
  EXPECT_TRUE(std::filesystem::exists(fixture.GamePath("tracks/dogwood/dogwood.dat")));
  EXPECT_TRUE(temp.Empty());
}

TEST(CliArchive, AHostileArchiveIsRefusedAndTheOtherPackagesStillInstall) {
  CliFixture fixture;
  OwnTemp temp;
  std::vector<TestEntry> slip = PackageEntries(fixture.Package("alder"), "Alder/");
  slip.push_back({"Alder/../../../../evil.txt", "x"});
  ASSERT_TRUE(WriteTestArchive(fixture.Folder().Native("slip.zip"), slip));
  const std::string archive = fixture.Folder().Native("slip.zip").string();

  const CliResult run = RunCli({"install", archive, fixture.Package("birch"), "--game",
                                fixture.Game()}, {"", "", temp.Environment()});
  EXPECT_EQ(run.status, 3) << run.out << run.err;
  EXPECT_EQ(run.err, "error: " + archive + ": entry \"Alder/../../../../evil.txt\": \"..\" in its "
                     "name\n");
  EXPECT_FALSE(std::filesystem::exists(fixture.GamePath("tracks/alder")));
  EXPECT_TRUE(std::filesystem::exists(fixture.GamePath("tracks/birch")));
  EXPECT_TRUE(temp.Empty());
}

// Ctrl+C while the program waits for an answer on its terminal: the staging folder goes too.
TEST(CliArchive, CtrlCAtAQuestionLeavesNoStagingFolder) {
  CliFixture fixture;
  OwnTemp temp;
  ASSERT_TRUE(WriteTestArchive(fixture.Folder().Native("a.zip"),
                               PackageEntries(fixture.Package("alder"), "Alder/")));
  fixture.Folder().SetReadOnly("game/seasons/67season.ini", true);

  const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(::grantpt(terminal), 0);
  ASSERT_EQ(::unlockpt(terminal), 0);
  const std::string side = ::ptsname(terminal);
  const std::string program = CliProgram(), archive = fixture.Folder().Native("a.zip").string(),
                    game = fixture.Game(), tmp = temp.Folder();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int tty = ::open(side.c_str(), O_RDWR);
    ::dup2(tty, 0);
    ::dup2(tty, 1);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    ::execl(program.c_str(), program.c_str(), "install", archive.c_str(), "--game", game.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  std::string shown;
  char buffer[512];
  while (shown.find("[y/N]") == std::string::npos) {
    const ssize_t got = ::read(terminal, buffer, sizeof buffer);
    if (got <= 0) break;
    shown.append(buffer, static_cast<std::size_t>(got));
  }
  ASSERT_NE(shown.find("[y/N]"), std::string::npos) << shown;
  EXPECT_FALSE(temp.Empty());
  ::kill(pid, SIGINT);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(terminal);
  EXPECT_TRUE(WIFSIGNALED(status));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!temp.Empty() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(temp.Empty());
}

}  // namespace
}  // namespace gridmoor::testing
