// The season window, driven as the player uses it: opened from the dialog's "Season..." and by
// gridmoor.exe /season, its list read row by row, changes made with its buttons and checked
// against golden season files, undone, sets switched, and the refusals answered both ways.
// The service's own rules are the engine's tests; these show what only the window adds.

#include <shlwapi.h>

#include <algorithm>

#include "e2e/InstallerFixture.h"
#include "e2e/SeasonDriver.h"

namespace gridmoor::e2e {
namespace {

std::string GoldenFile(const std::string& name) {
  return ReadFileBytes(std::string(GRIDMOOR_TEST_DATA_DIR) + "\\e2e\\season-window\\" + name)
      .value_or("<missing golden file " + name + ">");
}

// The example season as the window lists it (dates in the prefix's English, United States).
const std::vector<ListRow> kExampleRows = {
    {"1", "Ardenvale Grand Prix", "ardenvale", "80", "May 7", "also in gp.ini"},
    {"2", "Brockhurst Grand Prix", "brockhurst", "90", "Jun 4", ""},
    {"3", "Calder Point Grand Prix", "calder", "100", "Jun 18", "also in gp.ini"},
    {"4", "Dunmere Grand Prix", "dunmere", "60", "Jul 9", ""},
    {"5", "Elsworth Park Grand Prix", "elsworth", "75", "Aug 6", "also in gp.ini"},
};

// Where the window keeps what the player left it as, between runs.
constexpr const char* kStateKey = "Software\\Lapscope\\Gridmoor\\Season window";

// No state kept from an earlier scenario, and none left for a later one.
class ScopedNoWindowState {
 public:
  ScopedNoWindowState() { SHDeleteKeyA(HKEY_CURRENT_USER, kStateKey); }
  ~ScopedNoWindowState() { SHDeleteKeyA(HKEY_CURRENT_USER, kStateKey); }
  ScopedNoWindowState(const ScopedNoWindowState&) = delete;
  ScopedNoWindowState& operator=(const ScopedNoWindowState&) = delete;
};

bool SetStateValue(const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kStateKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const bool set =
      RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return set;
}
bool SetStateText(const char* name, const std::string& text) {
  return SetStateValue(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}
bool SetStateNumber(const char* name, LONG number) {
  const DWORD value = static_cast<DWORD>(number);
  return SetStateValue(name, REG_DWORD, &value, sizeof value);
}

std::vector<LONG> FrameOf(HWND window) {
  RECT frame = {};
  GetWindowRect(window, &frame);
  return {frame.left, frame.top, frame.right, frame.bottom};
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<std::string> Folders(const std::vector<ListRow>& rows) {
  std::vector<std::string> folders;
  for (const ListRow& row : rows) folders.push_back(row.size() > 2 ? row[2] : "");
  return folders;
}

class SeasonWindowTest : public InstallerTest {
 protected:
  // The program with its dialog, the season window opened by "Season..." for `game`.
  SeasonWindowDriver& OpenFromDialog() {
    InstallerDriver& program = StartProgram();
    program.SetText(control::kGameFolder, game);
    program.Click(control::kOpenSeason);
    m_season = std::make_unique<SeasonWindowDriver>(program);
    EXPECT_TRUE(m_season->WaitForWindow()) << "the season window did not come up";
    return *m_season;
  }
  // The program started with /season; the game found through the registry.
  SeasonWindowDriver& OpenAlone() {
    EXPECT_TRUE(setupEntry.SetDirectory(game));
    m_alone = std::make_unique<InstallerDriver>(ProgramPath(), package, "/season");
    m_season = std::make_unique<SeasonWindowDriver>(*m_alone);
    EXPECT_TRUE(m_season->WaitForWindow()) << "the season window did not come up";
    return *m_season;
  }
  InstallerDriver& Owner() { return m_alone ? *m_alone : Program(); }

  // Selects the event of `folder`, presses `button` and waits until the list is read again
  // with `rows` rows.
  void Press(const std::string& folder, int button, int rows) {
    SeasonWindowDriver& season = *m_season;
    const std::vector<std::string> folders = Folders(season.Rows());
    const auto at = std::find(folders.begin(), folders.end(), folder);
    ASSERT_NE(at, folders.end()) << folder << " is not listed";
    ASSERT_TRUE(season.SelectRow(static_cast<int>(at - folders.begin())));
    ChangeAndWait([&] { season.Click(button); }, [&] { return season.RowCount() == rows; });
  }
  // Does `act` and waits until the window has read the files again (the list changes) and
  // `done` holds. The files are read only then: a read while the program replaces one would
  // hold it open and make the replace fail, as any program holding it would.
  template <class Act, class Done>
  void ChangeAndWait(Act act, Done done) {
    const std::vector<ListRow> before = m_season->Rows();
    act();
    ASSERT_TRUE(WaitUntil([&] { return m_season->Rows() != before; }))
        << "the list did not change";
    ASSERT_TRUE(WaitUntil(done));
  }
  void PressAndWait(int button) {
    ChangeAndWait([&] { m_season->Click(button); }, [] { return true; });
  }

  // The next box, answered with `button`.
  MessageBoxRecord AnswerBox(int button) {
    std::optional<MessageBoxRecord> box = Owner().WaitForMessageBox();
    EXPECT_TRUE(box) << "no message box came";
    if (!box) return {};
    EXPECT_TRUE(Owner().Answer(*box, button)) << Describe(*box);
    return *box;
  }

  // Closes the window opened alone and waits until the program has ended.
  void CloseAlone() {
    m_season->Click(season::kClose);
    ASSERT_TRUE(m_alone->WaitForExit());
  }

  ScopedNoWindowState m_noState;
  std::unique_ptr<InstallerDriver> m_alone;
  std::unique_ptr<SeasonWindowDriver> m_season;
};

TEST_F(SeasonWindowTest, OpensFromTheDialogOverTheGameFolderInTheBoxAndGivesTheDialogBack) {
  SeasonWindowDriver& season = OpenFromDialog();
  EXPECT_EQ(season.Rows(), kExampleRows);
  EXPECT_EQ(season.Text(season::kCount), "5 of 64 events");
  EXPECT_EQ(season.Text(season::kProblem), "");
  EXPECT_FALSE(IsWindowEnabled(Program().Dialog())) << "the dialog must wait for the window";

  season.Choose(season::kShowChampionship);
  ASSERT_TRUE(season.WaitForRows(3));
  EXPECT_EQ(Folders(season.Rows()), (std::vector<std::string>{"ardenvale", "calder", "elsworth"}));
  EXPECT_EQ(season.Rows()[0][5], "also in 67season.ini");

  // Moved and made larger, closed and opened again: it comes back where the player left it.
  RECT placed = {};
  GetWindowRect(season.Window(), &placed);
  placed = {placed.left + 40, placed.top + 30, placed.right + 140, placed.bottom + 90};
  SetWindowPos(season.Window(), nullptr, placed.left, placed.top, placed.right - placed.left,
               placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
  season.Click(season::kClose);
  ASSERT_TRUE(season.WaitForClosed());
  Program().Click(control::kOpenSeason);
  ASSERT_TRUE(season.WaitForWindow());
  RECT reopened = {};
  GetWindowRect(season.Window(), &reopened);
  EXPECT_EQ(std::vector<LONG>({reopened.left, reopened.top, reopened.right, reopened.bottom}),
            std::vector<LONG>({placed.left, placed.top, placed.right, placed.bottom}));

  season.Click(season::kClose);
  ASSERT_TRUE(season.WaitForClosed());
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(Program().Dialog()) != FALSE; }));
  // The install run is as it was: it still installs into the folder in the box.
  const RunOutcome outcome = InstallAndAnswer();
  ASSERT_EQ(outcome.boxes.size(), 1u) << ::testing::PrintToString(TextsOf(outcome));
  ExpectPlainBox(outcome.boxes[0], text::kSummaryOk);
}

TEST_F(SeasonWindowTest, SlashSeasonOpensTheWindowAloneAndShowsWhatIsWrongWithTheFile) {
  // An event whose folder is missing, one folder named twice, and a section above the count.
  std::vector<SeasonEvent> events = MadeUpEvents(3);
  events[1].trackDirectory = "calder";
  events[2].trackDirectory = "calder";
  std::string text = SeasonFileText(events, 3) + "[Event4]\r\nname=Unread\r\n";
  ASSERT_TRUE(WriteFileBytes(SeasonFile(), text));
  const TreeSnapshot before = Snapshot(game);

  SeasonWindowDriver& season = OpenAlone();
  const std::vector<ListRow> rows = season.Rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][5], "folder missing");
  EXPECT_EQ(rows[1][5], "folder named twice, also in gp.ini");
  EXPECT_EQ(rows[2][5], "folder named twice, also in gp.ini");
  EXPECT_NE(season.Text(season::kProblem).find("sections above the count"), std::string::npos)
      << season.Text(season::kProblem);

