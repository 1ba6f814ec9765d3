#include "cli/PackageList.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "cli/Cli.h"
#include "cli/PackageFolder.h"
#include "engine/ProfileValue.h"
#include "engine/SeasonRules.h"
#include "engine/TrackRecords.h"
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
// Every other file is named in `skipped` with the reason.
void Search(FileSystem& files, const fs::path& folder, std::vector<fs::path>& packages,
            std::vector<bool>& isArchive, std::vector<std::string>& skipped) {
  std::vector<fs::path> children;
  std::error_code failed;
  for (fs::directory_iterator it(folder, failed), end; !failed && it != end; it.increment(failed))
    children.push_back(it->path());
  if (failed) skipped.push_back(folder.string() + ": cannot be searched: " + failed.message());
  std::sort(children.begin(), children.end());
  for (const fs::path& child : children) {
    std::error_code ignored;
    if (fs::is_symlink(child, ignored)) {  // a link may lead anywhere, even back up
      skipped.push_back(child.string() + ": a link, not followed");
      continue;
    }
    if (fs::is_directory(child, ignored)) {
      if (HoldsInstallIni(files, child.string())) {
        packages.push_back(child);
        isArchive.push_back(false);
      } else {
        Search(files, child, packages, isArchive, skipped);
      }
      continue;
    }
    if (!fs::is_regular_file(child, ignored)) {
      skipped.push_back(child.string() + ": not a file nor a folder");
      continue;
    }
    if (!std::ifstream(child, std::ios::binary)) {
      skipped.push_back(child.string() + ": cannot be read: " + std::strerror(errno));
      continue;
    }
    const ArchiveKind kind = SniffArchive(child.string());
    // A program is a self-extracting archive only if its name says it runs as one.
    std::string extension = child.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (kind == ArchiveKind::kNone) {
      skipped.push_back(child.string() + ": not a package folder nor an archive");
      continue;
    }
    if (kind == ArchiveKind::kProgram && extension != ".exe") {
      skipped.push_back(child.string() + ": a program whose name does not end in .exe");
      continue;
    }
    if (kind == ArchiveKind::kProgram && !CanUnpack(kind)) {
      skipped.push_back(child.string() + ": a program; run it to unpack it first");
      continue;
    }
    packages.push_back(child);
    isArchive.push_back(true);
  }
}

// The folder that unpacking the archive `path` where it lies makes: its name without the
// archive's extension ("a.tar.gz" gives "a").
fs::path UnpackedBeside(const fs::path& path) {
  fs::path stem = path.stem();
  std::string inner = stem.extension().string();
  std::transform(inner.begin(), inner.end(), inner.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (inner == ".tar") stem = stem.stem();
  return path.parent_path() / stem;
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
                       folder ? 0 : kExitInvalidPackage, ""});
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
      AddArchive(argument, false, {});
      continue;
    }
    if (fs::is_regular_file(argument, failed))
      error = argument + ": a file, not a package folder nor an archive";
    m_items.push_back({"", argument, argument, error, kExitInvalidPackage, ""});
  }
}

void PackageList::AddFolder(FileSystem& files, const std::string& folder,
                            const std::string& argument) {
  if (!HoldsInstallIni(files, folder)) {
    std::vector<fs::path> found;
    std::vector<bool> isArchive;
    std::vector<std::string> skipped;
    Search(files, folder, found, isArchive, skipped);
    if (!found.empty()) {
      const std::size_t first = m_items.size();
      ++m_searches;
      m_skipped.insert(m_skipped.end(), skipped.begin(), skipped.end());
      // An archive beside the folder it was unpacked into is the same package: the folder is
      // taken, as the player may have changed it.
      std::vector<fs::path> folders;
      for (std::size_t i = 0; i < found.size(); ++i)
        if (!isArchive[i]) folders.push_back(found[i]);
      const auto unpackedAs = [&](const fs::path& unpacked) -> const fs::path* {
        const std::string prefix = unpacked.string() + "/";
        for (const fs::path& taken : folders)
          if (taken == unpacked || taken.string().rfind(prefix, 0) == 0) return &taken;
        return nullptr;
      };
      for (std::size_t i = 0; i < found.size(); ++i) {
        if (!isArchive[i]) {
          m_items.push_back({found[i].string(), found[i].string(), found[i].string(), "", 0, ""});
        } else if (const fs::path* taken = unpackedAs(UnpackedBeside(found[i]))) {
          m_skipped.push_back(found[i].string() + ": already unpacked; the package folder " +
                              taken->string() + " is taken instead");
        } else {
          AddArchive(found[i].string(), true, unpackedAs);
        }
      }
      for (std::size_t i = first; i < m_items.size(); ++i) m_items[i].search = m_searches;
      return;
    }
  }
  // Also a folder without install.ini: the engine says what is missing, as for any package.
  m_items.push_back({folder, folder, argument, "", 0, ""});
}

