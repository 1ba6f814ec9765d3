#pragma once
// A file system for --dry-run: reads pass through to the real one (leaving access times as
// they were), every change is kept in memory and recorded, and later reads see the changes.
// The same engine code then runs over it as in a real run, so the plan is the real run's.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace gridmoor::cli {

class DryRunFileSystem : public FileSystem {
 public:
  explicit DryRunFileSystem(FileSystem& real) : m_real(real) {}  // not owned

  struct Copy {
    std::string from;
    std::string to;
    bool overwrite = false;  // `to` existed
  };
  struct Replace {
    std::string path;
    bool existed = false;
    std::string bytes;  // what the file would hold
  };

  // The changes a real run would make, in the order it would make them.
  const std::vector<std::string>& CreatedFolders() const { return m_createdFolders; }
  const std::vector<Copy>& Copies() const { return m_copies; }
  const std::vector<std::string>& ClearedReadOnly() const { return m_clearedReadOnly; }
  const std::vector<Replace>& Replaces() const { return m_replaces; }
  // The last bytes planned for `path`, or null when the run would not write it.
  const std::string* PlannedBytes(const std::string& path) const;

  std::optional<std::string> CurrentDirectory(std::size_t bufferSize) override;
  void CreateDirectoryLevel(const std::string& path) override;
  void CopyFileOverwrite(const std::string& from, const std::string& to) override;
  std::unique_ptr<OpenFile> OpenExclusiveForRead(const std::string& path) override;
  FileStatus GetStatus(const std::string& path) override;
  void SetStatus(const std::string& path, const FileStatus& status) override;
  std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes,
                                           bool* truncated = nullptr) override;
  bool ReplaceFileContents(const std::string& path, const std::optional<std::string>& expected,
                           const std::string& bytes) override;
  bool RemoveFile(const std::string& path) override;
  bool RemoveFolderTree(const std::string& path) override;
  // A dry run leaves the leftover temporary files where they are and flushes nothing.
  int RemoveStaleTemporaries(const std::string&) override { return 0; }
  void FlushFolder(const std::string&) override {}
  // The real folder's entries; what the plan would create is not listed.
  std::optional<std::vector<FolderEntry>> ListFolder(const std::string& path) override {
    return m_real.ListFolder(path);
  }
  std::string NativePath(const std::string& path) override { return m_real.NativePath(path); }
  // What would stop the real run: the plan changes no owner or permission.
  std::string ReplaceBlocker(const std::string& path) override {
    return m_real.ReplaceBlocker(path);
  }

 private:
  // Whether `path` is a folder, as the run would find it.
  bool IsFolder(const std::string& path);
  // The status the run would find; throws CFileException as the real one does.
  FileStatus StatusOf(const std::string& path);

  FileSystem& m_real;
  std::vector<std::string> m_createdFolders;
  std::vector<Copy> m_copies;
  std::vector<std::string> m_clearedReadOnly;
  std::vector<Replace> m_replaces;
  std::map<std::string, FileStatus> m_status;  // planned statuses of files and folders
  std::map<std::string, std::string> m_bytes;  // planned contents; copies are not kept
  std::set<std::string> m_copied;              // copy targets, whose bytes are the source's
};

}  // namespace gridmoor::cli
