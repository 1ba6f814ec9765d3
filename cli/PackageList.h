#pragma once
// The packages that install and check are given: package folders as they are, downloaded
// archives unpacked, and folders of downloads searched for both.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/ArchiveUnpack.h"
#include "platform/FileSystem.h"

namespace gridmoor::cli {

// One package to run, or one argument that gives none.
struct PackageSource {
  std::string folder;    // the package folder (absolute); empty when `error` is set
  std::string shown;     // how output names the package: the folder, or "ARCHIVE: FOLDER-INSIDE"
  std::string argument;  // the argument as typed, or `shown` for what was found inside one
  std::string error;     // one line saying why there is no package here
  int status = 0;        // the exit status of `error`
  std::string archive;   // the archive it was unpacked from; empty for a package folder
  int search = 0;        // which searched folder of downloads found it (1, 2...); 0: given as is
};

// The packages of `arguments` in order (none: the current folder, as it is). A folder holding an
// install.ini is one package; another folder is searched, in path order, for package folders
// and archives, and is taken as a package folder when it holds neither. Archives are unpacked
// into a staging folder that this object owns and removes.
class PackageList {
 public:
  PackageList(FileSystem& files, const std::vector<std::string>& arguments,
              UnpackLimits limits = {});
  const std::vector<PackageSource>& Items() const { return m_items; }
  // One line for each file of a searched folder that is not taken, saying why.
  const std::vector<std::string>& Skipped() const { return m_skipped; }
  // Of the packages one folder of downloads holds of one track (its folder and name, letter
  // case aside) with a `version=`, keeps the newest (the first of equal ones), and names each
  // other in Skipped(). Packages without a version, and those given as they are, all stay.
  void SkipOlderVersions(FileSystem& files);
  // The staging folder archives were unpacked into; empty when there was none.
  std::string StagingFolder() const { return m_staging.Folder(); }

 private:
  // `unpackedAs` answers the package folder already taken that a folder of the archive's
  // packages, unpacked beside it, would be; those are skipped.
  void AddArchive(
      const std::string& path, bool searched,
      const std::function<const std::filesystem::path*(const std::filesystem::path&)>& unpackedAs);
  void AddFolder(FileSystem& files, const std::string& folder, const std::string& argument);

  ArchiveStaging m_staging;
  std::vector<PackageSource> m_items;
  std::vector<std::string> m_skipped;
  int m_searches = 0;
};

}  // namespace gridmoor::cli
