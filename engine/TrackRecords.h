#pragma once
// Records of installed tracks: seasons\gridmoor-tracks\<track folder>, one file of ours per
// folder of tracks\, written by every install that copied the track's files. It says which
// track the folder holds (so another one is named before it is replaced), where it came from,
// when, and each file the install left with its size and digest (so `verify` can name what
// changed since). Written whole through the safe replace; read only whole and consistent, and
// its file paths only as the install writes them (tracks\<folder>\<plain name>,
// replay\<plain name>), so nothing read from it leads outside the game folder.
//
// A folder installed before records existed simply has none: it is "not recorded", never broken.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/TrackPackage.h"
#include "platform/FileSystem.h"

namespace gridmoor {

constexpr std::size_t kMaxTrackRecordBytes = 64 * 1024;

struct RecordedFile {
  std::string path;  // relative to the game folder: "tracks\calder\pit.lp", "replay\calder.rpy"
  std::uint64_t size = 0;
  std::string digest;  // the bytes' digest (TrackFileDigest in TrackRecords.cpp)
};

// Where a track was installed from.
struct PackageOrigin {
  std::string path;  // the package folder, or the archive it was unpacked from
  std::string kind;  // "folder" or "archive"
  std::string name;  // its file or folder name ("kestrel-1.2.zip", "kestrel-1.2.zip: kestrel")
};

struct TrackRecord {
  std::string trackDirectory;  // the folder in tracks\ (and the record's file name)
  std::string name;            // install.ini `name`
  std::string version;         // install.ini `version`; "" when the package gives none
  PackageOrigin package;
  std::string installedTime;   // local time, "YYYY-MM-DD HH:MM:SS"
  std::vector<RecordedFile> files;
};
bool operator==(const RecordedFile& a, const RecordedFile& b);
bool operator==(const TrackRecord& a, const TrackRecord& b);

// gameFolder\seasons\gridmoor-tracks\<trackDirectory>.
std::string TrackRecordPath(const std::string& gameFolder, const std::string& trackDirectory);

// Why ParseTrackRecord would not read `record` back as it is (a value holding a line break, a
// track folder or file path the install would not write); nullopt when it can be written.
std::optional<std::string> TrackRecordFault(const TrackRecord& record);
std::string SerializeTrackRecord(const TrackRecord& record);
// nullopt with `error` (one line) for anything but a whole, valid record.
std::optional<TrackRecord> ParseTrackRecord(std::string_view bytes, std::string& error);

// The record of a track folder: `record` when there is a valid one; `problem` (one line) when
// there is a file that cannot be read or is damaged; neither when there is none. Never throws.
struct RecordRead {
  std::optional<TrackRecord> record;
  std::string problem;
};
RecordRead ReadTrackRecord(FileSystem& files, const std::string& gameFolder,
                           const std::string& trackDirectory);

// install.ini's `version` in the package folder, or "" when it gives none. Never throws.
std::string ReadPackageVersion(FileSystem& files, const std::string& packageFolder);

// Compares two versions as dotted parts, each its leading number (compared as a number, 0
// without digits) and then the rest as text: "1.10" > "1.9", "2.0b" > "2.0a", "1" == "1.0".
// Negative, 0 or positive as `a` is older, the same or newer than `b`.
int CompareVersions(std::string_view a, std::string_view b);

// Records what an install that copied the package's files left in the game folder (its track
// files and, with `replayCopied`, its replay): their sizes and digests as they are now. Best
// effort and silent: answers whether the record was written; when it was not, an older record
// of the folder is deleted, so no record ever names files another track has replaced. Never
// throws.
bool WriteTrackRecord(FileSystem& files, const std::string& gameFolder,
                      const TrackPackage& package, const PackageOrigin& origin, bool replayCopied);

// One recorded file compared with the game folder now.
enum class FileState { kUnchanged, kChanged, kMissing };
struct FileCheck {
  std::string path;  // as recorded, relative to the game folder
  FileState state = FileState::kUnchanged;
};
// Each file of the record as it is now (size, then digest). Never throws.
std::vector<FileCheck> CheckRecordedFiles(FileSystem& files, const std::string& gameFolder,
                                          const TrackRecord& record);

// An event that names a track folder.
struct EventNaming {
  std::string fileName;  // "67season.ini" or "gp.ini"
  int number = 0;
};

// A folder of tracks\ as `tracks` shows it.
struct InstalledTrack {
  std::string folder;          // as on disk
  std::string name;            // the record's, else the first event's naming it, else ""
  RecordRead record;
  std::uint64_t bytes = 0;     // every file under the folder
  int fileCount = 0;
  std::vector<EventNaming> events;  // in the season files now (letter case aside)
  std::vector<std::string> sets;    // saved sets whose files hold an event naming it
};
// The size of tracks\<folder> (every file under it, as `tracks` counts them), for one track
// without listing the others. Zero files when the folder is missing. Never throws.
struct FolderSize {
  std::uint64_t bytes = 0;
  int fileCount = 0;
};
FolderSize TrackFolderSize(FileSystem& files, const std::string& gameFolder,
                           const std::string& trackDirectory);

// Every folder of gameFolder\tracks, sorted without regard to letter case. Never throws: what
// cannot be read is left out of its track (a set that is not valid names nothing).
std::vector<InstalledTrack> ListInstalledTracks(FileSystem& files, const std::string& gameFolder);

// Another track in the folder a package installs into.
struct FolderHolder {
  std::string folder;         // gameFolder\tracks\<trackDirectory> (an engine path)
  std::string name;           // the track it holds
  std::string installedTime;  // from its record; "" when not recorded
  int filesReplaced = 0;      // its files that the install overwrites
};
// Which other track tracks\<package's folder> holds: named by its record, else by an event of
// 67season.ini (then gp.ini) naming the folder. nullopt when the folder is missing, holds no
// track we can name, or holds the same track (the same name, letter case aside: a newer version
// of it replaces it unasked). Only reads; never throws.
std::optional<FolderHolder> OtherTrackInFolder(FileSystem& files, const std::string& gameFolder,
                                               const TrackPackage& package);

}  // namespace gridmoor
