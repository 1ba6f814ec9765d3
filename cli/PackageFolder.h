#pragma once
// A package folder named on the command line, made into the form the engine reads packages in.

#include <optional>
#include <string>

#include "platform/FileSystem.h"

namespace gridmoor::cli {

// `argument` as an absolute folder path, or nullopt with `error` set when it is no folder.
std::optional<std::string> PackageFolderPath(FileSystem& files, const std::string& argument,
                                             std::string& error);

// Every call goes to another file system, except that the current directory is the package
// folder: the engine reads a package from the current directory.
class PackageFolderFileSystem : public FileSystem {
 public:
  PackageFolderFileSystem(FileSystem& inner, std::string folder)  // `inner` not owned
      : m_inner(inner), m_folder(std::move(folder)) {}

  std::optional<std::string> CurrentDirectory(std::size_t bufferSize) override {
    if (m_folder.size() >= bufferSize) return std::nullopt;
    return m_folder;
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
  bool RemoveFile(const std::string& p) override { return m_inner.RemoveFile(p); }
  bool RemoveFolderTree(const std::string& p) override { return m_inner.RemoveFolderTree(p); }
  int RemoveStaleTemporaries(const std::string& folder) override {
    return m_inner.RemoveStaleTemporaries(folder);
  }
  void FlushFolder(const std::string& folder) override { m_inner.FlushFolder(folder); }

 private:
  FileSystem& m_inner;
  std::string m_folder;
};

}  // namespace gridmoor::cli
