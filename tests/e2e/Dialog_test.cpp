// The dialog's life around the install run: the ways it ends, keys, Browse, the registry's
// game folder, an invalid package, the homepage link and the screenshot.

#include <algorithm>

#include "e2e/InstallerFixture.h"

namespace gridmoor::e2e {
namespace {

// --- Cancel, Escape and the close button leave the game untouched ------------------------

enum class Ending { CancelButton, EscapeKey, CloseButton };

const char* NameOf(Ending ending) {
  switch (ending) {
    case Ending::CancelButton: return "CancelButton";
    case Ending::EscapeKey: return "EscapeKey";
    case Ending::CloseButton: return "CloseButton";
  }
  return "?";
}
void PrintTo(Ending ending, std::ostream* os) { *os << NameOf(ending); }

class EndingWithoutInstall : public InstallerTest,
                             public ::testing::WithParamInterface<Ending> {};

TEST_P(EndingWithoutInstall, EndsTheProgramAndLeavesTheGameAlone) {
  const TreeSnapshot before = Snapshot(game);
  InstallerDriver& program = StartProgram();
  program.SetText(control::kGameFolder, game);  // an install would have somewhere to go
  switch (GetParam()) {
    case Ending::CancelButton: program.Click(control::kCancel); break;
    case Ending::EscapeKey: program.PressKey(VK_ESCAPE); break;
    case Ending::CloseButton: program.CloseFromTitleBar(); break;
  }
  const RunOutcome outcome = program.AnswerUntilExit(AnswerOk());
  EXPECT_TRUE(outcome.exited);
  EXPECT_TRUE(outcome.boxes.empty()) << ::testing::PrintToString(TextsOf(outcome));
  EXPECT_EQ(Differences(before, Snapshot(game)), "");
}

INSTANTIATE_TEST_SUITE_P(Scenarios, EndingWithoutInstall,
                         ::testing::Values(Ending::CancelButton, Ending::EscapeKey,
                                           Ending::CloseButton),
                         [](const auto& info) { return std::string(NameOf(info.param)); });

// --- Keys --------------------------------------------------------------------------------

TEST_F(InstallerTest, EnterInTheGameFolderBoxInstalls) {
  InstallerDriver& program = StartProgram();
  ASSERT_TRUE(program.TypeText(control::kGameFolder, game));
  ASSERT_EQ(program.FocusedControl(), control::kGameFolder);
  program.PressKey(VK_RETURN);
  const RunOutcome outcome = program.AnswerUntilExit(AnswerOk());

  EXPECT_TRUE(outcome.exited);
  ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
  ExpectPlainBox(outcome.boxes[0], text::kSummaryOk);
  ExpectTrackFilesInstalled();
  ExpectEventIsTrack(SeasonFile(), 6);
}

// --- Browse --------------------------------------------------------------------------------

TEST_F(InstallerTest, BrowseTakesTheFolderOfTheChosenGplExe) {
  InstallerDriver& program = StartProgram();
  program.SetText(control::kGameFolder, "C:\\typed before");
  program.Click(control::kBrowse);
  HWND fileDialog = program.WaitForWindow(kBrowseTitle);
  ASSERT_TRUE(fileDialog) << "no open-file dialog titled " << kBrowseTitle;
  ASSERT_TRUE(ChooseFileInDialog(fileDialog, Join(game, "gpl.exe")));
  ASSERT_TRUE(WaitUntil([&] { return program.Text(control::kGameFolder) == game; }))
      << "the box shows " << program.Text(control::kGameFolder);

  // The file dialog may have moved the current directory; the package is still found.
  const RunOutcome outcome = InstallAndAnswer();
  ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
  ExpectPlainBox(outcome.boxes[0], text::kSummaryOk);
  ExpectTrackFilesInstalled();
  EXPECT_EQ(ReadFileBytes(ReplayTarget()), ReadFileBytes(Join(package, "rpy")));
}

TEST_F(InstallerTest, CancelledBrowseKeepsTheTypedFolder) {
  InstallerDriver& program = StartProgram();
  program.SetText(control::kGameFolder, "C:\\typed before");
  program.Click(control::kBrowse);
  HWND fileDialog = program.WaitForWindow(kBrowseTitle);
  ASSERT_TRUE(fileDialog) << "no open-file dialog titled " << kBrowseTitle;
  CancelFileDialog(fileDialog);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(fileDialog); }));
  EXPECT_EQ(program.Text(control::kGameFolder), "C:\\typed before");

  program.Click(control::kCancel);
  const RunOutcome outcome = program.AnswerUntilExit(AnswerOk());
  EXPECT_TRUE(outcome.exited);
  EXPECT_TRUE(outcome.boxes.empty()) << ::testing::PrintToString(TextsOf(outcome));
}

