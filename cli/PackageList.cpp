#include "cli/PackageList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "cli/Cli.h"
#include "cli/PackageFolder.h"
#include "platform/FileException.h"

namespace gridmoor::cli {

namespace {

namespace fs = std::filesystem;

bool HoldsInstallIni(FileSystem& files, const std::string& folder) {
  try {
    return !(files.GetStatus(folder + "\\install.ini").attributes & kAttributeDirectory);
  } catch (const CFileException&) {
    return false;
  }
}

// The folders and archives under `folder` in path order; a package folder's inside is its own.
void Search(FileSystem& files, const fs::path& folder, std::vector<fs::path>& packages,
            std::vector<bool>& isArchive) {
  std::vector<fs::path> children;
  std::error_code failed;
  for (fs::directory_iterator it(folder, failed), end; !failed && it != end; it.increment(failed))
    children.push_back(it->path());
  std::sort(children.begin(), children.end());
  for (const fs::path& child : children) {
    std::error_code ignored;
    if (fs::is_symlink(child, ignored)) continue;  // a link may lead anywhere, even back up
    if (fs::is_directory(child, ignored)) {
      if (HoldsInstallIni(files, child.string())) {
        packages.push_back(child);
        isArchive.push_back(false);
      } else {
        Search(files, child, packages, isArchive);
      }
    } else if (fs::is_regular_file(child, ignored)) {
      const ArchiveKind kind = SniffArchive(child.string());
      // A program is a self-extracting archive only if its name says it runs as one.
      std::string extension = child.extension().string();
      std::transform(extension.begin(), extension.end(), extension.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      if (kind == ArchiveKind::kNone) continue;
      if (kind == ArchiveKind::kProgram && (extension != ".exe" || !CanUnpackArchives())) continue;
      packages.push_back(child);
      isArchive.push_back(true);
    }
  }
}

}  // namespace

PackageList::PackageList(FileSystem& files, const std::vector<std::string>& arguments,
                         UnpackLimits limits)
    : m_staging(limits) {
  if (arguments.empty()) {
    // The current folder is the package, as for the dialog; it is not searched: run from a
    // home folder, a search would install every download in it.
    std::string error;
    std::optional<std::string> folder = PackageFolderPath(files, ".", error);
    m_items.push_back({folder.value_or(""), folder.value_or("."), ".", folder ? "" : error,
                       folder ? 0 : kExitInvalidPackage});
    return;
  }
  for (const std::string& argument : arguments) {
    std::string error;
    std::optional<std::string> folder = PackageFolderPath(files, argument, error);
    if (folder) {
      AddFolder(files, *folder, argument);
      continue;
    }
    std::error_code failed;
    if (fs::is_regular_file(argument, failed) && SniffArchive(argument) != ArchiveKind::kNone) {
      AddArchive(argument, false);
      continue;
    }
    if (fs::is_regular_file(argument, failed))
      error = argument + ": a file, not a package folder nor an archive";
    m_items.push_back({"", argument, argument, error, kExitInvalidPackage});
  }
}

void PackageList::AddFolder(FileSystem& files, const std::string& folder,
                            const std::string& argument) {
  if (!HoldsInstallIni(files, folder)) {
    std::vector<fs::path> found;
    std::vector<bool> isArchive;
    Search(files, folder, found, isArchive);
    if (!found.empty()) {
      for (std::size_t i = 0; i < found.size(); ++i) {
        if (isArchive[i]) {
          AddArchive(found[i].string(), true);
        } else {
          m_items.push_back({found[i].string(), found[i].string(), found[i].string(), "", 0});
        }
      }
      return;
    }
  }
  // Also a folder without install.ini: the engine says what is missing, as for any package.
  m_items.push_back({folder, folder, argument, "", 0});
}

void PackageList::AddArchive(const std::string& path, bool searched) {
  if (!CanUnpackArchives()) {
    m_items.push_back({"", path, path, path + ": an archive; unpack it first", kExitInvalidPackage});
    return;
  }
  UnpackedArchive archive = m_staging.Unpack(path);
  if (!archive.ok) {
    // A program in a folder of downloads that holds no archive is just another download.
    if (archive.notAnArchive && searched && SniffArchive(path) == ArchiveKind::kProgram) return;
    if (archive.notAnArchive && SniffArchive(path) == ArchiveKind::kProgram)
      archive.error = path + ": a program, not a self-extracting archive that can be read";
    m_items.push_back({"", path, path, archive.error, kExitInvalidPackage});
    return;
  }
  for (std::size_t i = 0; i < archive.folders.size(); ++i) {
    const std::string& root = archive.roots[i];
    const std::string shown = root.empty() ? path : path + ": " + root;
    m_items.push_back({archive.folders[i], shown, shown, "", 0});
  }
}

}  // namespace gridmoor::cli
