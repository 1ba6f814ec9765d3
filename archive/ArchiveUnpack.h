#pragma once
// Downloaded archives (zip, 7z, rar, tar plain or compressed with gzip, xz or bzip2, and an
// archive behind a Windows program's stub) made into package folders: recognised by their first
// bytes, and unpacked into one private staging folder per command (on Windows zips only). Only
// entries inside a package folder are unpacked; an archive with one unsafe or damaged entry
// gives nothing at all.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/ArchiveRules.h"

namespace gridmoor {

// kCompressed: gzip, xz or bzip2, which holds a tar or is a single compressed file.
enum class ArchiveKind { kNone, kZip, kSevenZip, kRar, kProgram, kTar, kCompressed };

// What the first bytes of the file `path` show it to be; kProgram for a Windows program, which
// may be a self-extracting archive. kNone when it cannot be read.
ArchiveKind SniffArchive(const std::string& path);

// Whether this build unpacks archives of the kind `kind`: the Linux program every kind, the
// Windows one zips, bare or carried by a program (a setup file).
bool CanUnpack(ArchiveKind kind);

// One archive's packages, unpacked.
struct UnpackedArchive {
  bool ok = false;
  // When not ok: one line naming the archive and, where one is to blame, the entry.
  std::string error;
  // When the archive is a program holding no archive this can read.
  bool notAnArchive = false;
  // The package folders (absolute), in the archive's path order, with their path inside it
  // ("" for the top).
  std::vector<std::string> folders;
  std::vector<std::string> roots;
  std::string unpackedInto;  // the archive's own folder in the staging folder
};

// The private staging folder (in the system's temporary folder; mode 0700 on Linux) that
// archives are unpacked into, made on first use. It is removed with its contents when this
// object goes; on Linux also by a watcher process when the program is killed (Ctrl+C included),
// on Windows at Ctrl+C by the console's handler. One left behind by a run that could not clean
// up is removed when the next one is constructed (on Windows only once no program holds its
// lock file).
class ArchiveReader;

class ArchiveStaging {
 public:
  explicit ArchiveStaging(UnpackLimits limits = {});
  ~ArchiveStaging();
  ArchiveStaging(const ArchiveStaging&) = delete;
  ArchiveStaging& operator=(const ArchiveStaging&) = delete;

  // Unpacks the packages of the archive `path` into a new folder of the staging folder; on any
  // refusal nothing of it is left there.
  UnpackedArchive Unpack(const std::string& path);
  // The same for the file `path` read as a zip whatever stands in front of it: a program that
  // carries its package (a setup file).
  UnpackedArchive UnpackZip(const std::string& path);
  // The staging folder; empty before the first Unpack.
  std::string Folder() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
  UnpackedArchive UnpackWith(const std::string& path, ArchiveReader& reader);
};

}  // namespace gridmoor
