// gridmoor.exe over a zip: named on its command line (as a drop on its icon passes it), or
// carried at the end of a copy of the program (a setup file). The dialog shows the package in
// the zip, installs it, and the staging folder is gone once the program ends.

#include <windows.h>

#include <gtest/gtest.h>

#include "e2e/InstallerFixture.h"
#include "platform/TestZip.h"

namespace gridmoor::e2e {
namespace {

using testing::ZipBytes;
using testing::ZipItem;

// The demo package's files under `top` ("" for the zip's top).
std::vector<ZipItem> PackageItems(const std::string& top) {
  std::vector<ZipItem> items;
  WIN32_FIND_DATAA found;
  const std::string folder = ExamplePath("package");
  const HANDLE search = FindFirstFileA(Join(folder, "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return items;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    items.push_back({(top.empty() ? "" : top + "/") + found.cFileName,
                     ReadFileBytes(Join(folder, found.cFileName)).value_or("")});
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return items;
}

// `zip` placed after `stub`, its offsets counted from the file's start (as a packer writes them).
std::string Appended(const std::string& stub, std::string zip) {
  const auto get32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(zip[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(zip[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(zip[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(zip[at + 3])) << 24;
  };
  const auto get16 = [&](std::size_t at) { return get32(at) & 0xFFFF; };
  const auto set32 = [&](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) zip[at + i] = static_cast<char>(value >> (8 * i));
  };
  const std::size_t end = testing::EndRecord(zip);
  const std::uint32_t shift = static_cast<std::uint32_t>(stub.size());
  std::size_t at = get32(end + 16);
  for (std::uint32_t i = 0; i < get16(end + 10); ++i) {
    set32(at + 42, get32(at + 42) + shift);
    at += 46 + get16(at + 28) + get16(at + 30) + get16(at + 32);
  }
  set32(end + 16, get32(end + 16) + shift);
  return stub + zip;
}

class ZipPackageTest : public InstallerTest {
 protected:
  void SetUp() override {
    InstallerTest::SetUp();
    // The program's %TEMP% is a folder of the scenario's, to see its staging folder go.
    temp = sandbox.Path("temp");
    ASSERT_TRUE(CreateDirectoryA(temp.c_str(), nullptr));
    for (const char* name : {"TMP", "TEMP"}) {
      char old[MAX_PATH + 1] = {};
      const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
      m_old.emplace_back(name, length ? std::optional<std::string>(old) : std::nullopt);
      SetEnvironmentVariableA(name, temp.c_str());
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : m_old)
      SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
  }

  // Installs into the game folder through the dialog, then checks the result and that nothing
  // is left in the program's %TEMP%.
  void InstallAndExpectNothingLeft(InstallerDriver& program) {
    ASSERT_TRUE(program.WaitForDialog()) << "the dialog did not come up";
    EXPECT_NE(Snapshot(temp).size(), 0u) << "the package is not unpacked in the program's %TEMP%";
    EXPECT_EQ(program.Caption(), PackageValue("dialogtitel"));
    EXPECT_EQ(program.Text(control::kReadme),
              WithCrLf(*ReadFileBytes(ExamplePath("package\\readme.txt"))));
    ASSERT_TRUE(program.TypeText(control::kGameFolder, game));
    program.PressKey(VK_RETURN);
    const RunOutcome outcome = program.AnswerUntilExit(AnswerOk());
    EXPECT_TRUE(outcome.exited);
    ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
    // Captioned with the program's file name, which a setup file has its own of.
    EXPECT_EQ(outcome.boxes[0].text, text::kSummaryOk);
    EXPECT_EQ(outcome.boxes[0].icon, BoxIcon::Exclamation);
    ExpectTrackFilesInstalled();
    EXPECT_EQ(Snapshot(temp).size(), 0u) << "the staging folder is left";
  }

  std::string temp;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> m_old;
};

TEST_F(ZipPackageTest, AZipOnTheCommandLineIsInstalledAndItsStagingFolderGoes) {
  const std::string zip = sandbox.Path("my track.zip");
  ASSERT_TRUE(WriteFileBytes(zip, ZipBytes(PackageItems("My Track"))));
  // Started elsewhere, as Windows starts a program a file is dropped on.
  InstallerDriver program(ProgramPath(), game, "\"" + zip + "\"");
  ASSERT_TRUE(program.Started());
  InstallAndExpectNothingLeft(program);
}

TEST_F(ZipPackageTest, ASetupFileInstallsThePackageItCarries) {
  const std::string setup = sandbox.Path("track-setup.exe");
  ASSERT_TRUE(WriteFileBytes(
      setup, Appended(*ReadFileBytes(ProgramPath()), ZipBytes(PackageItems("")))));
  InstallerDriver program(setup, game);
  ASSERT_TRUE(program.Started());
  InstallAndExpectNothingLeft(program);
}

TEST_F(ZipPackageTest, ABadZipGivesOneMessageAndNoDialog) {
  std::string bytes = ZipBytes(PackageItems("Pkg"));
  bytes.resize(bytes.size() / 2);  // cut short, as a broken download
  const std::string cut = sandbox.Path("cut.zip");
  std::vector<ZipItem> slip = PackageItems("Pkg");
  slip.push_back({"Pkg/../../evil.txt", "x"});
  const std::string hostile = sandbox.Path("hostile.zip");
  const std::string sevenZip = sandbox.Path("track.7z");
  ASSERT_TRUE(WriteFileBytes(cut, bytes));
  ASSERT_TRUE(WriteFileBytes(hostile, ZipBytes(slip)));
  ASSERT_TRUE(WriteFileBytes(sevenZip, std::string("7z\xBC\xAF\x27\x1C", 6) + "rest"));
  ASSERT_TRUE(setupEntry.SetDirectory(game));
  const TreeSnapshot before = Snapshot(game);
  const auto expectOneStop = [](InstallerDriver& program, const std::string& path,
                                 const std::string& said) {
    ASSERT_TRUE(program.Started());
    const RunOutcome outcome = program.AnswerUntilExit(AnswerOk());
    EXPECT_TRUE(outcome.exited);
    ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
    EXPECT_EQ(outcome.boxes[0].text.find(path + ": "), 0u) << outcome.boxes[0].text;
    EXPECT_NE(outcome.boxes[0].text.find(said), std::string::npos) << outcome.boxes[0].text;
    EXPECT_EQ(outcome.boxes[0].icon, BoxIcon::Stop);
  };
  for (const auto& [path, said] : {std::pair{cut, "truncated or damaged"},
                                   std::pair{hostile, "\"..\" in its name"},
                                   std::pair{sevenZip, "an archive; unpack it first"}}) {
    SCOPED_TRACE(path);
    InstallerDriver program(ProgramPath(), game, "\"" + path + "\"");
    expectOneStop(program, path, said);
  }
  // A setup file whose package was cut short says so; it is not taken for the plain program.
  const std::string cutSetup = sandbox.Path("cut-setup.exe");
  const std::string program = *ReadFileBytes(ProgramPath());
  ASSERT_TRUE(WriteFileBytes(cutSetup, Appended(program, ZipBytes(PackageItems("Pkg")))
                                           .substr(0, program.size() + bytes.size())));
  InstallerDriver setup(cutSetup, game);
  expectOneStop(setup, cutSetup, "truncated or damaged");
  EXPECT_EQ(Differences(before, Snapshot(game)), "");
  EXPECT_EQ(Snapshot(temp).size(), 0u);
}

}  // namespace
}  // namespace gridmoor::e2e
