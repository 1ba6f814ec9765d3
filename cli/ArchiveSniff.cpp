#include <cstring>
#include <fstream>

#include "cli/ArchiveUnpack.h"

namespace gridmoor::cli {

ArchiveKind SniffArchive(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[8] = {};
  in.read(head, sizeof head);
  const std::streamsize got = in.gcount();
  const auto starts = [&](const char* magic, std::size_t size) {
    return static_cast<std::size_t>(got) >= size && std::memcmp(head, magic, size) == 0;
  };
  // Local header, empty archive, first part of a split one.
  if (starts("PK\x03\x04", 4) || starts("PK\x05\x06", 4) || starts("PK\x07\x08", 4))
    return ArchiveKind::kZip;
  if (starts("7z\xBC\xAF\x27\x1C", 6)) return ArchiveKind::kSevenZip;
  if (starts("Rar!\x1A\x07", 6)) return ArchiveKind::kRar;
  if (starts("MZ", 2)) return ArchiveKind::kProgram;
  return ArchiveKind::kNone;
}

}  // namespace gridmoor::cli
