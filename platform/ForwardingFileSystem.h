#pragma once
// A file system that hands every call to another. Wrappers derive from it and override only the
// calls they change: the command line's package folder, and the tests' failing and recording
// doubles.

#include "platform/FileSystem.h"

namespace gridmoor {

class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& inner) : m_inner(inner) {}  // not owned

  std::optional<std::string> CurrentDirectory(std::size_t size) override {
    return m_inner.CurrentDirectory(size);
  }
  void CreateDirectoryLevel(const std::string& p) override { m_inner.CreateDirectoryLevel(p); }
  void CopyFileOverwrite(const std::string& from, const std::string& to) override {
    m_inner.CopyFileOverwrite(from, to);
  }
  std::unique_ptr<OpenFile> OpenExclusiveForRead(const std::string& p) override {
    return m_inner.OpenExclusiveForRead(p);
  }
  FileStatus GetStatus(const std::string& p) override { return m_inner.GetStatus(p); }
  void SetStatus(const std::string& p, const FileStatus& s) override { m_inner.SetStatus(p, s); }
  std::optional<std::string> ReadWholeFile(const std::string& p, std::size_t max,
                                           bool* truncated) override {
    return m_inner.ReadWholeFile(p, max, truncated);
  }
  std::optional<std::string> ReadExistingFile(const std::string& p, std::size_t max) override {
    return m_inner.ReadExistingFile(p, max);
  }
  bool ReplaceFileContents(const std::string& p, const std::optional<std::string>& expected,
                           const std::string& bytes) override {
    return m_inner.ReplaceFileContents(p, expected, bytes);
  }
  // ReplaceFilesInOrder is not forwarded: the default goes through ReplaceFileContents above,
  // so a wrapper that changes or fails single replaces sees every file of a batch.
  bool RemoveFile(const std::string& p) override { return m_inner.RemoveFile(p); }
  bool MoveFile(const std::string& from, const std::string& to) override {
    return m_inner.MoveFile(from, to);
  }
  std::string Fingerprint(const std::string& p) override { return m_inner.Fingerprint(p); }
  bool ReadInPieces(const std::string& p,
                    const std::function<bool(std::string_view)>& sink) override {
    return m_inner.ReadInPieces(p, sink);
  }
  bool RemoveFolderTree(const std::string& p) override { return m_inner.RemoveFolderTree(p); }
  int RemoveStaleTemporaries(const std::string& folder) override {
    return m_inner.RemoveStaleTemporaries(folder);
  }
  std::optional<std::vector<FolderEntry>> ListFolder(const std::string& p) override {
    return m_inner.ListFolder(p);
  }
  void FlushFolder(const std::string& folder) override { m_inner.FlushFolder(folder); }
  std::string NativePath(const std::string& p) override { return m_inner.NativePath(p); }
  std::string ReplaceBlocker(const std::string& p) override { return m_inner.ReplaceBlocker(p); }

 private:
  FileSystem& m_inner;
};

}  // namespace gridmoor