// --- The game folder from the registry ---------------------------------------------------

enum class SetupEntry { Folder, FolderWithBackslash, KeyWithoutValue, NoKey, TooLong };

const char* NameOf(SetupEntry entry) {
  switch (entry) {
    case SetupEntry::Folder: return "Folder";
    case SetupEntry::FolderWithBackslash: return "FolderWithBackslash";
    case SetupEntry::KeyWithoutValue: return "KeyWithoutValue";
    case SetupEntry::NoKey: return "NoKey";
    case SetupEntry::TooLong: return "TooLong";
  }
  return "?";
}
void PrintTo(SetupEntry entry, std::ostream* os) { *os << NameOf(entry); }

class RegistryGameFolder : public InstallerTest,
                           public ::testing::WithParamInterface<SetupEntry> {};

TEST_P(RegistryGameFolder, FillsTheBoxAsTheEntrySaysAndInstallsFromIt) {
  std::string expected;
  switch (GetParam()) {
    case SetupEntry::Folder: expected = game; break;
    case SetupEntry::FolderWithBackslash: expected = game + "\\"; break;
    case SetupEntry::KeyWithoutValue: ASSERT_TRUE(setupEntry.KeepKeyWithoutValue()); break;
    case SetupEntry::NoKey: break;  // the fixture removed it
    case SetupEntry::TooLong:
      // 100 characters and their NUL do not fit the 100-byte buffer the folder is read into.
      ASSERT_TRUE(setupEntry.SetDirectory("C:\\" + std::string(97, 'x')));
      break;
  }
  if (!expected.empty()) {
    ASSERT_TRUE(setupEntry.SetDirectory(expected));
  }

  InstallerDriver& program = StartProgram();
  EXPECT_EQ(program.Text(control::kGameFolder), expected);
  if (expected.empty()) {
    program.Click(control::kCancel);
    EXPECT_TRUE(program.WaitForExit());
    return;
  }
  const RunOutcome outcome = InstallAndAnswer();
  ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
  ExpectPlainBox(outcome.boxes[0], text::kSummaryOk);
  ExpectTrackFilesInstalled();
  ExpectEventIsTrack(SeasonFile(), 6);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, RegistryGameFolder,
                         ::testing::Values(SetupEntry::Folder, SetupEntry::FolderWithBackslash,
                                           SetupEntry::KeyWithoutValue, SetupEntry::NoKey,
                                           SetupEntry::TooLong),
                         [](const auto& info) { return std::string(NameOf(info.param)); });

// --- The readme as the box shows it ------------------------------------------------------

struct ReadmeCase {
  const char* name;
  std::optional<std::string> file;  // none: the package has no readme.txt
  std::string shown;
};
void PrintTo(const ReadmeCase& c, std::ostream* os) { *os << c.name; }

class ReadmeBox : public InstallerTest, public ::testing::WithParamInterface<ReadmeCase> {};

