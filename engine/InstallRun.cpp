#include "engine/InstallRun.h"

#include "engine/StepKeepingFiles.h"

#include <string>

#include "engine/SeasonLibrary.h"
#include "engine/SeasonService.h"
#include "engine/SeasonUpdate.h"
#include "engine/TrackFileCopy.h"
#include "engine/WriteAccessCheck.h"

namespace gridmoor {

namespace {

constexpr int kProgressChecked = 1;
constexpr int kProgressDone = 25;

void ShowExclamation(InstallHost& host, const std::string& text) {
  host.ShowMessage(text, MessageButtons::Ok, MessageIcon::Exclamation);
}

}  // namespace

InstallOutcome OnInstallTrack(InstallHost& host, FileSystem& files, const TrackPackage& package) {
  // Read once: the checks get the text as typed, the writing steps without one trailing '\'.
  std::string gameFolder = host.GameFolderText();

  if (CheckIniFilesWritable(host, files, gameFolder) == 1) {
    host.CloseDialog();
    return InstallOutcome::kRefused;
  }
  host.SetProgress(kProgressChecked);

  if (WouldPassSeasonLimit(files, gameFolder, package.trackDirectory)) {
    ShowExclamation(host,
                    "Sorry, maximum number of tracks in GPL reached.\r\n"
                    "You have to remove tracks from 67season.ini to be able to\r\n"
                    "install this track. Click OK to finish.");
    host.CloseDialog();
    return InstallOutcome::kSeasonFull;
  }

  if (!gameFolder.empty() && gameFolder.back() == '\\') gameFolder.pop_back();

  std::string summary;
  const bool copied = CopyTrackFiles(host, files, package, gameFolder);
  if (copied) {
    summary += "Install of track files completed OK\r\n";
  } else {
    ShowExclamation(host,
                    "Something went wrong while installing track files.\r\n"
                    "Please verify that the GPL path is correct.");
    summary += "Install of track files went wrong\r\n";
  }

  // The season files are updated even when the copy failed.
  const bool updated = UpdateSeasonFiles(host, files, package, gameFolder);
  if (updated) {
    summary += "Update of ini file(s) completed OK\r\n";
  } else {
    ShowExclamation(host,
                    "Something went wrong while updating ini file(s).\r\n"
                    "Please verify that the GPL path is correct.");
    summary += "Update of ini file(s) went wrong\r\n";
  }

  host.SetProgress(kProgressDone);
  summary += "\r\nClick OK to finish track install";
  ShowExclamation(host, summary);
  host.CloseDialog();
  if (copied && updated) return InstallOutcome::kDone;
  if (copied) return InstallOutcome::kUpdateFailed;
  return updated ? InstallOutcome::kCopyFailed : InstallOutcome::kBothFailed;
}

bool RecordsTrack(InstallOutcome outcome) {
  return outcome == InstallOutcome::kDone || outcome == InstallOutcome::kCopyFailed;
}

bool CopiedTrackFiles(InstallOutcome outcome) {
  return outcome == InstallOutcome::kDone || outcome == InstallOutcome::kUpdateFailed;
}

PackageOrigin FolderOrigin(const std::string& packageFolder) {
  std::string folder = packageFolder;
  while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  const std::size_t slash = folder.find_last_of("\\/");
  return {folder, "folder", slash == std::string::npos ? folder : folder.substr(slash + 1)};
}

InstallOutcome OnInstallTrackKeepingStep(InstallHost& host, FileSystem& files,
                                         const TrackPackage& package, const std::string& command) {
  std::string gameFolder = host.GameFolderText();
  if (!gameFolder.empty() && gameFolder.back() == '\\') gameFolder.pop_back();
  SeasonService service(files, gameFolder);
  // A folder without a season file is not one the run will write (its check refuses it): no
  // folder of ours is left in it.
  const bool aGame = files.ReadWholeFile(service.PathOf(SeasonFileId::kSeason), 0).has_value();
  // Ends the step however the run ends, the escaping read-only failure included.
  struct StepBracket {
    SeasonService& service;
    bool kept;
    ~StepBracket() {
      if (kept) service.EndCommand();
    }
  } bracket{service, aGame && service.BeginCommand(command)};
  StepKeepingFiles keeping(files, service, package, /*required=*/false);
  const InstallOutcome outcome =
      OnInstallTrack(host, bracket.kept ? static_cast<FileSystem&>(keeping) : files, package);
  if (RecordsTrack(outcome)) service.RememberInstalled(package);
  if (aGame && CopiedTrackFiles(outcome))
    WriteTrackRecord(files, gameFolder, package, FolderOrigin(package.packageFolder),
                     host.IsReplayChecked());
  return outcome;
}

InstallOutcome InstallTrackCopyFirst(InstallHost& host, FileSystem& files,
                                     const TrackPackage& package) {
  std::string gameFolder = host.GameFolderText();
  if (CheckIniFilesWritable(host, files, gameFolder) == 1) return InstallOutcome::kRefused;
  host.SetProgress(kProgressChecked);
  if (WouldPassSeasonLimit(files, gameFolder, package.trackDirectory)) {
    ShowExclamation(host, "67season.ini already holds " + std::to_string(MAX_SEASON_EVENTS) +
                              " events, the most the game reads: remove a track to make room");
    return InstallOutcome::kSeasonFull;
  }
  if (!gameFolder.empty() && gameFolder.back() == '\\') gameFolder.pop_back();

  // CopyTrackFiles has shown the file and the cause.
  if (!CopyTrackFiles(host, files, package, gameFolder)) {
    ShowExclamation(host, "the track files were not all copied; the season files are unchanged");
    return InstallOutcome::kCopyFailed;
  }
  if (!UpdateSeasonFiles(host, files, package, gameFolder)) {
    ShowExclamation(host, "the track files are installed, but the season files could not all "
                          "be updated");
    return InstallOutcome::kUpdateFailed;
  }
  host.SetProgress(kProgressDone);
  return InstallOutcome::kDone;
}

InstallOutcome InstallTrackIntoLibrary(InstallHost& host, FileSystem& files,
                                       const TrackPackage& package) {
  std::string gameFolder = host.GameFolderText();
  if (!gameFolder.empty() && gameFolder.back() == '\\') gameFolder.pop_back();
  host.SetProgress(kProgressChecked);
  if (!CopyTrackFiles(host, files, package, gameFolder)) {
    ShowExclamation(host, "the track files were not all copied; the season files are unchanged");
    return InstallOutcome::kCopyFailed;
  }
  if (!RememberPackageEvent(PlanContext{files, gameFolder}, package)) {
    ShowExclamation(host, "the track files are installed, but the event library could not keep "
                          "its event");
    return InstallOutcome::kUpdateFailed;
  }
  host.SetProgress(kProgressDone);
  return InstallOutcome::kDone;
}

}  // namespace gridmoor
