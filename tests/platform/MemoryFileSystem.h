#pragma once
// Files held in memory, for tests that run many file operations: reads and replaces as the
// native file systems answer them (a replace compares what the caller expected), counted.
// Only the calls the profile service makes are supported; the rest throw.

#include <map>
#include <string>

#include "platform/FileException.h"
#include "platform/FileSystem.h"

namespace gridmoor::testing {

class MemoryFileSystem : public FileSystem {
 public:
  std::map<std::string, std::string> files;  // path -> bytes
  int reads = 0;
  int replaces = 0;

  std::optional<std::string> CurrentDirectory(std::size_t) override { return std::nullopt; }
  void CreateDirectoryLevel(const std::string& p) override { Unsupported(p); }
  void CopyFileOverwrite(const std::string&, const std::string& to) override { Unsupported(to); }
  std::unique_ptr<OpenFile> OpenExclusiveForRead(const std::string& p) override {
    Unsupported(p);
  }
  FileStatus GetStatus(const std::string& p) override {
    const auto found = files.find(p);
    if (found == files.end()) throw CFileException(kCauseFileNotFound, p);
    return FileStatus{kAttributeNormal, 0, 0, 0, found->second.size()};
  }
  void SetStatus(const std::string& p, const FileStatus&) override { Unsupported(p); }
  std::optional<std::string> ReadWholeFile(const std::string& p, std::size_t,
                                           bool* truncated) override {
    if (truncated) *truncated = false;
    return ReadExistingFile(p, 0);
  }
  std::optional<std::string> ReadExistingFile(const std::string& p, std::size_t) override {
    ++reads;
    const auto found = files.find(p);
    if (found == files.end()) return std::nullopt;
    return found->second;
  }
  bool ReplaceFileContents(const std::string& p, const std::optional<std::string>& expected,
                           const std::string& bytes) override {
    ++replaces;
    const auto found = files.find(p);
    const std::optional<std::string> now =
        found == files.end() ? std::nullopt : std::optional<std::string>(found->second);
    if (now != expected) return false;
    files[p] = bytes;
    return true;
  }
  bool RemoveFile(const std::string& p) override {
    files.erase(p);
    return true;
  }
  bool RemoveFolderTree(const std::string& p) override { Unsupported(p); }
  // Files named folder + "\\" + a temporary name.
  int RemoveStaleTemporaries(const std::string& folder) override {
    int removed = 0;
    for (auto it = files.begin(); it != files.end();) {
      const std::string& path = it->first;
      const bool inFolder = path.size() > folder.size() + 1 &&
                            path.compare(0, folder.size(), folder) == 0 &&
                            path[folder.size()] == '\\' &&
                            path.find('\\', folder.size() + 1) == std::string::npos;
      if (inFolder && IsTemporaryFileName(path.substr(folder.size() + 1))) {
        it = files.erase(it);
        ++removed;
      } else {
        ++it;
      }
    }
    return removed;
  }
  // The files directly in `folder`; folders are not held.
  std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder) override {
    std::vector<FolderEntry> entries;
    for (const auto& [path, bytes] : files) {
      if (path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
          path[folder.size()] == '\\' && path.find('\\', folder.size() + 1) == std::string::npos)
        entries.push_back({path.substr(folder.size() + 1), false});
    }
    return entries;
  }
  void FlushFolder(const std::string&) override {}

 private:
  [[noreturn]] static void Unsupported(const std::string& p) {
    throw CFileException(kCauseGeneric, p);
  }
};

}  // namespace gridmoor::testing
