// The Windows console program unpacks nothing: Windows opens these archives itself.

#include "cli/ArchiveUnpack.h"

namespace gridmoor::cli {

struct ArchiveStaging::Impl {};

bool CanUnpackArchives() { return false; }

ArchiveStaging::ArchiveStaging(UnpackLimits) {}
ArchiveStaging::~ArchiveStaging() = default;

UnpackedArchive ArchiveStaging::Unpack(const std::string& path) {
  UnpackedArchive result;
  result.error = path + ": an archive; unpack it first";
  return result;
}

std::string ArchiveStaging::Folder() const { return {}; }

}  // namespace gridmoor::cli