  season.Click(season::kClose);
  EXPECT_TRUE(m_alone->WaitForExit());
  EXPECT_EQ(Differences(before, Snapshot(game)), "") << "reading must write nothing";
}

TEST_F(SeasonWindowTest, RemoveMoveSortAndAddWriteTheGoldenFilesAndUndoTakesEachBack) {
  const std::string original = ReadFileBytes(SeasonFile()).value_or("");
  SeasonWindowDriver& season = OpenAlone();

  // Del in the list is Remove.
  ASSERT_TRUE(season.SelectRow(1));
  ChangeAndWait([&] { season.PressKeyInList(VK_DELETE); }, [&] { return season.RowCount() == 4; });
  EXPECT_EQ(ReadFileBytes(SeasonFile()), GoldenFile("removed.ini"));
  Press("ardenvale", season::kMoveDown, 4);
  EXPECT_EQ(ReadFileBytes(SeasonFile()), GoldenFile("moved.ini"));
  EXPECT_EQ(season.SelectedRows(season.Control(season::kList)), std::vector<int>{1})
      << "the selection follows the moved event";
  ChangeAndWait([&] { season.Click(season::kSort); },
                [&] { return Folders(season.Rows()).front() == "ardenvale"; });
  EXPECT_EQ(ReadFileBytes(SeasonFile()), GoldenFile("sorted.ini"));

  // Brockhurst's event was kept when it was taken out: Add puts it back at the end.
  season.Click(season::kAdd);
  HWND add = season.WaitForDialogWith(season::kAddList);
  ASSERT_TRUE(add);
  const std::vector<ListRow> offered = season.Rows(GetDlgItem(add, season::kAddList));
  ASSERT_FALSE(offered.empty());
  EXPECT_EQ(offered.front(), (ListRow{"brockhurst", "event known"}));
  ASSERT_TRUE(season.SelectRow(GetDlgItem(add, season::kAddList), 0));
  ChangeAndWait([&] { PostMessageA(add, WM_COMMAND, IDOK, 0); },
                [&] { return season.RowCount() == 5; });
  EXPECT_EQ(ReadFileBytes(SeasonFile()), GoldenFile("added.ini"));

  for (const char* back : {"sorted.ini", "moved.ini", "removed.ini"}) {
    PressAndWait(season::kUndo);
    EXPECT_EQ(ReadFileBytes(SeasonFile()), GoldenFile(back)) << "undo back to " << back;
  }
  ChangeAndWait([&] { season.Click(season::kUndo); }, [&] { return season.RowCount() == 5; });
  EXPECT_EQ(ReadFileBytes(SeasonFile()), original);
}

