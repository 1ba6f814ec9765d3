// The bookkeeping of the staging folder, one for both systems: each archive listed whole under
// the rules, then its packages unpacked into a folder of their own, which goes again on any
// refusal.

#include "archive/ArchiveUnpack.h"
#include "archive/Staging.h"
#include "engine/ArchiveEntry.h"

namespace gridmoor {

namespace {

// Zips go through our own reader in both builds, which sees how each name was made.
class ZipReader : public ArchiveReader {
 public:
  ZipReader(const std::string& path, const UnpackLimits& limits) : m_unpacker(path, limits) {}
  std::optional<Refusal> List(std::vector<std::string>& files) override {
    return m_unpacker.List(files);
  }
  std::optional<Refusal> Extract(const std::vector<std::string>& roots,
                                 const std::string& into) override {
    // The target closes what it wrote before a refusal's folder is removed.
    const std::unique_ptr<UnpackTarget> target = MakeUnpackTarget(into);
    return m_unpacker.Extract(roots, *target);
  }

 private:
  ZipUnpacker m_unpacker;
};

}  // namespace

struct ArchiveStaging::Impl {
  UnpackLimits limits;
  std::unique_ptr<StagingFolder> folder;
  int archives = 0;
};

ArchiveStaging::ArchiveStaging(UnpackLimits limits) : m_impl(std::make_unique<Impl>()) {
  m_impl->limits = limits;
  RemoveLeftoverStaging(TemporaryFolder());
}
ArchiveStaging::~ArchiveStaging() = default;

std::string ArchiveStaging::Folder() const {
  return m_impl->folder ? m_impl->folder->Path() : std::string();
}

UnpackedArchive ArchiveStaging::Unpack(const std::string& path) {
  const ArchiveKind kind = SniffArchive(path);
  if (!CanUnpack(kind)) {
    UnpackedArchive result;
    result.error = path + ": an archive; unpack it first";
    return result;
  }
  if (kind == ArchiveKind::kZip) return UnpackZip(path);
  std::unique_ptr<ArchiveReader> other = OpenOtherArchive(path, m_impl->limits);
  if (kind == ArchiveKind::kProgram) {
    // A program may carry a zip: a setup file of ours (signed or not), a self-extracting zip.
    // Other self-extracting archives go to the other reader, where this system has one.
    UnpackedArchive asZip = UnpackZip(path);
    if (!asZip.notAnArchive || !other) return asZip;
  }
  return UnpackWith(path, *other);
}

UnpackedArchive ArchiveStaging::UnpackZip(const std::string& path) {
  ZipReader reader(path, m_impl->limits);
  return UnpackWith(path, reader);
}

UnpackedArchive ArchiveStaging::UnpackWith(const std::string& path, ArchiveReader& reader) {
  UnpackedArchive result;
  std::vector<std::string> files;
  if (std::optional<Refusal> refusal = reader.List(files)) {
    result.error = refusal->text;
    result.notAnArchive = refusal->notAnArchive;
    return result;
  }
  result.roots = PackageRoots(files);
  if (result.roots.empty()) {
    result.error = path + ": no package in it (no folder holds an install.ini)";
    return result;
  }
  if (!m_impl->folder) {
    m_impl->folder = StagingFolder::Make(TemporaryFolder(), result.error);
    if (!m_impl->folder) return result;
  }
  const std::string into = PackageFolderIn(m_impl->folder->Path(),
                                           std::to_string(++m_impl->archives));
  std::string why;
  if (!MakePrivateFolder(into, why)) {
    result.error = path + ": cannot be unpacked into the staging folder: " + why;
    return result;
  }
  if (std::optional<Refusal> refusal = reader.Extract(result.roots, into)) {
    RemoveTree(into);
    result.error = refusal->text;
    result.roots.clear();
    return result;
  }
  for (const std::string& root : result.roots)
    result.folders.push_back(PackageFolderIn(into, root));
  result.unpackedInto = into;
  result.ok = true;
  return result;
}

}  // namespace gridmoor
