#include "platform/FileSystem.h"

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

}  // namespace gridmoor
