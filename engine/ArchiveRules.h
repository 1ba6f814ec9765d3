#pragma once
// The rules every archive's entries keep and the limits counted over them, whichever reader
// lists them (libarchive, or our zip reader): one object for one reading of one archive, which
// also words its refusals.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace gridmoor {

// The bounds an archive must keep; beyond any of them it is refused.
struct UnpackLimits {
  std::uint64_t entries = 10000;
  std::uint64_t bytes = std::uint64_t{2} << 30;  // unpacked, counted as it is written
  std::uint64_t ratio = 200;                     // unpacked bytes per byte of the archive
};

// Why an archive gives nothing: one line naming the archive.
struct Refusal {
  std::string text;
  bool notAnArchive = false;  // not an archive this program reads (a program, a plain .gz)
};

enum class EntryType { kFile, kFolder, kLink, kSpecial };

class ArchiveRules {
 public:
  ArchiveRules(std::string archive, const UnpackLimits& limits, std::uint64_t archiveSize);

  // One entry as it is listed, in the archive's order: counted, then refused when encrypted,
  // not a file nor a folder, unsafely named, a file without a name, or differing from an earlier
  // name only in letter case. Sets `path` to its safe entry path; a file's is kept in Files().
  std::optional<Refusal> Entry(const std::string& name, EntryType type, bool encrypted,
                               std::string& path);
  // Adds `bytes` unpacked bytes of the entry `name` to the total; a refusal beyond the limits.
  std::optional<Refusal> Count(const std::string& name, std::uint64_t bytes);
  // How many more bytes the limits allow.
  std::uint64_t Allowed() const;
  // The refusal for a total beyond the limits.
  std::optional<Refusal> OverLimits(const std::string& name, std::uint64_t total) const;
  void ResetCount() { m_total = 0; }

  // The safe paths of the files listed, in order (a name twice: twice).
  const std::vector<std::string>& Files() const { return m_files; }

  std::string Line(const std::string& why) const { return m_archive + ": " + why; }
  std::string Line(const std::string& entry, const std::string& why) const {
    return m_archive + ": entry \"" + entry + "\": " + why;
  }
  Refusal PasswordProtected(const std::string& name) const;

 private:
  std::string m_archive;
  UnpackLimits m_limits;
  std::uint64_t m_archiveSize;
  std::uint64_t m_entries = 0;
  std::uint64_t m_total = 0;
  // Each name by its case-blind key, and whether it is a file.
  std::map<std::string, std::pair<std::string, bool>> m_names;
  std::vector<std::string> m_files;
};

// Whether the safe entry path `path` lies in one of the package folders `roots`.
bool InPackage(const std::string& path, const std::vector<std::string>& roots);

// "10,000"
std::string Thousands(std::uint64_t n);
// "2 GiB", "2 MiB" or a count of bytes.
std::string SizeText(std::uint64_t bytes);

}  // namespace gridmoor
