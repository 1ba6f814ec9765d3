#include "platform/FileSystem.h"

#include <cstdio>
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

bool FileSystem::MoveFile(const std::string& from, const std::string& to) {
  try {
    GetStatus(to);
    return false;  // taken
  } catch (const CFileException& error) {
    if (error.Cause() != kCauseFileNotFound) return false;
  }
  try {
    const FileStatus status = GetStatus(from);
    CopyFileOverwrite(from, to);
    if (status.attributes & kAttributeReadOnly) {
      FileStatus writable = status;
      writable.attributes &= ~kAttributeReadOnly;
      SetStatus(from, writable);
    }
    if (RemoveFile(from)) return true;
    RemoveFile(to);
  } catch (const std::exception&) {
  }
  return false;
}

bool FileSystem::ReadInPieces(const std::string& path,
                              const std::function<bool(std::string_view)>& sink) {
  bool truncated = false;
  const std::optional<std::string> bytes = ReadWholeFile(path, std::size_t{1} << 31, &truncated);
  return bytes && !truncated && sink(*bytes);
}

std::string FileSystem::Fingerprint(const std::string& path) {
  try {
    const std::optional<std::string> bytes = ReadExistingFile(path, std::size_t{1} << 31);
    if (!bytes) return "missing";
    return std::to_string(bytes->size()) + " " + DigestText(*bytes);
  } catch (const CFileException& error) {
    return error.Cause() == kCauseFileNotFound || error.Cause() == kCauseBadPath ? "missing"
                                                                                  : "unreadable";
  } catch (const std::exception&) {
    return "unreadable";
  }
}

std::string DigestText(std::string_view bytes) {
  // FNV-1a, 64 bits: enough to tell whether a file still holds what we wrote.
  std::uint64_t hash = 14695981039346656037ull;
  for (const unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  static const char kHex[] = "0123456789abcdef";
  std::string digest(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) digest[i] = kHex[hash & 15];
  return digest;
}

std::string TemporarySuffix(std::uint32_t random) {
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".~%08x", static_cast<unsigned>(random));
  return suffix;
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
