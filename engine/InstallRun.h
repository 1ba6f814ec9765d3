#pragma once
#include "engine/InstallHost.h"
#include "engine/TrackPackage.h"
#include "engine/TrackRecords.h"
#include "platform/FileSystem.h"

namespace gridmoor {

// How a run ended, for front ends that report more than the boxes (the dialog ignores it).
enum class InstallOutcome {
  kRefused,        // the write-access check stopped the run (read-only kept, file not opened)
  kSeasonFull,     // 67season.ini already holds MAX_SEASON_EVENTS events, none naming the track
  kCopyFailed,     // the track files were not installed; the season files were updated
  kUpdateFailed,   // the season files were not (all) updated; the copy succeeded
  kBothFailed,     // neither step completed
  kDone,           // both steps completed
};

// Whether a run that ended so leaves the package's event for the event library to record (the
// season update ran and succeeded). Every front end records on the same outcomes.
bool RecordsTrack(InstallOutcome outcome);
// Whether a run that ended so copied every track file (so the folder's track record is written).
bool CopiedTrackFiles(InstallOutcome outcome);

// The whole installation, as "Install Track" runs it: checks, copy, season update, summary,
// and the dialog asked to close. A CFileException from clearing a read-only mark escapes; the
// caller reports it (FailedCommandReport) and the dialog stays open.
InstallOutcome OnInstallTrack(InstallHost& host, FileSystem& files, const TrackPackage& package);

// OnInstallTrack with the season service around it, as the dialog runs it: the season files are
// kept as an undo step first (so `restore` undoes the install; the step is dropped when the run
// changed nothing) and the installed event is remembered in the event library after. Both are
// best effort and silent, as is the track's record (TrackRecords.h) after a copy: the run, its messages and its outcome are OnInstallTrack's.
// `command` is the step's record. Lets the same CFileException out as OnInstallTrack.
InstallOutcome OnInstallTrackKeepingStep(InstallHost& host, FileSystem& files,
                                         const TrackPackage& package, const std::string& command);
// The installation for a player who is not watching it: the same write-access check and season
// limit, then the copy, and the season files are written only when every track file was
// copied, so no event ever names a track that is not there. Every failure is shown once through
// the host, plainly (no summary box, nothing about closing a dialog); the outcome is never
// kCopyFailed with the season changed, nor kBothFailed. The dialog is not closed. A
// CFileException from clearing a read-only mark escapes, as in OnInstallTrack.
InstallOutcome InstallTrackCopyFirst(InstallHost& host, FileSystem& files,
                                     const TrackPackage& package);

// The installation for a collector: the track files copied and the package's event kept only in
// the event library (for `add` or a set later); the season files are neither read for their
// limit nor written, so it works when the season is full. kDone, or kCopyFailed (shown once
// through the host, as in InstallTrackCopyFirst), or kUpdateFailed when the files are copied
// but the library could not keep the event.
InstallOutcome InstallTrackIntoLibrary(InstallHost& host, FileSystem& files,
                                       const TrackPackage& package);

// The package a folder is, as a track record names it.
PackageOrigin FolderOrigin(const std::string& packageFolder);

}  // namespace gridmoor
