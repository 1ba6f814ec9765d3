#include "e2e/InstallerFixture.h"

namespace gridmoor::e2e {

namespace {

// Short, so that a game folder path fits the registry's 99 characters.
std::string ScratchName() {
  static int scenarios = 0;
  return "case" + std::to_string(++scenarios);
}

}  // namespace

InstallerTest::InstallerTest()
    : sandbox(ScratchName()), game(sandbox.Path("game")), package(sandbox.Path("package")) {}

void InstallerTest::SetUp() {
  ASSERT_TRUE(Exists(ProgramPath())) << "the program under test is missing: " << ProgramPath();
  ASSERT_TRUE(CopyTree(ExamplePath("game"), game));
  ASSERT_TRUE(CopyTree(ExamplePath("package"), package));
  ASSERT_TRUE(setupEntry.RemoveKey());
}

InstallerDriver& InstallerTest::StartProgram() {
  m_program = std::make_unique<InstallerDriver>(ProgramPath(), package);
  EXPECT_TRUE(m_program->Started()) << "CreateProcess failed: " << m_program->StartError();
  EXPECT_TRUE(m_program->WaitForDialog()) << "the dialog did not come up";
  return *m_program;
}

std::string InstallerTest::PackageValue(const std::string& key) const {
  const auto ini = ParseIni(ReadFileBytes(ExamplePath("package\\install.ini")).value_or(""));
  return IniValue(ini, "installinfo", key).value_or("<missing " + key + ">");
}

void InstallerTest::DropPackageKey(const std::string& key) {
  const std::string path = Join(package, "install.ini");
  std::string kept;
  for (const std::string& line : Lines(ReadFileBytes(path).value_or(""))) {
    if (line.rfind(key + "=", 0) != 0) kept += line + "\r\n";
  }
  ASSERT_TRUE(WriteFileBytes(path, kept));
}

void InstallerTest::ExpectTrackFilesInstalled() const {
  for (const TrackFileName& file : kTrackFiles) {
    const std::string target =
        *file.target ? file.target : PackageValue("trackDirectory") + ".dat";
    const auto installed = ReadFileBytes(Join(TrackFolder(), target));
    ASSERT_TRUE(installed) << target << " is missing";
    EXPECT_EQ(*installed, ReadFileBytes(Join(package, file.source)).value_or(""))
        << target << " differs from the package's " << file.source;
  }
}

void InstallerTest::ExpectEventIsTrack(const std::string& file, int number) const {
  const auto ini = ParseIni(ReadFileBytes(file).value_or(""));
  const std::string section = "Event" + std::to_string(number);
  for (const char* key : kEventKeys) {
    EXPECT_EQ(IniValue(ini, section, key).value_or("<missing>"), PackageValue(key))
        << file << " [" << section << "] " << key;
  }
}

int InstallerTest::EventCount(const std::string& file) const {
  const auto ini = ParseIni(ReadFileBytes(file).value_or(""));
  const auto count = IniValue(ini, "Season", "numEvents");
  return count ? std::atoi(count->c_str()) : -1;
}

RunOutcome InstallerTest::InstallAndAnswer(const AnswerPolicy& policy) {
  Program().Click(control::kInstall);
  RunOutcome outcome = Program().AnswerUntilExit(policy);
  EXPECT_TRUE(outcome.exited) << "the program did not end after the install run";
  return outcome;
}

void ExpectPlainBox(const MessageBoxRecord& box, const std::string& text) {
  EXPECT_EQ(box.text, text) << Describe(box);
  EXPECT_EQ(box.caption, text::kCaption) << Describe(box);
  EXPECT_EQ(box.icon, BoxIcon::Exclamation) << Describe(box);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK}) << Describe(box);
}

std::vector<std::string> TextsOf(const RunOutcome& outcome) {
  std::vector<std::string> texts;
  for (const auto& box : outcome.boxes) texts.push_back(box.text);
  return texts;
}

std::string WithCrLf(const std::string& text) {
  std::string converted;
  for (char c : text) {
    if (c == '\n') converted += '\r';
    converted += c;
  }
  return converted;
}

}  // namespace gridmoor::e2e