TEST_P(ReadmeBox, ShowsTheFileWithEveryLineFeedMadeCrLf) {
  const std::string readme = Join(package, "readme.txt");
  if (GetParam().file) {
    ASSERT_TRUE(WriteFileBytes(readme, *GetParam().file));
  } else {
    ASSERT_TRUE(DeleteFileA(readme.c_str()));
  }
  InstallerDriver& program = StartProgram();
  EXPECT_EQ(program.Text(control::kReadme), GetParam().shown);
  program.Click(control::kCancel);
  EXPECT_TRUE(program.WaitForExit());
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, ReadmeBox,
    ::testing::Values(ReadmeCase{"LineFeeds", std::string("a\nb\n"), "a\r\nb\r\n"},
                      ReadmeCase{"CrLfBecomesCrCrLf", std::string("a\r\nb"), "a\r\r\nb"},
                      ReadmeCase{"CutAtNul", std::string("a\nb\0c\nd", 7), "a\r\nb"},
                      ReadmeCase{"Empty", std::string(), ""},
                      ReadmeCase{"Missing", std::nullopt, "Readme.txt missing..."}),
    [](const auto& info) { return std::string(info.param.name); });

// --- An invalid package ------------------------------------------------------------------

TEST_F(InstallerTest, InvalidPackageShowsOneMessageAndEnds) {
  RemoveTree(package);
  ASSERT_TRUE(CopyTree(ExamplePath("invalid-package"), package));
  ASSERT_TRUE(setupEntry.SetDirectory(game));  // a folder to install into, were it to go on
  const TreeSnapshot before = Snapshot(game);

  InstallerDriver program(ProgramPath(), package);
  ASSERT_TRUE(program.Started());
  const RunOutcome outcome = program.AnswerUntilExit(AnswerOk());

  EXPECT_TRUE(outcome.exited);
  ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
  ExpectPlainBox(outcome.boxes[0], text::kInvalidPackage);
  EXPECT_EQ(Differences(before, Snapshot(game)), "");
}

// --- The homepage link when nothing can open it ------------------------------------------

TEST_F(InstallerTest, LinkThatCannotBeOpenedIsReportedAndTheDialogStays) {
  ScopedNoWebHandlers noHandlers;
  ASSERT_FALSE(ScopedNoWebHandlers::AnyHandlerLeft());
  InstallerDriver& program = StartProgram();
  program.ClickLabel(control::kHomepage);

  std::optional<MessageBoxRecord> box = program.WaitForMessageBox();
  ASSERT_TRUE(box) << "no message about the link";
  ExpectPlainBox(*box,
                 "Can't open link:\n\nThere is no application associated\nwith the given "
                 "filename extension.");
  ASSERT_TRUE(program.Answer(*box, IDOK));

  EXPECT_FALSE(program.Process().HasExited());
  EXPECT_TRUE(IsWindowVisible(program.Dialog()));
  program.Click(control::kCancel);
  const RunOutcome outcome = program.AnswerUntilExit(AnswerOk());
  EXPECT_TRUE(outcome.exited);
  EXPECT_TRUE(outcome.boxes.empty()) << ::testing::PrintToString(TextsOf(outcome));
}

// How many pixels of the homepage label are exactly `colour` (0xRRGGBB): the solid middle
// of the glyphs, whatever the edges' smoothing.
int LabelPixelsOf(const InstallerDriver& program, std::uint32_t colour) {
  RECT label;
  if (!GetWindowRect(program.Control(control::kHomepage), &label)) return 0;
  const Image shot = CaptureScreen(label);
  return static_cast<int>(std::count(shot.pixels.begin(), shot.pixels.end(), colour));
}

