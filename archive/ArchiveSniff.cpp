#include <cstring>
#include <fstream>

#include "archive/ArchiveUnpack.h"

namespace gridmoor {

ArchiveKind SniffArchive(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[512] = {};
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
  // A tar's first header says "ustar" at 257 (POSIX and GNU alike); a compressed one is known
  // only by its compressor here, and whether a tar is inside by reading it.
  if (got >= 262 && std::memcmp(head + 257, "ustar", 5) == 0) return ArchiveKind::kTar;
  if (starts("\x1F\x8B", 2) || starts("\xFD" "7zXZ\0", 6) ||
      (starts("BZh", 3) && got >= 4 && head[3] >= '1' && head[3] <= '9'))
    return ArchiveKind::kCompressed;
  return ArchiveKind::kNone;
}

}  // namespace gridmoor