void PackageList::AddArchive(const std::string& path, bool searched,
                             const std::function<const fs::path*(const fs::path&)>& unpackedAs) {
  if (!CanUnpack(SniffArchive(path))) {
    m_items.push_back({"", path, path, path + ": an archive; unpack it first", kExitInvalidPackage,
                       ""});
    return;
  }
  UnpackedArchive archive = m_staging.Unpack(path);
  if (!archive.ok) {
    const ArchiveKind kind = SniffArchive(path);
    if (archive.notAnArchive && kind == ArchiveKind::kProgram)
      archive.error = path + ": a program, not a self-extracting archive that can be read";
    if (archive.notAnArchive && kind == ArchiveKind::kCompressed)
      archive.error = path + ": a compressed file, not a tar archive";
    // In a folder of downloads, a program or a compressed file holding no archive is just
    // another download.
    if (archive.notAnArchive && searched &&
        (kind == ArchiveKind::kProgram || kind == ArchiveKind::kCompressed)) {
      m_skipped.push_back(archive.error);
      return;
    }
    m_items.push_back({"", path, path, archive.error, kExitInvalidPackage, ""});
    return;
  }
  for (std::size_t i = 0; i < archive.folders.size(); ++i) {
    const std::string& root = archive.roots[i];
    const std::string shown = root.empty() ? path : path + ": " + root;
    // Unpacked where it lies, its package folder beside it.
    const fs::path* taken =
        unpackedAs && !root.empty() ? unpackedAs(fs::path(path).parent_path() / root) : nullptr;
    if (taken) {
      m_skipped.push_back(shown + ": already unpacked; the package folder " + taken->string() +
                          " is taken instead");
      continue;
    }
    m_items.push_back({archive.folders[i], shown, shown, "", 0, path});
  }
}

void PackageList::SkipOlderVersions(FileSystem& files) {
  struct Versioned {
    std::size_t item;
    std::string track;  // folder and name, folded
    std::string version;
  };
  std::vector<Versioned> versioned;
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    const PackageSource& source = m_items[i];
    if (source.search == 0 || !source.error.empty()) continue;
    std::string version = ReadPackageVersion(files, source.folder);
    if (version.empty()) continue;
    try {
      const ProfileDocument ini = ProfileDocument::Load(files, source.folder + "\\install.ini");
      const std::string folder = ReadProfileValue(ini, "installinfo", "trackDirectory");
      const std::string name = ReadProfileValue(ini, "installinfo", "name");
      if (folder == kMissingValue || name == kMissingValue) continue;
      versioned.push_back({i, std::to_string(source.search) + "\n" + FoldedName(folder) + "\n" +
                                  FoldedName(name),
                           std::move(version)});
    } catch (const std::exception&) {
      // The install names what is wrong with it.
    }
  }
  std::vector<std::size_t> dropped;
  for (const Versioned& candidate : versioned) {
    const Versioned* newest = &candidate;
    for (const Versioned& other : versioned) {
      if (other.track != candidate.track) continue;
      const int order = CompareVersions(other.version, newest->version);
      if (order > 0 || (order == 0 && other.item < newest->item)) newest = &other;
    }
    if (newest == &candidate) continue;
    const PackageSource& kept = m_items[newest->item];
    const bool same = CompareVersions(candidate.version, newest->version) == 0;
    m_skipped.push_back(m_items[candidate.item].shown + ": version " + candidate.version + "; " +
                        (same ? "the same version " : "the newer version ") + newest->version +
                        " (" + kept.shown + ") is taken instead");
    dropped.push_back(candidate.item);
  }
  std::vector<PackageSource> items;
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    if (std::find(dropped.begin(), dropped.end(), i) == dropped.end())
      items.push_back(std::move(m_items[i]));
  }
  m_items = std::move(items);
}

}  // namespace gridmoor::cli
