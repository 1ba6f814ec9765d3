#pragma once
// The file system an install writes through: right before its first copy into the game's
// folders, the files the package replaces or adds are kept in the command's undo step (the old
// ones moved into it), so a file is kept before it is overwritten, never after.

#include <string>

#include "engine/SeasonService.h"
#include "engine/TrackFileCopy.h"
#include "engine/TrackRecords.h"
#include "platform/FileException.h"
#include "platform/ForwardingFileSystem.h"

namespace gridmoor {

class StepKeepingFiles : public ForwardingFileSystem {
 public:
  // `required`: a copy the step cannot hold is refused (the command line); else it goes on
  // without (the dialog keeps its step best effort).
  StepKeepingFiles(FileSystem& inner, SeasonService& service, const TrackPackage& package,
                   bool required)
      : ForwardingFileSystem(inner), m_service(service), m_required(required) {
    const std::string& game = service.GameFolder();
    m_scope.gameFiles = TrackFileTargets(package, game);
    m_scope.folders.push_back(TrackFolderOf(package, game));
    m_scope.ownFiles.push_back(game + kLibraryFile);
    m_scope.ownFiles.push_back(TrackRecordPath(game, package.trackDirectory));
  }

  // The copy makes the track's folder first: the step notes whether it was there.
  void CreateDirectoryLevel(const std::string& path) override {
    Keep();
    ForwardingFileSystem::CreateDirectoryLevel(path);
  }

  void CopyFileOverwrite(const std::string& from, const std::string& to) override {
    Keep();
    ForwardingFileSystem::CopyFileOverwrite(from, to);
  }

 private:
  void Keep() {
    if (!m_asked) {
      m_asked = true;
      m_kept = !m_scope.gameFiles.empty() && m_service.KeepFiles(m_scope);
    }
    if (!m_kept && m_required)
      throw CFileException(kCauseGeneric, HistoryFolder(m_service.GameFolder()));
  }

  SeasonService& m_service;
  bool m_required;
  StepScope m_scope;
  bool m_asked = false;
  bool m_kept = false;
};

}  // namespace gridmoor
