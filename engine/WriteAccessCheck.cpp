#include "engine/WriteAccessCheck.h"

#include "engine/SeasonHistory.h"

#include "engine/FileErrorText.h"
#include "engine/GameFiles.h"
#include "platform/FileException.h"

namespace gridmoor {

namespace {

constexpr const char* kMustBeWritable =
    "Ini-files must be writable to complete install.\r\nClick OK to finish.";

// E1..E4 for one file. Sets `result` to 1 when the install cannot go on. A failure while
// clearing the mark is not handled here: it escapes as CFileException.
void ExamineIniFile(InstallHost& host, FileSystem& files, const std::string& path,
                    const char* question, int& result) {
  bool clearMark = false;
  try {
    // Held without sharing across the question, so nobody else changes it meanwhile.
    std::unique_ptr<OpenFile> file = files.OpenExclusiveForRead(path);
    if (files.GetStatus(path).attributes & kAttributeReadOnly) {
      if (host.ShowMessage(question, MessageButtons::YesNo, MessageIcon::Exclamation) ==
          MessageAnswer::Yes) {
        clearMark = true;
      } else {
        host.ShowMessage(kMustBeWritable, MessageButtons::Ok, MessageIcon::Exclamation);
        result = 1;
      }
    }
  } catch (const CFileException& error) {
    host.ShowMessage(FileErrorMessage(error), MessageButtons::Ok, MessageIcon::Exclamation);
    result = 1;
    return;
  }

  // Closed by now: the mark is changed on the file at rest.
  if (clearMark) ClearReadOnlyMark(files, path);
}

}  // namespace

int CheckIniFilesWritable(InstallHost& host, FileSystem& files, const std::string& gameFolder) {
  int result = 0;
  ExamineIniFile(host, files, gameFolder + kSeasonFile,
                 "67season.ini is write protected!\r\nDo you wish to remove the readonly flag?",
                 result);
  if (result == 1) return 1;
  if (host.IsChampionshipChecked()) {
    ExamineIniFile(host, files, gameFolder + kChampionshipFile,
                   "gp.ini is write protected!\r\nDo you wish to remove the readonly flag?",
                   result);
  }
  return result;
}

std::vector<std::string> SeasonFilesToWrite(const std::string& gameFolder, bool championship) {
  std::vector<std::string> paths = {gameFolder + kSeasonFile};
  if (championship) paths.push_back(gameFolder + kChampionshipFile);
  return paths;
}

std::optional<std::string> FindWriteBlocker(FileSystem& files, const std::string& gameFolder,
                                            const std::vector<std::string>& paths) {
  std::vector<std::string> all = paths;
  // A step is written into the undo folder, or into seasons\ when that folder is still to be made.
  const std::string undo = HistoryFolder(gameFolder);
  all.push_back(IsFolder(files, undo) ? undo + "\\step" : undo);
  for (const std::string& path : all) {
    std::string reason = files.ReplaceBlocker(path);
    if (!reason.empty()) return reason;
  }
  return std::nullopt;
}

bool HasReadOnlyMark(FileSystem& files, const std::string& path) {
  try {
    return (files.GetStatus(path).attributes & kAttributeReadOnly) != 0;
  } catch (const CFileException&) {
    return false;
  }
}

void ClearReadOnlyMark(FileSystem& files, const std::string& path) {
  FileStatus status = files.GetStatus(path);
  status.attributes &= ~kAttributeReadOnly;
  files.SetStatus(path, status);
}

}  // namespace gridmoor