TEST_F(SeasonWindowTest, SeveralRowsMoveAndGoAsOneStepEachThatUndoAndRedoTakeAndGiveBack) {
  const std::string original = ReadFileBytes(SeasonFile()).value_or("");
  SeasonWindowDriver& season = OpenAlone();
  EXPECT_FALSE(season.IsEnabled(season::kUndo)) << "no step to undo yet";
  EXPECT_FALSE(season.IsEnabled(season::kRedo)) << "no step to redo yet";

  // Calder and Dunmere up one together; the selection goes with them.
  ASSERT_TRUE(season.SelectRows({2, 3}));
  PressAndWait(season::kMoveUp);
  EXPECT_EQ(Folders(season.Rows()),
            (std::vector<std::string>{"ardenvale", "calder", "dunmere", "brockhurst", "elsworth"}));
  EXPECT_EQ(season.SelectedRows(season.Control(season::kList)), (std::vector<int>{1, 2}));
  EXPECT_TRUE(Contains(season.Text(season::kStatus), "Moved 2 events")) << season.Text(season::kStatus);
  const std::string moved = ReadFileBytes(SeasonFile()).value_or("");

  ASSERT_TRUE(season.SelectRows({0, 3}));
  ChangeAndWait([&] { season.Click(season::kRemove); }, [&] { return season.RowCount() == 3; });
  EXPECT_EQ(Folders(season.Rows()), (std::vector<std::string>{"calder", "dunmere", "elsworth"}));
  const std::string status = season.Text(season::kStatus);
  EXPECT_TRUE(Contains(status, "Removed 2 events") && Contains(status, "Undo puts them back"))
      << status;
  const std::string removed = ReadFileBytes(SeasonFile()).value_or("");

  // One Undo takes both events back.
  ChangeAndWait([&] { season.Click(season::kUndo); }, [&] { return season.RowCount() == 5; });
  EXPECT_EQ(ReadFileBytes(SeasonFile()), moved);
  EXPECT_EQ(season.Text(season::kStatus).rfind("Undone: remove ardenvale brockhurst", 0), 0u)
      << season.Text(season::kStatus);
  EXPECT_TRUE(season.IsEnabled(season::kRedo));
  const std::string redoTip = season.ToolTipText(season::kRedo);
  EXPECT_EQ(redoTip.rfind("Redo: remove ardenvale brockhurst, 20", 0), 0u) << redoTip;
  EXPECT_EQ(season.ToolTipText(season::kUndo).rfind("Undo: move up calder dunmere, 20", 0), 0u)
      << season.ToolTipText(season::kUndo);

  ChangeAndWait([&] { season.Click(season::kRedo); }, [&] { return season.RowCount() == 3; });
  EXPECT_EQ(ReadFileBytes(SeasonFile()), removed);
  EXPECT_EQ(season.Text(season::kStatus).rfind("Redone: remove ardenvale brockhurst", 0), 0u)
      << season.Text(season::kStatus);
  EXPECT_FALSE(season.IsEnabled(season::kRedo)) << "the one redo step is taken";

  ChangeAndWait([&] { season.Click(season::kUndo); }, [&] { return season.RowCount() == 5; });
  PressAndWait(season::kUndo);
  EXPECT_EQ(ReadFileBytes(SeasonFile()), original);
  EXPECT_FALSE(season.IsEnabled(season::kUndo));
}

