#pragma once
// What each system gives the staging of archives (Staging_posix.cpp, Staging_win.cpp): its
// private folder, the files written into it, and the readers other than our zip reader. The
// bookkeeping over them is one (ArchiveStaging.cpp).

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/ArchiveRules.h"
#include "engine/ZipUnpack.h"

namespace gridmoor {

// One archive read twice: its entries listed under the rules, then those inside the package
// folders `roots` written into the folder `into`.
class ArchiveReader {
 public:
  virtual ~ArchiveReader() = default;
  virtual std::optional<Refusal> List(std::vector<std::string>& files) = 0;
  virtual std::optional<Refusal> Extract(const std::vector<std::string>& roots,
                                         const std::string& into) = 0;
};

// The name every staging folder of ours begins with.
inline constexpr const char* kStagingPrefix = "gridmoor-unpack-";

// The system's temporary folder.
std::string TemporaryFolder();

// Removes the staging folders in `temp` that runs which ended without cleaning up left behind:
// only names of ours, only this user's, never one a running program still holds.
void RemoveLeftoverStaging(const std::string& temp);

// One private staging folder in `temp` (only this user may enter it), made under a new name;
// removed with its contents when this goes.
class StagingFolder {
 public:
  // nullptr with `error` set when none can be made.
  static std::unique_ptr<StagingFolder> Make(const std::string& temp, std::string& error);
  virtual ~StagingFolder() = default;
  const std::string& Path() const { return m_path; }

 protected:
  explicit StagingFolder(std::string path) : m_path(std::move(path)) {}

 private:
  std::string m_path;
};

// Makes the private folder `path`, whose parent exists; false with `why` set when it cannot.
bool MakePrivateFolder(const std::string& path, std::string& why);
// Removes `path` and what it holds, best effort.
void RemoveTree(const std::string& path);
// The folder of the package at the safe entry path `root` of the archive unpacked into `into`,
// as the engine addresses it.
std::string PackageFolderIn(const std::string& into, const std::string& root);
// The files of an archive written into `into` with this system's calls.
std::unique_ptr<UnpackTarget> MakeUnpackTarget(const std::string& into);
// The reader of an archive other than a zip; nullptr where this build reads zips only.
std::unique_ptr<ArchiveReader> OpenOtherArchive(const std::string& path,
                                                const UnpackLimits& limits);

}  // namespace gridmoor
