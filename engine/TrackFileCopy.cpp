#include "engine/TrackFileCopy.h"

#include "engine/FileErrorText.h"
#include "engine/GameFiles.h"
#include "engine/WaitCursor.h"
#include "platform/FileException.h"

namespace gridmoor {

namespace {

struct TrackFile {
  const char* source;  // in the package folder
  const char* target;  // in the track folder; null: the track folder's name + ".dat"
  int progress;        // bar position once copied
};

constexpr TrackFile kTrackFiles[] = {
    {"dat", nullptr, 8},          {"track.ini", "track.ini", 9}, {"record.ini", "record.ini", 10},
    {"race.lp", "race.lp", 11},   {"pit.lp", "pit.lp", 12},     {"pass1.lp", "pass1.lp", 13},
    {"pass2.lp", "pass2.lp", 14}, {"maxrace.lp", "maxrace.lp", 15},
    {"minrace.lp", "minrace.lp", 16},
};

constexpr int kProgressAfterReplay = 17;

// Names that would reach beyond their folder are refused as a bad path, whoever built the
// package (LoadPackage already refuses them).
void RequirePlainName(const std::string& name, const std::string& path) {
  if (!IsPlainFileName(name)) throw CFileException(kCauseBadPath, path);
}

}  // namespace

std::vector<std::string> InstalledFiles(const TrackPackage& package, bool withReplay) {
  std::vector<std::string> paths;
  const std::string folder = std::string(kTracksFolder + 1) + package.trackDirectory + "\\";
  for (const TrackFile& file : kTrackFiles)
    paths.push_back(folder + (file.target ? std::string(file.target) : package.trackDirectory + ".dat"));
  if (withReplay && package.replayfilename != kMissingValue)
    paths.push_back(std::string(kReplayFolder + 1) + package.replayfilename);
  return paths;
}

std::string TrackFolderOf(const TrackPackage& package, const std::string& gameFolder) {
  return gameFolder + kTracksFolder + package.trackDirectory;
}

std::vector<std::string> TrackFileTargets(const TrackPackage& package, const std::string& gameFolder) {
  std::vector<std::string> targets;
  if (!IsPlainFileName(package.trackDirectory) || package.trackDirectory.empty()) return targets;
  const bool replay = package.replayfilename != kMissingValue && !package.replayfilename.empty() &&
                      IsPlainFileName(package.replayfilename);
  for (const std::string& path : InstalledFiles(package, replay)) targets.push_back(gameFolder + "\\" + path);
  return targets;
}

bool CopyTrackFiles(InstallHost& host, FileSystem& files, const TrackPackage& package,
                    const std::string& gameFolder) {
  WaitCursor waitCursor(host);
  try {
    const std::string trackFolder = gameFolder + kTracksFolder + package.trackDirectory;
    RequirePlainName(package.trackDirectory, trackFolder);
    files.CreateDirectoryLevel(trackFolder);
    // What a killed run of ours left half written goes before anything new is written.
    files.RemoveStaleTemporaries(trackFolder);

    for (const TrackFile& file : kTrackFiles) {
      const std::string target =
          file.target ? std::string(file.target) : package.trackDirectory + ".dat";
      files.CopyFileOverwrite(package.packageFolder + "\\" + file.source,
                              trackFolder + "\\" + target);
      host.SetProgress(file.progress);
    }
    // Each copy flushed its own bytes; the folder's entries are flushed once for all nine.
    files.FlushFolder(trackFolder);

    // A package without a replay has the box cleared and disabled; never copy to "default".
    if (host.IsReplayChecked() && package.replayfilename != kMissingValue) {
      std::string replayFolder = gameFolder + kReplayFolder;
      const std::string target = replayFolder + package.replayfilename;
      RequirePlainName(package.replayfilename, target);
      replayFolder.pop_back();  // its trailing backslash
      files.RemoveStaleTemporaries(replayFolder);
      files.CopyFileOverwrite(package.packageFolder + "\\rpy", target);
      files.FlushFolder(replayFolder);
    }
    host.SetProgress(kProgressAfterReplay);
    return true;
  } catch (const CFileException& error) {
    // Files copied so far stay; the install run reports the failed step.
    host.ShowMessage(FileErrorMessage(error), MessageButtons::Ok, MessageIcon::Exclamation);
    host.SetProgress(0);
    return false;
  }
}

}  // namespace gridmoor
