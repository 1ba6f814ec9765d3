#pragma once
#include "engine/InstallHost.h"
#include "engine/TrackPackage.h"
#include "platform/FileSystem.h"

namespace gridmoor {

// How a run ended, for front ends that report more than the boxes (the dialog ignores it).
enum class InstallOutcome {
  kRefused,        // the write-access check stopped the run (read-only kept, file not opened)
  kSeasonFull,     // 67season.ini already holds MAX_SEASON_EVENTS events
  kCopyFailed,     // the track files were not installed; the season files were updated
  kUpdateFailed,   // the season files were not (all) updated; the copy succeeded
  kBothFailed,     // neither step completed
  kDone,           // both steps completed
};

// The whole installation, as "Install Track" runs it: checks, copy, season update, summary,
// and the dialog asked to close. A CFileException from clearing a read-only mark escapes; the
// caller reports it (FailedCommandReport) and the dialog stays open.
InstallOutcome OnInstallTrack(InstallHost& host, FileSystem& files, const TrackPackage& package);

// The installation for a player who is not watching it: the same write-access check and season
// limit, then the copy, and the season files are written only when every track file was
// copied, so no event ever names a track that is not there. Every failure is shown once through
// the host, plainly (no summary box, nothing about closing a dialog); the outcome is never
// kCopyFailed with the season changed, nor kBothFailed. The dialog is not closed. A
// CFileException from clearing a read-only mark escapes, as in OnInstallTrack.
InstallOutcome InstallTrackCopyFirst(InstallHost& host, FileSystem& files,
                                     const TrackPackage& package);

}  // namespace gridmoor
