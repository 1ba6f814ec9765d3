#pragma once
#include "engine/InstallHost.h"
#include "engine/TrackPackage.h"
#include "platform/FileSystem.h"
#include "platform/ProfileStore.h"

namespace gridmoor {

// The whole installation, as "Install Track" runs it: checks, copy, season update, summary,
// and the dialog asked to close. A CFileException from clearing a read-only mark escapes; the
// caller reports it (FailedCommandReport) and the dialog stays open.
void OnInstallTrack(InstallHost& host, FileSystem& files, ProfileStore& profiles,
                    const TrackPackage& package);

}  // namespace gridmoor
