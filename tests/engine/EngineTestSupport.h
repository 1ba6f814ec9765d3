#pragma once
// Real package and game folders in temporary folders, golden files, and a file system that
// fails on request, for the engine tests and benchmarks.

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/TrackPackage.h"
#include "platform/FileException.h"
#include "platform/FileSystem.h"
#include "platform/ForwardingFileSystem.h"
#include "engine/ProfileValue.h"
#include "platform/ProfileDocument.h"
#include "platform/TestFolder.h"

namespace gridmoor::testing {

namespace fs = std::filesystem;

inline std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A fresh folder, removed with everything in it when the test ends, named the engine's way.
class TempFolder : public TestFolder {
 public:
  const fs::path& Path() const { return Root(); }
  // The folder as the engine gets it (the native form, no trailing separator).
  std::string Text() const { return Folder(); }
  fs::path operator/(const std::string& relative) const { return Root() / relative; }
};

// Every file under `root` with its bytes, keyed by the path relative to it ('/' separated).
inline std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file())
      files[entry.path().lexically_relative(root).generic_string()] = ReadBytes(entry.path());
  }
  return files;
}

// Test data shipped with the sources (tests/data/engine/...).
inline fs::path DataPath(const std::string& relative) {
  return fs::path(GRIDMOOR_TEST_DATA_DIR) / "engine" / relative;
}

// The nine track files as the package names them, in copy order.
inline const std::vector<std::string>& PackageTrackFiles() {
  static const std::vector<std::string> names = {"dat",     "track.ini", "record.ini",
                                                 "race.lp", "pit.lp",    "pass1.lp",
                                                 "pass2.lp", "maxrace.lp", "minrace.lp"};
  return names;
}
// The name a package's track file gets in the game's track folder.
inline std::string InstalledName(const std::string& name) {
  return name == "dat" ? "zandvoort.dat" : name;
}
// Distinct bytes per file, so a file copied under the wrong name shows.
inline std::string TrackFileBytes(const std::string& name) {
  return "contents of " + name + "\r\n\x01\x02\xff";
}

// install.ini lines for a complete package of the track "Zandvoort" with a replay.
inline std::vector<std::pair<std::string, std::string>> FullDescription() {
  return {{"dialogtitel", "Zandvoort 1967 Install"},
          {"name", "Grote Prijs van Nederland"},
          {"shortname", "Zandvoort"},
          {"trackDirectory", "zandvoort"},
          {"month", "6"},
          {"day", "4"},
          {"numberOfLaps", "90"},
          {"startingGrid", "3-2-3"},
          {"replayfilename", "zandvoort_wr.rpy"}};
}

inline std::string DescriptionText(const std::vector<std::pair<std::string, std::string>>& keys) {
  std::string text = "[installinfo]\r\n";
  for (const auto& [key, value] : keys) text += key + "=" + value + "\r\n";
  return text;
}

// A package folder with install.ini, readme.txt, the nine track files and the replay.
inline void MakePackage(const fs::path& folder,
                        const std::vector<std::pair<std::string, std::string>>& keys =
                            FullDescription()) {
  WriteBytes(folder / "install.ini", DescriptionText(keys));
  WriteBytes(folder / "readme.txt", "Zandvoort\nby the track team\n");
  for (const std::string& name : PackageTrackFiles()) WriteBytes(folder / name, TrackFileBytes(name));
  WriteBytes(folder / "rpy", TrackFileBytes("rpy"));
}

// The description's keys in the order the load reads them, with the field each one fills.
inline const std::pair<const char*, std::string TrackPackage::*> kDescriptionFields[] = {
    {"dialogtitel", &TrackPackage::dialogtitel},   {"name", &TrackPackage::name},
    {"shortname", &TrackPackage::shortname},       {"trackDirectory", &TrackPackage::trackDirectory},
    {"month", &TrackPackage::month},               {"day", &TrackPackage::day},
    {"numberOfLaps", &TrackPackage::numberOfLaps}, {"startingGrid", &TrackPackage::startingGrid},
    {"replayfilename", &TrackPackage::replayfilename}};

// The package as LoadPackage would hold it for MakePackage's folder.
inline TrackPackage PackageFor(const TempFolder& folder) {
  TrackPackage package;
  package.packageFolder = folder.Text();
  for (const auto& [key, value] : FullDescription()) {
    for (const auto& [name, field] : kDescriptionFields)
      if (key == name) package.*field = value;
  }
  return package;
}

// A game folder with tracks\, replay\ and seasons\67season.ini.
inline void MakeGameFolder(const fs::path& folder, const std::string& season) {
  fs::create_directories(folder / "tracks");
  fs::create_directories(folder / "replay");
  WriteBytes(folder / "seasons" / "67season.ini", season);
}