TEST_F(SeasonWindowTest, StatusLineWarnsOfEventsPastWhatTheGameReads) {
  ASSERT_TRUE(WriteFileBytes(SeasonFile(), SeasonFileText(MadeUpEvents(65), 65)));
  SeasonWindowDriver& season = OpenAlone();
  const std::string status = season.Text(season::kStatus);
  EXPECT_TRUE(Contains(status, "67season.ini holds 65 events; the game reads 64") &&
              Contains(status, "remove 1"))
      << status;
}

TEST_F(SeasonWindowTest, SavedSetsAreSwitchedFromTheComboAndTheSwitchIsUndone) {
  const std::string original = ReadFileBytes(SeasonFile()).value_or("");
  SeasonWindowDriver& season = OpenAlone();
  season.Click(season::kSetSave);
  HWND prompt = season.WaitForDialogWith(season::kNameEdit);
  ASSERT_TRUE(prompt);
  ASSERT_TRUE(AnswerNamePrompt(prompt, "Historic"));
  ASSERT_TRUE(WaitUntil([&] { return season.SelectedSetText() == "Historic (active)"; }))
      << ::testing::PrintToString(season.SetTexts());

  Press("calder", season::kRemove, 4);
  EXPECT_TRUE(WaitUntil([&] { return season.SelectedSetText() == "Historic (active, changed)"; }))
      << ::testing::PrintToString(season.SetTexts());
  season.Click(season::kSetSave);
  prompt = season.WaitForDialogWith(season::kNameEdit);
  ASSERT_TRUE(prompt);
  ASSERT_TRUE(AnswerNamePrompt(prompt, "Short"));
  ASSERT_TRUE(WaitUntil([&] { return season.SelectedSetText() == "Short (active)"; }));
  const std::string shortSeason = ReadFileBytes(SeasonFile()).value_or("");

  ASSERT_TRUE(season.SelectSet("Historic"));
  ChangeAndWait([&] { season.Click(season::kSetUse); }, [&] { return season.RowCount() == 5; });
  EXPECT_EQ(ReadFileBytes(SeasonFile()), original);
  EXPECT_EQ(season.SelectedSetText(), "Historic (active)");

  ChangeAndWait([&] { season.Click(season::kUndo); }, [&] { return season.RowCount() == 4; });
  EXPECT_EQ(ReadFileBytes(SeasonFile()), shortSeason);
}

