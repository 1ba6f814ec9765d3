#include "engine/ZipUnpack.h"

#include <cerrno>
#include <cstring>
#include <map>

namespace gridmoor {

ZipUnpacker::ZipUnpacker(const std::string& path, const UnpackLimits& limits)
    : m_path(path), m_limits(limits) {}

std::optional<Refusal> ZipUnpacker::Damaged(const std::string& why) const {
  return Refusal{m_path + ": truncated or damaged: " + why};
}

std::optional<Refusal> ZipUnpacker::List(std::vector<std::string>& files) {
  m_source = FileByteSource::Open(m_path);
  if (!m_source) return Refusal{m_path + ": cannot be read: " + std::strerror(errno)};
  m_rules = std::make_unique<ArchiveRules>(m_path, m_limits, m_source->Size());
  // One more than allowed, so that the count is refused in the rules' words.
  const std::uint64_t most = m_limits.entries < UINT64_MAX ? m_limits.entries + 1 : UINT64_MAX;
  ZipDirectory directory = ReadZipDirectory(*m_source, most);
  switch (directory.status) {
    case ZipStatus::kOk:
      break;
    case ZipStatus::kTooMany:
      return Refusal{m_rules->Line("more than " + Thousands(m_limits.entries) + " entries")};
    case ZipStatus::kUnsupported:
      return Refusal{m_path + ": made in a way this program cannot read: " + directory.error};
    case ZipStatus::kNotZip: {
      // Perhaps no zip at all (a program): the caller may try other readers.
      std::optional<Refusal> refusal = Damaged(directory.error);
      refusal->notAnArchive = true;
      return refusal;
    }
    default:
      return Damaged(directory.error);
  }
  m_entries = std::move(directory.entries);
  m_paths.resize(m_entries.size());
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    const ZipEntry& entry = m_entries[i];
    const EntryType type = entry.link      ? EntryType::kLink
                         : entry.special   ? EntryType::kSpecial
                         : entry.directory ? EntryType::kFolder
                                           : EntryType::kFile;
    if (std::optional<Refusal> refused =
            m_rules->Entry(entry.name, type, entry.encrypted, m_paths[i]))
      return refused;
    if (type != EntryType::kFile) continue;
    if (entry.method != 0 && entry.method != 8)
      return Refusal{m_path + ": made in a way this program cannot read: entry \"" + entry.name +
                     "\": compression method " + std::to_string(entry.method)};
    // Every entry counts against the limits, also those outside the packages, which are never
    // unpacked: an archive is refused whole, before anything is written.
    if (std::optional<Refusal> over = m_rules->Count(entry.name, entry.size)) return over;
  }
  files = m_rules->Files();
  return std::nullopt;
}

std::optional<Refusal> ZipUnpacker::Extract(const std::vector<std::string>& roots,
                                            UnpackTarget& target) {
  // The entry written for each file: the last of that name.
  std::map<std::string, std::size_t> last;
  for (std::size_t i = 0; i < m_entries.size(); ++i)
    if (!m_entries[i].directory) last[m_paths[i]] = i;
  m_rules->ResetCount();
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    const ZipEntry& entry = m_entries[i];
    const std::string& path = m_paths[i];
    if (!InPackage(path, roots)) continue;
    if (entry.directory) {
      if (!target.MakeFolders(path))
        return Refusal{m_rules->Line(entry.name, "cannot be unpacked into the staging folder: " +
                                                     target.Why())};
      continue;
    }
    if (last[path] != i) continue;
    const std::size_t slash = path.rfind('/');
    std::unique_ptr<UnpackedFile> file;
    if ((slash == std::string::npos || target.MakeFolders(path.substr(0, slash))))
      file = target.Create(path);
    if (!file)
      return Refusal{m_rules->Line(entry.name, "cannot be unpacked into the staging folder: " +
                                                   target.Why())};
    const ZipRead read = ReadZipEntry(
        *m_source, entry, m_rules->Allowed(),
        [&](const char* bytes, std::size_t size) { return file->Write(bytes, size); });
    switch (read.status) {
      case ZipStatus::kOk:
        break;
      case ZipStatus::kOverLimit:
        if (std::optional<Refusal> over = m_rules->Count(entry.name, read.written + 1))
          return over;
        return Refusal{m_rules->Line(entry.name, "damaged: " + read.error)};
      case ZipStatus::kSinkFailed:
        return Refusal{m_rules->Line(entry.name, "cannot be unpacked into the staging folder: " +
                                                     target.Why())};
      case ZipStatus::kEncrypted:
        return m_rules->PasswordProtected(entry.name);
      case ZipStatus::kUnsupported:
        return Refusal{m_path + ": made in a way this program cannot read: entry \"" +
                       entry.name + "\": " + read.error};
      default:
        return Refusal{m_rules->Line(entry.name, "truncated or damaged: " + read.error)};
    }
    if (std::optional<Refusal> over = m_rules->Count(entry.name, read.written)) return over;
    file->SetModified(entry.modified);
    if (!file->Close())
      return Refusal{m_rules->Line(entry.name, "cannot be unpacked into the staging folder: " +
                                                   target.Why())};
  }
  return std::nullopt;
}

}  // namespace gridmoor