TEST_F(InstallerTest, PressedLinkTurnsTealAndTheSpaceBarTriesItAgain) {
  constexpr std::uint32_t kBlue = 0x0000FF;
  constexpr std::uint32_t kTeal = 0x008080;
  constexpr const char* kNoHandler =
      "Can't open link:\n\nThere is no application associated\nwith the given filename "
      "extension.";
  ScopedNoWebHandlers noHandlers;
  ASSERT_FALSE(ScopedNoWebHandlers::AnyHandlerLeft());
  InstallerDriver& program = StartProgram();
  EXPECT_TRUE(WaitUntil([&] { return LabelPixelsOf(program, kBlue) > 0; }));
  EXPECT_EQ(LabelPixelsOf(program, kTeal), 0);

  program.ClickLabel(control::kHomepage);
  std::optional<MessageBoxRecord> box = program.WaitForMessageBox();
  ASSERT_TRUE(box) << "no message about the link";
  ExpectPlainBox(*box, kNoHandler);
  ASSERT_TRUE(program.Answer(*box, IDOK));

  // The press took the focus: the label is armed and shows teal until it loses the focus.
  EXPECT_TRUE(WaitUntil([&] { return program.FocusedControl() == control::kHomepage; }));
  EXPECT_TRUE(WaitUntil(
      [&] { return LabelPixelsOf(program, kTeal) > 0 && LabelPixelsOf(program, kBlue) == 0; }));

  program.PressKey(VK_SPACE);
  box = program.WaitForMessageBox();
  ASSERT_TRUE(box) << "the space bar did not try the link";
  ExpectPlainBox(*box, kNoHandler);
  ASSERT_TRUE(program.Answer(*box, IDOK));

  program.Click(control::kCancel);
  const RunOutcome outcome = program.AnswerUntilExit(AnswerOk());
  EXPECT_TRUE(outcome.exited);
  EXPECT_TRUE(outcome.boxes.empty()) << ::testing::PrintToString(TextsOf(outcome));
}

// --- The screenshot -----------------------------------------------------------------------

// Pixels of `shot` inside the 1-pixel ring that differ from `picture` by more than a
// rounding step.
int PictureMismatches(const Image& shot, const Image& picture) {
  int mismatches = 0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      if (ColourDistance(shot.At(x + 1, y + 1), picture.At(x, y)) > 2) ++mismatches;
    }
  }
  return mismatches;
}

TEST_F(InstallerTest, ScreenshotFills300By178At12And7) {
  const Image picture = LoadBmp24(Join(package, "screenshot.bmp"));
  ASSERT_EQ(picture.width, 300);
  ASSERT_EQ(picture.height, 178);
  InstallerDriver& program = StartProgram();

  // The picture's place in the client area, with one pixel around it.
  const POINT origin = program.ClientOrigin();
  const RECT area = {origin.x + 11, origin.y + 6, origin.x + 12 + 300 + 1, origin.y + 7 + 178 + 1};
  Image shot;
  int mismatches = -1;
  const bool painted = WaitUntil([&] {
    shot = CaptureScreen(area);
    mismatches = shot.Empty() ? -1 : PictureMismatches(shot, picture);
    return mismatches == 0;
  });
  if (!painted) {
    // Keep the whole screen for whoever reads the failure: what covers or shifts the picture.
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SaveBmp24(CaptureScreen(screen), "screenshot-test-screen.bmp");
  }
  EXPECT_TRUE(painted) << mismatches << " of " << 300 * 178
                       << " pixels differ from screenshot.bmp; the picture's area starts at ("
                       << area.left + 1 << ", " << area.top + 1
                       << ") of the screen, saved as screenshot-test-screen.bmp";
  ASSERT_FALSE(shot.Empty());

  // Around it the dialog shows, not the picture: it neither spills over nor falls short.
  int ringLikePicture = 0;
  for (int x = 0; x < 300; ++x) {
    ringLikePicture += ColourDistance(shot.At(x + 1, 0), picture.At(x, 0)) <= 24;
    ringLikePicture += ColourDistance(shot.At(x + 1, 179), picture.At(x, 177)) <= 24;
  }
  for (int y = 0; y < 178; ++y) {
    ringLikePicture += ColourDistance(shot.At(0, y + 1), picture.At(0, y)) <= 24;
    ringLikePicture += ColourDistance(shot.At(301, y + 1), picture.At(299, y)) <= 24;
  }
  EXPECT_EQ(ringLikePicture, 0);

  program.Click(control::kCancel);
  EXPECT_TRUE(program.WaitForExit());
}

}  // namespace
}  // namespace gridmoor::e2e