// With no set active the state line says so and the combo's first set is the one the buttons
// act on; Rename goes through the prompt, which keeps a refused name for correcting, and one
// Undo gives the set its old name back.
TEST_F(SeasonWindowTest, SetsWithNoneActiveAreRenamedThroughThePromptAndUndone) {
  const std::string sets = Join(game, "seasons\\gridmoor-sets");
  const std::string oldFile = Join(sets, "set-6f6c64");           // "old"
  const std::string newFile = Join(sets, "set-616c706861");       // "alpha"
  SeasonWindowDriver& season = OpenAlone();
  EXPECT_EQ(season.Text(season::kSetState), "No sets saved: Save as... keeps the season as a set.");
  for (const int id : {season::kSetUse, season::kSetExport, season::kSetRename, season::kSetDelete})
    EXPECT_FALSE(season.IsEnabled(id)) << id;

  for (const char* name : {"Old", "Newer"}) {
    season.Click(season::kSetSave);
    HWND prompt = season.WaitForDialogWith(season::kNameEdit);
    ASSERT_TRUE(prompt);
    EXPECT_EQ(SendMessageA(GetDlgItem(prompt, season::kNameEdit), EM_GETLIMITTEXT, 0, 0), 40);
    ASSERT_TRUE(AnswerNamePrompt(prompt, name));
    ASSERT_TRUE(WaitUntil([&] {
      return season.Text(season::kSetState) == std::string("Active set: ") + name;
    })) << season.Text(season::kSetState);
  }
  Press("calder", season::kRemove, 4);
  EXPECT_TRUE(WaitUntil([&] {
    return season.Text(season::kSetState) == "Active set: Newer (season files changed since)";
  })) << season.Text(season::kSetState);
  ASSERT_TRUE(season.SelectSet("Newer (active, changed)"));
  season.Click(season::kSetDelete);
  ASSERT_TRUE(WaitUntil([&] { return season.SetTexts() == std::vector<std::string>{"Old"}; }));
  EXPECT_EQ(season.Text(season::kSetState), "No set is active: the season is not saved as a set.");
  EXPECT_EQ(season.SelectedSetText(), "Old");
  for (const int id : {season::kSetUse, season::kSetExport, season::kSetRename})
    EXPECT_TRUE(season.IsEnabled(id)) << id;

  const std::string setBytes = ReadFileBytes(oldFile).value_or("<no set file>");
  season.Click(season::kSetRename);
  HWND prompt = season.WaitForDialogWith(season::kNameEdit);
  ASSERT_TRUE(prompt);
  EXPECT_EQ(WindowText(prompt), "Rename the set Old");
  EXPECT_EQ(WindowText(GetDlgItem(prompt, season::kNameEdit)), "Old");
  ASSERT_TRUE(AnswerNamePrompt(prompt, "Al/pha"));
  const MessageBoxRecord refused = AnswerBox(IDOK);
  EXPECT_NE(refused.text.find("a set name is 1 to 40 letters"), std::string::npos) << refused.text;
  prompt = season.WaitForDialogWith(season::kNameEdit);
  ASSERT_TRUE(prompt) << "the prompt comes back after a refusal";
  EXPECT_EQ(WindowText(GetDlgItem(prompt, season::kNameEdit)), "Al/pha");
  ASSERT_TRUE(AnswerNamePrompt(prompt, "Alpha"));
  ASSERT_TRUE(WaitUntil([&] { return season.SetTexts() == std::vector<std::string>{"Alpha"}; }));
  EXPECT_EQ(season.Text(season::kStatus), "Renamed the set Old to Alpha \x97 Undo gives it its old name");
  EXPECT_FALSE(Exists(oldFile));
  EXPECT_TRUE(Exists(newFile));

  season.Click(season::kUndo);
  ASSERT_TRUE(WaitUntil([&] { return season.SetTexts() == std::vector<std::string>{"Old"}; }));
  EXPECT_EQ(ReadFileBytes(oldFile), setBytes);
  EXPECT_FALSE(Exists(newFile));
}

// Enter on a row opens its details; "Remove with files..." asks the engine's question, takes
// the event out of both files and the track's folder away, and one Undo brings all back.
TEST_F(SeasonWindowTest, DetailsOpenWithEnterAndRemoveWithFilesIsUndone) {
  const TreeSnapshot before = Snapshot(game);
  const std::string calder = Join(game, "tracks\\calder");
  SeasonWindowDriver& season = OpenAlone();
  ASSERT_TRUE(season.SelectRow(2));
  season.PressKeyInList(VK_RETURN);
  HWND details = season.WaitForDialogWith(season::kDetailsFiles);
  ASSERT_TRUE(details) << "Enter on the list opens the details";
  EXPECT_EQ(WindowText(details), "Event 3 - Calder Point Grand Prix");
  const std::string keys = WindowText(GetDlgItem(details, season::kDetailsKeys));
  EXPECT_NE(keys.find("trackDirectory=calder"), std::string::npos) << keys;
  const std::string files = WindowText(GetDlgItem(details, season::kDetailsFiles));
  EXPECT_EQ(files.rfind("tracks\\calder: ", 0), 0u) << files;
  EXPECT_NE(files.find(" files, "), std::string::npos) << files;
  EXPECT_NE(files.find("Not recorded"), std::string::npos) << files;
  EXPECT_EQ(WindowText(GetDlgItem(details, season::kDetailsInstalled)),
            "Where and when it was installed is not recorded.");

  PostMessageA(GetDlgItem(details, season::kDetailsRemove), BM_CLICK, 0, 0);
  const MessageBoxRecord question = AnswerBox(IDYES);
  EXPECT_EQ(question.text.rfind("Remove these events and delete the files?", 0), 0u) << question.text;
  ASSERT_TRUE(season.WaitForRows(4));
  EXPECT_FALSE(Exists(calder));
  EXPECT_EQ(EventCount(ChampionshipFile()), 2) << "its gp.ini event goes too";

  ChangeAndWait([&] { season.Click(season::kUndo); }, [&] { return season.RowCount() == 5; });
  EXPECT_EQ(Differences(before, Snapshot(game)), "");
}

