#include "cli/DryRunFileSystem.h"

#include "cli/Terminal.h"
#include "platform/FileException.h"

namespace gridmoor::cli {

namespace {

std::string ParentOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos || cut == 0 ? std::string() : path.substr(0, cut);
}

// Planned changes keep the handle of nothing: an exclusive open of a planned file.
class NoFile : public OpenFile {};

}  // namespace

const std::string* DryRunFileSystem::PlannedBytes(const std::string& path) const {
  const auto it = m_bytes.find(path);
  return it == m_bytes.end() ? nullptr : &it->second;
}

std::optional<std::string> DryRunFileSystem::CurrentDirectory(std::size_t bufferSize) {
  return m_real.CurrentDirectory(bufferSize);
}

FileStatus DryRunFileSystem::StatusOf(const std::string& path) {
  const auto planned = m_status.find(path);
  if (planned != m_status.end()) return planned->second;
  return m_real.GetStatus(path);
}

bool DryRunFileSystem::IsFolder(const std::string& path) {
  try {
    return (StatusOf(path).attributes & kAttributeDirectory) != 0;
  } catch (const CFileException&) {
    return false;
  }
}

void DryRunFileSystem::CreateDirectoryLevel(const std::string& path) {
  if (IsFolder(path)) return;
  const std::string parent = ParentOf(path);
  if (!parent.empty() && !IsFolder(parent)) throw CFileException(kCauseBadPath, path);
  try {
    StatusOf(path);
    throw CFileException(kCauseAccessDenied, path);  // a file stands in the way
  } catch (const CFileException& error) {
    if (error.Cause() == kCauseAccessDenied) throw;
  }
  m_status[path] = FileStatus{kAttributeDirectory, 0, 0, 0};
  m_createdFolders.push_back(path);
}

void DryRunFileSystem::CopyFileOverwrite(const std::string& from, const std::string& to) {
  const FileStatus source = StatusOf(from);  // throws naming `from`, as the copy would
  if (source.attributes & kAttributeDirectory) throw CFileException(kCauseAccessDenied, from);
  if (!IsFolder(ParentOf(to))) throw CFileException(kCauseBadPath, to);
  bool overwrite = false;
  try {
    const FileStatus target = StatusOf(to);
    if (target.attributes & (kAttributeDirectory | kAttributeReadOnly))
      throw CFileException(kCauseAccessDenied, to);
    overwrite = true;
  } catch (const CFileException& error) {
    if (error.Cause() == kCauseAccessDenied) throw;
  }
  m_status[to] = FileStatus{kAttributeArchive, 0, 0, 0};
  m_bytes.erase(to);
  m_copied.insert(to);
  m_copies.push_back({from, to, overwrite});
}

std::unique_ptr<OpenFile> DryRunFileSystem::OpenExclusiveForRead(const std::string& path) {
  if (m_status.count(path)) {
    StatusOf(path);
    return std::make_unique<NoFile>();
  }
  return m_real.OpenExclusiveForRead(path);
}

FileStatus DryRunFileSystem::GetStatus(const std::string& path) { return StatusOf(path); }

void DryRunFileSystem::SetStatus(const std::string& path, const FileStatus& status) {
  const FileStatus before = StatusOf(path);
  if ((before.attributes & kAttributeReadOnly) && !(status.attributes & kAttributeReadOnly))
    m_clearedReadOnly.push_back(path);
  FileStatus planned = before;
  planned.attributes = status.attributes;
  m_status[path] = planned;
}

std::optional<std::string> DryRunFileSystem::ReadWholeFile(const std::string& path,
                                                           std::size_t maxBytes,
                                                           bool* truncated) {
  if (const std::string* planned = PlannedBytes(path)) {
    if (truncated) *truncated = planned->size() > maxBytes;
    return planned->substr(0, maxBytes);
  }
  // A copy target holds its source's bytes.
  for (auto it = m_copies.rbegin(); it != m_copies.rend(); ++it) {
    if (it->to == path) return ReadLeavingAccessTime(it->from, maxBytes, truncated);
  }
  return ReadLeavingAccessTime(path, maxBytes, truncated);
}

bool DryRunFileSystem::ReplaceFileContents(const std::string& path,
                                           const std::optional<std::string>& expected,
                                           const std::string& bytes) {
  if (!IsFolder(ParentOf(path))) return false;
  std::optional<std::string> current;
  try {
    const FileStatus status = StatusOf(path);
    if (status.attributes & (kAttributeReadOnly | kAttributeDirectory)) return false;
    current = ReadWholeFile(path, 64 * 1024 * 1024);
    if (!current) return false;
  } catch (const CFileException& error) {
    if (error.Cause() != kCauseFileNotFound) return false;
  }
  if (current != expected) return false;
  m_status[path] = current ? StatusOf(path) : FileStatus{kAttributeArchive, 0, 0, 0};
  m_bytes[path] = bytes;
  m_replaces.push_back({path, current.has_value(), bytes});
  return true;
}

// The install deletes nothing; the season commands plan their deletions without a dry-run file
// system. So a deletion only answers that it would succeed.
bool DryRunFileSystem::RemoveFile(const std::string&) { return true; }

bool DryRunFileSystem::RemoveFolderTree(const std::string&) { return true; }

}  // namespace gridmoor::cli
