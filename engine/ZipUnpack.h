#pragma once
// A zip file's packages unpacked with our own reader (platform/ZipArchive), in both builds: the
// central directory listed under ArchiveRules, then the entries inside the packages written
// through an UnpackTarget, which the system's staging folder (archive/) provides.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/ArchiveRules.h"
#include "platform/ZipArchive.h"

namespace gridmoor {

// One file being written; closed (and kept) by Close, removed by its owner otherwise.
class UnpackedFile {
 public:
  virtual ~UnpackedFile() = default;
  virtual bool Write(const char* bytes, std::size_t size) = 0;
  // Dates the file (seconds since 1970, UTC), as the archive does; best effort.
  virtual void SetModified(std::int64_t seconds) = 0;
  virtual bool Close() = 0;
};

// The folder an archive is unpacked into; paths are safe entry paths ('/'-separated, relative).
class UnpackTarget {
 public:
  virtual ~UnpackTarget() = default;
  // Makes the folder `path` and those above it; false when one cannot be made.
  virtual bool MakeFolders(const std::string& path) = 0;
  // Creates (or empties) the file `path`, whose folder exists; nullptr when it cannot.
  virtual std::unique_ptr<UnpackedFile> Create(const std::string& path) = 0;
  // Why the last call failed, in a few words.
  virtual std::string Why() const = 0;
};

class ZipUnpacker {
 public:
  ZipUnpacker(const std::string& path, const UnpackLimits& limits);
  // Reads the central directory and lists every entry under the rules; `files` gets the safe
  // paths of the files. A refusal when the zip cannot be read or any entry breaks a rule.
  std::optional<Refusal> List(std::vector<std::string>& files);
  // Writes the entries inside `roots` (after List) into `target`; where one name comes twice,
  // only its later entry.
  std::optional<Refusal> Extract(const std::vector<std::string>& roots, UnpackTarget& target);

 private:
  std::optional<Refusal> Damaged(const std::string& why) const;

  std::string m_path;
  UnpackLimits m_limits;
  std::unique_ptr<FileByteSource> m_source;
  std::vector<ZipEntry> m_entries;
  std::vector<std::string> m_paths;  // each entry's safe path
  std::unique_ptr<ArchiveRules> m_rules;
};

}  // namespace gridmoor
