#pragma once
// A failed file operation: a cause code and the name the operation was called with.

#include <exception>
#include <string>

namespace gridmoor {

// Cause codes, the indexes of the file-error texts the user sees (engine/FileErrorText.h).
enum FileCause : int {
  kCauseNone = 0,
  kCauseGeneric = 1,
  kCauseFileNotFound = 2,
  kCauseBadPath = 3,
  kCauseTooManyOpenFiles = 4,
  kCauseAccessDenied = 5,
  kCauseInvalidFile = 6,
  kCauseRemoveCurrentDir = 7,
  kCauseDirectoryFull = 8,
  kCauseBadSeek = 9,
  kCauseHardIO = 10,
  kCauseSharingViolation = 11,
  kCauseLockViolation = 12,
  kCauseDiskFull = 13,
  kCauseEndOfFile = 14,
};

class CFileException : public std::exception {
 public:
  CFileException(int cause, std::string fileName)
      : m_cause(cause), m_strFileName(std::move(fileName)) {}

  int Cause() const noexcept { return m_cause; }
  // The path exactly as the failing operation was given it (backslashes and all).
  const std::string& FileName() const noexcept { return m_strFileName; }
  const char* what() const noexcept override { return "file operation failed"; }

 private:
  int m_cause;
  std::string m_strFileName;
};

}  // namespace gridmoor