// "Install package..." runs the install dialog over the package whose install.ini is chosen;
// the window then lists the new event, and its details show the install's record.
TEST_F(SeasonWindowTest, InstallPackageListsTheNewEventWhoseDetailsShowItsRecord) {
  SeasonWindowDriver& season = OpenAlone();
  InstallerDriver& program = Owner();
  season.Click(season::kInstall);
  HWND chooser = program.WaitForWindow("Install a track package");
  ASSERT_TRUE(chooser);
  ASSERT_TRUE(ChooseFileInDialog(chooser, Join(package, "install.ini")));
  ASSERT_TRUE(program.WaitForDialog()) << "the install dialog comes up over the package";
  program.Click(control::kInstall);
  const AnswerPolicy ok = AnswerOk();
  ASSERT_TRUE(WaitUntil([&] {
    if (std::optional<MessageBoxRecord> box = program.WaitForMessageBox(Millis(200)))
      program.Answer(*box, ok(*box));
    return season.RowCount() == 6;
  })) << "the window reads the season again after the install";
  const std::string packageName = package.substr(package.find_last_of('\\') + 1);
  EXPECT_EQ(season.Text(season::kStatus),
            "Installed from " + packageName + ": Kestrel Heath Grand Prix is event 6");
  EXPECT_EQ(season.SelectedRows(season.Control(season::kList)), std::vector<int>{5});

  season.PressKeyInList(VK_RETURN);
  HWND details = season.WaitForDialogWith(season::kDetailsFiles);
  ASSERT_TRUE(details);
  const std::string files = WindowText(GetDlgItem(details, season::kDetailsFiles));
  EXPECT_NE(files.find("Complete: every recorded file is as installed."), std::string::npos) << files;
  const std::string installed = WindowText(GetDlgItem(details, season::kDetailsInstalled));
  EXPECT_EQ(installed.rfind("Installed ", 0), 0u) << installed;
  EXPECT_NE(installed.find(packageName + " (folder)"), std::string::npos) << installed;
  PostMessageA(details, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(details); }));
}

// Export is titled as the set as saved; importing the file back finds its name taken, says so
// and has the player name the copy, starting from the file's name.
TEST_F(SeasonWindowTest, ExportedSetImportedBackIsNamedAfresh) {
  const std::string calendar = Join(game, "league.txt");
  SeasonWindowDriver& season = OpenAlone();
  season.Click(season::kSetSave);
  HWND prompt = season.WaitForDialogWith(season::kNameEdit);
  ASSERT_TRUE(prompt);
  ASSERT_TRUE(AnswerNamePrompt(prompt, "Old"));
  ASSERT_TRUE(WaitUntil([&] { return season.Text(season::kSetState) == "Active set: Old"; }));

  season.Click(season::kSetExport);
  HWND chooser = Owner().WaitForWindow("Export the set Old as it was saved");
  ASSERT_TRUE(chooser);
  ASSERT_TRUE(ChooseFileInDialog(chooser, calendar));
  ASSERT_TRUE(WaitUntil([&] { return Exists(calendar); }));

  season.Click(season::kSetImport);
  chooser = Owner().WaitForWindow("Import a calendar as a set");
  ASSERT_TRUE(chooser);
  ASSERT_TRUE(ChooseFileInDialog(chooser, calendar));
  const MessageBoxRecord taken = AnswerBox(IDOK);
  EXPECT_NE(taken.text.find("a set of that name exists"), std::string::npos) << taken.text;
  prompt = season.WaitForDialogWith(season::kNameEdit);
  ASSERT_TRUE(prompt);
  EXPECT_EQ(WindowText(prompt), "Name the imported set");
  EXPECT_EQ(WindowText(GetDlgItem(prompt, season::kNameEdit)), "Old");
  ASSERT_TRUE(AnswerNamePrompt(prompt, "Copy"));
  EXPECT_TRUE(WaitUntil([&] {
    return season.SetTexts() == std::vector<std::string>{"Copy", "Old (active)"};
  })) << ::testing::PrintToString(season.SetTexts());
}

