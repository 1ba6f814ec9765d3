#include "engine/ArchiveRules.h"

#include <algorithm>

#include "engine/ArchiveEntry.h"

namespace gridmoor {

ArchiveRules::ArchiveRules(std::string archive, const UnpackLimits& limits,
                           std::uint64_t archiveSize)
    : m_archive(std::move(archive)), m_limits(limits), m_archiveSize(archiveSize) {}

std::optional<Refusal> ArchiveRules::Entry(const std::string& name, EntryType type,
                                           bool encrypted, std::string& path) {
  if (++m_entries > m_limits.entries)
    return Refusal{Line("more than " + Thousands(m_limits.entries) + " entries")};
  if (encrypted) return PasswordProtected(name);
  if (type == EntryType::kLink) return Refusal{Line(name, "a link")};
  if (type == EntryType::kSpecial) return Refusal{Line(name, "a device or special file")};
  std::string why;
  const std::optional<std::string> safe = SafeEntryPath(name, why);
  if (!safe) return Refusal{Line(name, why)};
  const bool file = type == EntryType::kFile;
  if (file && safe->empty()) return Refusal{Line(name, "a file without a name")};
  // On the game's case-blind folders one would overwrite the other; the same name twice is one
  // file, its later entry kept.
  const auto [known, added] = m_names.try_emplace(CaseBlindKey(*safe), *safe, file);
  if (!added && known->second.first != *safe && (file || known->second.second))
    return Refusal{Line(name, "its name differs from entry \"" + known->second.first +
                                  "\" only in letter case")};
  if (file) m_files.push_back(*safe);
  path = *safe;
  return std::nullopt;
}

std::optional<Refusal> ArchiveRules::Count(const std::string& name, std::uint64_t bytes) {
  m_total += std::min(bytes, UINT64_MAX - m_total);
  return OverLimits(name, m_total);
}

std::uint64_t ArchiveRules::Allowed() const {
  const std::uint64_t byRatio = m_limits.ratio * std::max<std::uint64_t>(m_archiveSize, 1);
  const std::uint64_t most = std::min(m_limits.bytes, byRatio);
  return most > m_total ? most - m_total : 0;
}

std::optional<Refusal> ArchiveRules::OverLimits(const std::string& name,
                                                std::uint64_t total) const {
  if (total > m_limits.bytes)
    return Refusal{Line(name, "more than " + SizeText(m_limits.bytes) + " unpacked")};
  if (total > m_limits.ratio * std::max<std::uint64_t>(m_archiveSize, 1))
    return Refusal{Line(name, "unpacks to more than " + std::to_string(m_limits.ratio) +
                                  " times the archive's size")};
  return std::nullopt;
}

Refusal ArchiveRules::PasswordProtected(const std::string& name) const {
  return Refusal{m_archive + ": password-protected (entry \"" + name +
                 "\" is encrypted); unpack it with its password first"};
}

bool InPackage(const std::string& path, const std::vector<std::string>& roots) {
  return std::any_of(roots.begin(), roots.end(),
                     [&](const std::string& root) { return IsUnder(path, root); });
}

std::string Thousands(std::uint64_t n) {
  std::string digits = std::to_string(n);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(i, ",");
  return digits;
}

std::string SizeText(std::uint64_t bytes) {
  if (bytes % (std::uint64_t{1} << 30) == 0) return std::to_string(bytes >> 30) + " GiB";
  if (bytes % (std::uint64_t{1} << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
  return std::to_string(bytes) + " bytes";
}

}  // namespace gridmoor
