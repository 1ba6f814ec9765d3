#pragma once
// Real package and game folders in temporary folders, golden files, and a file system that
// fails on request, for the engine tests and benchmarks.

#include <atomic>
#include <chrono>
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
#include "platform/ProfileStore.h"

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

// A fresh folder, removed with everything in it (read-only files too) when the test ends.
class TempFolder {
 public:
  TempFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device seed;
    const fs::path base = fs::temp_directory_path();
    do {
      m_path = base / ("gm-engine-" + std::to_string(seed()) + "-" + std::to_string(counter++));
    } while (!fs::create_directory(m_path));
  }
  ~TempFolder() {
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(m_path, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    fs::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const fs::path& Path() const { return m_path; }
  // The folder as the engine gets it (the native form, no trailing separator).
  std::string Text() const { return m_path.string(); }
  fs::path operator/(const std::string& relative) const { return m_path / relative; }

 private:
  fs::path m_path;
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

// The package as LoadPackage would hold it for MakePackage's folder.
inline TrackPackage PackageFor(const TempFolder& folder) {
  TrackPackage package;
  package.packageFolder = folder.Text();
  package.dialogtitel = "Zandvoort 1967 Install";
  package.name = "Grote Prijs van Nederland";
  package.shortname = "Zandvoort";
  package.trackDirectory = "zandvoort";
  package.month = "6";
  package.day = "4";
  package.numberOfLaps = "90";
  package.startingGrid = "3-2-3";
  package.replayfilename = "zandvoort_wr.rpy";
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
class FaultyFileSystem : public FileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& inner) : m_inner(inner) {}  // not owned

  // Throws this cause from the nth CopyFileOverwrite (0-based), naming its target.
  int failCopyAt = -1;
  int failCopyCause = kCauseDiskFull;
  // Throws this cause from SetStatus.
  int failSetStatusCause = -1;
  // ReplaceFileContents answers false for paths ending in this text, or for the nth call.
  std::string failReplaceOf;
  int failReplaceAt = -1;
  // Answers nothing for the current directory, as for one too long for the buffer.
  bool currentDirectoryTooLong = false;

  std::vector<std::string> written;  // every path the engine asked to create or change

  std::optional<std::string> CurrentDirectory(std::size_t bufferSize) override {
    if (currentDirectoryTooLong) return std::nullopt;
    return m_inner.CurrentDirectory(bufferSize);
  }
  void CreateDirectoryLevel(const std::string& path) override {
    written.push_back(path);
    m_inner.CreateDirectoryLevel(path);
  }
  void CopyFileOverwrite(const std::string& from, const std::string& to) override {
    written.push_back(to);
    if (m_copies++ == failCopyAt) throw CFileException(failCopyCause, to);
    m_inner.CopyFileOverwrite(from, to);
  }
  std::unique_ptr<OpenFile> OpenExclusiveForRead(const std::string& path) override {
    return m_inner.OpenExclusiveForRead(path);
  }
  FileStatus GetStatus(const std::string& path) override { return m_inner.GetStatus(path); }
  void SetStatus(const std::string& path, const FileStatus& status) override {
    written.push_back(path);
    if (failSetStatusCause >= 0) throw CFileException(failSetStatusCause, path);
    m_inner.SetStatus(path, status);
  }
  std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes,
                                           bool* truncated) override {
    return m_inner.ReadWholeFile(path, maxBytes, truncated);
  }
  std::optional<std::string> ReadExistingFile(const std::string& path,
                                              std::size_t maxBytes) override {
    return m_inner.ReadExistingFile(path, maxBytes);
  }
  bool ReplaceFileContents(const std::string& path, const std::string& bytes) override {
    written.push_back(path);
    const bool fail = m_replaces++ == failReplaceAt ||
                      (!failReplaceOf.empty() && path.size() >= failReplaceOf.size() &&
                       path.compare(path.size() - failReplaceOf.size(), failReplaceOf.size(),
                                    failReplaceOf) == 0);
    if (fail) return false;
    return m_inner.ReplaceFileContents(path, bytes);
  }

 private:
  FileSystem& m_inner;
  int m_copies = 0;
  int m_replaces = 0;
};

// The real file system and the profile service over a FaultyFileSystem that fails nothing
// until told to.
struct Platform {
  std::unique_ptr<FileSystem> native = MakeNativeFileSystem();
  FaultyFileSystem files{*native};
  ProfileStore profiles{files};
};

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