TEST_F(SeasonWindowTest, GameFolderThatVanishesIsReportedAndTheWindowStays) {
  SeasonWindowDriver& season = OpenAlone();
  ASSERT_TRUE(MoveFileA(game.c_str(), (game + "-moved").c_str()));
  season.Click(season::kSort);
  const MessageBoxRecord box = AnswerBox(IDOK);
  EXPECT_EQ(box.text, "The game folder " + game + " cannot be found any more. Nothing was changed.");
  EXPECT_TRUE(WaitUntil([&] { return season.RowCount() == 0; }));
  EXPECT_TRUE(season.IsOpen());
  ASSERT_TRUE(MoveFileA((game + "-moved").c_str(), game.c_str()));
}

// --- What the window keeps, shows and notices ------------------------------------------------

TEST_F(SeasonWindowTest, ColumnsPlaceAndFileComeBackInTheNextRunAndDamagedValuesAreIgnored) {
  SeasonWindowDriver* window = &OpenAlone();
  const std::vector<LONG> centred = FrameOf(window->Window());
  const int folderWidth = window->ColumnWidth(2);
  window->Choose(season::kShowChampionship);
  ASSERT_TRUE(window->WaitForRows(3));
  window->SetColumnWidth(2, folderWidth + 37);
  const std::vector<LONG> placed = {centred[0] - 60, centred[1] + 25, centred[2] + 40,
                                    centred[3] + 75};
  SetWindowPos(window->Window(), nullptr, placed[0], placed[1], placed[2] - placed[0],
               placed[3] - placed[1], SWP_NOZORDER | SWP_NOACTIVATE);
  CloseAlone();

  window = &OpenAlone();  // a new driver for the new run
  EXPECT_TRUE(window->IsChecked(season::kShowChampionship));
  EXPECT_EQ(window->RowCount(), 3);
  EXPECT_EQ(window->ColumnWidth(2), folderWidth + 37);
  EXPECT_EQ(FrameOf(window->Window()), placed);
  CloseAlone();

  // Nothing a damaged or stale value says is used, and nothing is said about it.
  ASSERT_TRUE(SetStateText("Columns", "40,x,90"));
  ASSERT_TRUE(SetStateText("File", "other.ini"));
  ASSERT_TRUE(SetStateNumber("Left", -30000));  // a monitor no longer attached
  ASSERT_TRUE(SetStateNumber("Right", -29000));
  window = &OpenAlone();  // a new driver for the new run
  EXPECT_TRUE(window->IsChecked(season::kShowSeason));
  EXPECT_EQ(window->Rows(), kExampleRows);
  EXPECT_EQ(window->ColumnWidth(2), folderWidth);
  EXPECT_EQ(FrameOf(window->Window()), centred);
  EXPECT_FALSE(Owner().WaitForMessageBox(Millis(300)));
}

TEST_F(SeasonWindowTest, ACutCellShowsItsWholeTextAsATip) {
  std::vector<SeasonEvent> events = MadeUpEvents(2);
  events[0].name = "Made-up Grand Prix of the Northern Moors, the Long Valley and the Coast Road";
  ASSERT_TRUE(WriteFileBytes(SeasonFile(), SeasonFileText(events, 2)));
  SeasonWindowDriver& season = OpenAlone();

  ASSERT_TRUE(season.PointAtCell(0, 1));
  EXPECT_TRUE(WaitUntil([&] { return season.ToolTipText(season::kList) == events[0].name; }))
      << season.ToolTipText(season::kList);
  // A text that fits needs no tip.
  ASSERT_TRUE(season.PointAtCell(1, 1));
  EXPECT_TRUE(WaitUntil([&] { return season.ToolTipText(season::kList).empty(); }))
      << season.ToolTipText(season::kList);
}

TEST_F(SeasonWindowTest, AChangeByAnotherProgramIsReadAgainWhenTheWindowIsActivated) {
  SeasonWindowDriver& season = OpenAlone();
  ASSERT_TRUE(season.SelectRow(3));  // dunmere
  ASSERT_TRUE(WriteFileBytes(SeasonFile(), GoldenFile("removed.ini")));  // brockhurst taken out
  ASSERT_TRUE(season.ActivateFromElsewhere());
  ASSERT_TRUE(season.WaitForRows(4));
  EXPECT_EQ(season.Text(season::kStatus), "Read again: 67season.ini was changed by another program");
  EXPECT_EQ(season.SelectedRows(season.Control(season::kList)), std::vector<int>{2})
      << "the selection stays with dunmere's event";

  // gp.ini changed: the marks follow it.
  ASSERT_TRUE(WriteFileBytes(ChampionshipFile(), "[Season]\r\nnumEvents=0\r\n"));
  ASSERT_TRUE(season.ActivateFromElsewhere());
  EXPECT_TRUE(WaitUntil([&] { return season.Rows()[0][5].empty(); }));
  EXPECT_EQ(season.Text(season::kStatus), "Read again: gp.ini was changed by another program");
}