// A season file text with `count` events named track1.., CR LF line ends as the game has them.
inline std::string SeasonWithEvents(int count) {
  std::string text = "[Season]\r\nnumEvents=" + std::to_string(count) + "\r\n";
  for (int i = 1; i <= count; ++i) {
    const std::string n = std::to_string(i);
    text += "\r\n[Event" + n + "]\r\nname=Race " + n + "\r\nshortname=R" + n +
            "\r\ntrackDirectory=track" + n + "\r\nnumberOfLaps=40\r\nday=1\r\nmonth=5\r\n" +
            "startingGrid=2-2\r\n";
  }
  return text;
}

// Forwards to a real file system; fails chosen calls and records every path written to.
class FaultyFileSystem : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;

  // Throws this cause from the nth CopyFileOverwrite (0-based), naming its target.
  int failCopyAt = -1;
  int failCopyCause = kCauseDiskFull;
  // Throws this cause from SetStatus.
  int failSetStatusCause = -1;
  // ReadExistingFile throws a sharing violation for paths ending in this text, as when
  // another program holds the file.
  std::string failReadOf;
  // ReplaceFileContents answers false for paths ending in this text, or for the nth call.
  std::string failReplaceOf;
  int failReplaceAt = -1;
  // Answers nothing for the current directory, as for one too long for the buffer.
  bool currentDirectoryTooLong = false;

  std::vector<std::string> written;  // every path the engine asked to create or change

  std::optional<std::string> CurrentDirectory(std::size_t bufferSize) override {
    if (currentDirectoryTooLong) return std::nullopt;
    return ForwardingFileSystem::CurrentDirectory(bufferSize);
  }
  void CreateDirectoryLevel(const std::string& path) override {
    written.push_back(path);
    ForwardingFileSystem::CreateDirectoryLevel(path);
  }
  void CopyFileOverwrite(const std::string& from, const std::string& to) override {
    written.push_back(to);
    if (m_copies++ == failCopyAt) throw CFileException(failCopyCause, to);
    ForwardingFileSystem::CopyFileOverwrite(from, to);
  }
  void SetStatus(const std::string& path, const FileStatus& status) override {
    written.push_back(path);
    if (failSetStatusCause >= 0) throw CFileException(failSetStatusCause, path);
    ForwardingFileSystem::SetStatus(path, status);
  }
  std::optional<std::string> ReadExistingFile(const std::string& path,
                                              std::size_t maxBytes) override {
    if (EndsWith(path, failReadOf)) throw CFileException(kCauseSharingViolation, path);
    return ForwardingFileSystem::ReadExistingFile(path, maxBytes);
  }
  bool ReplaceFileContents(const std::string& path, const std::optional<std::string>& expected,
                           const std::string& bytes) override {
    written.push_back(path);
    if (m_replaces++ == failReplaceAt || EndsWith(path, failReplaceOf)) return false;
    return ForwardingFileSystem::ReplaceFileContents(path, expected, bytes);
  }

 private:
  static bool EndsWith(const std::string& path, const std::string& end) {
    return !end.empty() && path.size() >= end.size() &&
           path.compare(path.size() - end.size(), end.size(), end) == 0;
  }

  int m_copies = 0;
  int m_replaces = 0;
};

// The real file system under a FaultyFileSystem that fails nothing until told to.
struct Platform {
  std::unique_ptr<FileSystem> native = MakeNativeFileSystem();
  FaultyFileSystem files{*native};
};

// Box texts that more than one step shows.
constexpr const char* kSeasonQuestion =
    "67season.ini is write protected!\r\nDo you wish to remove the readonly flag?";
constexpr const char* kMustBeWritable =
    "Ini-files must be writable to complete install.\r\nClick OK to finish.";

// Bar positions of a whole track file copy and of a season update.
inline const std::vector<int> kCopyProgress = {8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
inline const std::vector<int> kSeasonProgress = {17, 18, 19, 20, 21, 22, 23, 24, 25};

// A value as the engine reads it, "default" when it is missing.
inline std::string ProfileValue(FileSystem& files, const char* section, const char* key,
                                const std::string& path) {
  return ReadProfileValue(ProfileDocument::Load(files, path), section, key);
}

// Marks a file read-only (or clears the mark) through the platform's own notion of the mark.
inline void SetReadOnly(FileSystem& files, const std::string& path, bool readOnly) {
  FileStatus status = files.GetStatus(path);
  status.attributes = readOnly ? (status.attributes | kAttributeReadOnly)
                               : (status.attributes & ~kAttributeReadOnly);
  files.SetStatus(path, status);
}

// Makes the current directory `folder` for the life of the object.
class CurrentDirectoryScope {
 public:
  explicit CurrentDirectoryScope(const fs::path& folder) : m_saved(fs::current_path()) {
    fs::current_path(folder);
  }
  ~CurrentDirectoryScope() {
    std::error_code ignored;
    fs::current_path(m_saved, ignored);
  }
  CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
  CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

 private:
  fs::path m_saved;
};

}  // namespace gridmoor::testing
