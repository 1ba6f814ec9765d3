#include "engine/FileErrorText.h"

#include <cstddef>

namespace gridmoor {

namespace {

// Indexed by cause code (platform/FileException.h).
constexpr const char* kFileErrorTexts[] = {
    "No error occurred.",
    "An unspecified error occurred.",
    "The file could not be located.",
    "All or part of the path is invalid.",
    "The permitted number of open files was exceeded.",
    "The file could not be accessed.",
    "There was an attempt to use an invalid file handle.",
    "The current working directory cannot be removed.",
    "There are no more directory entries.",
    "There was an error trying to set the file pointer.",
    "There was a hardware error.",
    "SHARE.EXE was not loaded, or a shared region was locked.",
    "There was an attempt to lock a region that was already locked.",
    "The disk is full.",
    "The end of file was reached.",
};
constexpr int kFileErrorTextCount = static_cast<int>(sizeof kFileErrorTexts / sizeof *kFileErrorTexts);

// Sentences about the file that a failed command could not name; %1 stands for it.
const char* FailedCommandPattern(int cause) {
  switch (cause) {
    case kCauseFileNotFound: return "%1 was not found.";
    case kCauseBadPath: return "%1 contains an invalid path.";
    case kCauseTooManyOpenFiles: return "%1 could not be opened because there are too many open files.";
    case kCauseAccessDenied: return "Access to %1 was denied.";
    case kCauseInvalidFile: return "An invalid file handle was used while accessing %1.";
    case kCauseRemoveCurrentDir: return "%1 could not be removed because it is the current directory.";
    case kCauseDirectoryFull: return "%1 could not be created because the directory is full.";
    case kCauseBadSeek: return "Seeking failed on %1.";
    case kCauseHardIO: return "A hardware I/O error was reported while accessing %1.";
    case kCauseSharingViolation: return "A sharing violation occurred while accessing %1.";
    case kCauseLockViolation: return "A locking violation occurred while accessing %1.";
    case kCauseDiskFull: return "The disk is full while accessing %1.";
    case kCauseEndOfFile: return "An attempt was made to access %1 past its end.";
    default: return "An unknown error occurred while accessing %1.";
  }
}

}  // namespace

const char* FileErrorText(int cause) {
  if (cause < 0 || cause >= kFileErrorTextCount) cause = kCauseGeneric;
  return kFileErrorTexts[cause];
}

const char* FileErrorReason(int cause) {
  if (cause == kCauseSharingViolation)
    return "Another program has the file open (the game, an editor?); close it and try again.";
  return FileErrorText(cause);
}

std::string FileErrorMessage(const CFileException& error) {
  std::string text = FileErrorText(error.Cause());
  text += "\r\n";
  text += error.FileName();
  return text;
}

std::string FailedCommandReport(const CFileException& error) {
  std::string text = FailedCommandPattern(error.Cause());
  const std::size_t at = text.find("%1");
  if (at != std::string::npos) text.replace(at, 2, "an unnamed file");
  return text;
}

}  // namespace gridmoor