TEST_F(SeasonWindowTest, AltDownMovesTheEventAndTheNextDownMovesTheSelectionNotAMenu) {
  SeasonWindowDriver& season = OpenAlone();
  const HWND list = season.Control(season::kList);
  ASSERT_TRUE(season.SelectRow(0));
  ASSERT_TRUE(season.ActivateFromElsewhere());
  // Alt let go after the arrow, and before it (as fingers roll off the keys).
  for (const bool altFirst : {false, true}) {
    SCOPED_TRACE(altFirst ? "Alt released first" : "Down released first");
    const int row = season.SelectedRows(list).front();
    ASSERT_TRUE(season.PressAltKey(VK_DOWN, altFirst));
    ASSERT_TRUE(WaitUntil([&] { return Folders(season.Rows())[row + 1] == "ardenvale"; }));
    ASSERT_TRUE(WaitUntil([&] { return season.SelectedRows(list) == std::vector<int>{row + 1}; }));
    ASSERT_TRUE(season.TypeKey(VK_DOWN));
    EXPECT_TRUE(WaitUntil([&] { return season.SelectedRows(list) == std::vector<int>{row + 2}; }))
        << ::testing::PrintToString(season.SelectedRows(list));
    EXPECT_FALSE(season.MenuIsOpen()) << "Alt's release armed the system menu";
    if (season.MenuIsOpen()) season.TypeKey(VK_ESCAPE);
    // Back onto the moved event for the next round.
    ASSERT_TRUE(season.SelectRow(row + 1));
  }
  // Alt pressed alone still arms the system menu, as in every window: the next Down opens it.
  ASSERT_TRUE(season.TypeKey(VK_MENU));
  ASSERT_TRUE(season.TypeKey(VK_DOWN));
  EXPECT_TRUE(WaitUntil([&] { return season.MenuIsOpen(); }));
  EXPECT_EQ(season.SelectedRows(list), std::vector<int>{2});
}

// --- Refusals: the player's No leaves the file alone, Yes goes on -------------------------

TEST_F(SeasonWindowTest, ReadOnlySeasonFileIsChangedOnlyAfterYes) {
  ASSERT_TRUE(SetReadOnly(SeasonFile(), true));
  const std::string original = ReadFileBytes(SeasonFile()).value_or("");
  SeasonWindowDriver& season = OpenAlone();
  ASSERT_TRUE(season.SelectRow(0));

  season.Click(season::kRemove);
  MessageBoxRecord box = AnswerBox(IDNO);
  EXPECT_EQ(box.text, SeasonFile() + " is marked read-only. Clear the mark?");
  EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
  EXPECT_FALSE(Owner().WaitForMessageBox(Millis(500))) << "No is the end of it";
  EXPECT_EQ(ReadFileBytes(SeasonFile()), original);
  EXPECT_TRUE(IsReadOnly(SeasonFile()));

  season.Click(season::kRemove);
  AnswerBox(IDYES);
  ASSERT_TRUE(season.WaitForRows(4));
  EXPECT_EQ(Folders(season.Rows()).front(), "brockhurst");
  EXPECT_FALSE(IsReadOnly(SeasonFile()));
}

TEST_F(SeasonWindowTest, RunningGameStopsAChangeUntilThePlayerGoesOnAnyway) {
  // A mod's copy of the game's program, run from the game folder.
  ASSERT_TRUE(CopyFileA(GRIDMOOR_IDLE_PROGRAM, Join(game, "gplc67.exe").c_str(), FALSE));
  ChildProcess gameProcess = ChildProcess::Start(Join(game, "gplc67.exe"), game);
  ASSERT_TRUE(gameProcess.Started());
  const std::string original = ReadFileBytes(SeasonFile()).value_or("");
  SeasonWindowDriver& season = OpenAlone();
  ASSERT_TRUE(season.SelectRow(0));

  season.Click(season::kRemove);
  MessageBoxRecord box = AnswerBox(IDNO);
  EXPECT_EQ(box.text.rfind("gplc67.exe (in the game folder) is running.", 0), 0u) << box.text;
  EXPECT_FALSE(Owner().WaitForMessageBox(Millis(500))) << "No is the end of it";
  EXPECT_EQ(ReadFileBytes(SeasonFile()), original);

  season.Click(season::kRemove);
  AnswerBox(IDYES);
  EXPECT_TRUE(season.WaitForRows(4));
  EXPECT_EQ(ReadFileBytes(SeasonFile()), GoldenFile("removed-first.ini"));
}

}  // namespace
}  // namespace gridmoor::e2e
