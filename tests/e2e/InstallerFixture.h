#pragma once
// The stage every scenario starts from: a fresh copy of the demo game folder and of the demo
// package in a scratch folder, no game setup entry in the registry, and the program started
// from the package folder on request.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "e2e/InstallerDriver.h"
#include "e2e/Sandbox.h"

namespace gridmoor::e2e {

// What the program says, word for word.
namespace text {
constexpr const char* kCaption = "gridmoor";  // the executable's name
constexpr const char* kSummaryOk =
    "Install of track files completed OK\r\nUpdate of ini file(s) completed OK\r\n\r\n"
    "Click OK to finish track install";
constexpr const char* kSummaryCopyFailed =
    "Install of track files went wrong\r\nUpdate of ini file(s) completed OK\r\n\r\n"
    "Click OK to finish track install";
constexpr const char* kSeasonFull =
    "Sorry, maximum number of tracks in GPL reached.\r\nYou have to remove tracks from "
    "67season.ini to be able to\r\ninstall this track. Click OK to finish.";
constexpr const char* kCopyFailed =
    "Something went wrong while installing track files.\r\nPlease verify that the GPL path is "
    "correct.";
constexpr const char* kSeasonReadOnly =
    "67season.ini is write protected!\r\nDo you wish to remove the readonly flag?";
constexpr const char* kChampionshipReadOnly =
    "gp.ini is write protected!\r\nDo you wish to remove the readonly flag?";
constexpr const char* kMustBeWritable =
    "Ini-files must be writable to complete install.\r\nClick OK to finish.";
constexpr const char* kInvalidPackage = "Install.ini missing or not valid!\r\nClick OK to finish.";
constexpr const char* kNotFound = "The file could not be located.";
constexpr const char* kBadPath = "All or part of the path is invalid.";
constexpr const char* kSharing = "SHARE.EXE was not loaded, or a shared region was locked.";
}  // namespace text

// The nine track files: name in the package, name in the track folder ("" for the data file,
// which takes the track folder's name).
struct TrackFileName {
  const char* source;
  const char* target;
};
constexpr TrackFileName kTrackFiles[] = {
    {"dat", ""},           {"track.ini", "track.ini"},   {"record.ini", "record.ini"},
    {"race.lp", "race.lp"}, {"pit.lp", "pit.lp"},         {"pass1.lp", "pass1.lp"},
    {"pass2.lp", "pass2.lp"}, {"maxrace.lp", "maxrace.lp"}, {"minrace.lp", "minrace.lp"},
};
// The seven keys an event gets, in the order they are written.
constexpr const char* kEventKeys[] = {"name",  "shortname", "trackDirectory", "numberOfLaps",
                                      "day",   "month",     "startingGrid"};

class InstallerTest : public ::testing::Test {
 protected:
  InstallerTest();
  void SetUp() override;

  // Starts the program from the package folder and waits for its dialog.
  InstallerDriver& StartProgram();
  InstallerDriver& Program() { return *m_program; }

  // A value of the package's install.ini.
  std::string PackageValue(const std::string& key) const;
  std::string TrackFolder() const { return Join(game, "tracks\\" + PackageValue("trackDirectory")); }
  std::string SeasonFile() const { return Join(game, "seasons\\67season.ini"); }
  std::string ChampionshipFile() const { return Join(game, "seasons\\gp.ini"); }
  std::string ReplayTarget() const { return Join(game, "replay\\" + PackageValue("replayfilename")); }

  // Rewrites the package's install.ini without `key`.
  void DropPackageKey(const std::string& key);

  // The track folder holds the package's nine files byte for byte.
  void ExpectTrackFilesInstalled() const;
  // Section Event<number> of `file` holds the package's seven values.
  void ExpectEventIsTrack(const std::string& file, int number) const;
  // The file's count, as the game reads it.
  int EventCount(const std::string& file) const;

  // Runs the dialog's Install Track and answers the boxes until the program ends.
  RunOutcome InstallAndAnswer(const AnswerPolicy& policy = AnswerOk());

  Sandbox sandbox;
  std::string game;     // the game folder
  std::string package;  // the package folder, the program's current directory
  ScopedGameSetupEntry setupEntry;

 private:
  std::unique_ptr<InstallerDriver> m_program;
};

// A box as the run shows it: the program's caption, the exclamation icon and one OK button.
void ExpectPlainBox(const MessageBoxRecord& box, const std::string& text);

// A file's text as a multi-line box shows it: each line ending in CR LF.
std::string WithCrLf(const std::string& text);
// The texts of the boxes, in order.
std::vector<std::string> TextsOf(const RunOutcome& outcome);

}  // namespace gridmoor::e2e
