#include "platform/FileSystem.h"

#include <exception>

#include "platform/FileException.h"

namespace gridmoor {

std::optional<std::string> FileSystem::ReadExistingFile(const std::string& path,
                                                        std::size_t maxBytes) {
  try {
    GetStatus(path);
  } catch (const CFileException& e) {
    if (e.Cause() == kCauseFileNotFound) return std::nullopt;
    throw;
  }
  bool truncated = false;
  std::optional<std::string> bytes = ReadWholeFile(path, maxBytes, &truncated);
  // It exists, so a failed read is a file held elsewhere or broken, never a missing one.
  if (!bytes) throw CFileException(kCauseSharingViolation, path);
  if (truncated) throw CFileException(kCauseGeneric, path);
  return bytes;
}

std::size_t FileSystem::ReplaceFilesInOrder(
    const std::vector<std::vector<FileReplacement>>& groups) {
  std::size_t done = 0;
  for (const std::vector<FileReplacement>& group : groups) {
    for (const FileReplacement& file : group) {
      try {
        if (!ReplaceFileContents(file.path, file.expected, file.bytes)) return done;
      } catch (const std::exception&) {
        return done;
      }
      ++done;
    }
  }
  return done;
}

bool IsTemporaryFileName(const std::string& name) {
  constexpr std::size_t kSuffix = 10;  // ".~" and 8 hex digits
  if (name.size() <= kSuffix) return false;
  const std::size_t at = name.size() - kSuffix;
  if (name[at] != '.' || name[at + 1] != '~') return false;
  for (std::size_t i = at + 2; i < name.size(); ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

bool IsFolder(FileSystem& files, const std::string& path) {
  try {
    return (files.GetStatus(path).attributes & kAttributeDirectory) != 0;
  } catch (const CFileException&) {
    return false;
  }
}

}  // namespace gridmoor
