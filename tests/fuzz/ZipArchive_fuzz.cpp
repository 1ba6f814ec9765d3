// Fuzz target for the zip reader: any bytes as a zip file. The directory it accepts must fit the
// file (every entry's header and data before the end); names are UTF-8; an entry's bytes never
// exceed the bound nor its stated size, and are accepted whole only with that size and CRC-32.
// Reading twice gives the same.

#include <zlib.h>

#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "platform/ZipArchive.h"

namespace {

constexpr std::uint64_t kBound = 1 << 20;

struct Outcome {
  gridmoor::ZipStatus status;
  std::uint64_t written;
  std::uint32_t crc;
};

Outcome ReadOne(gridmoor::ByteSource& source, const gridmoor::ZipEntry& entry) {
  std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
  std::uint64_t given = 0;
  const gridmoor::ZipRead read =
      gridmoor::ReadZipEntry(source, entry, kBound, [&](const char* bytes, std::size_t size) {
        FUZZ_CHECK(size > 0);
        given += size;
        crc = static_cast<std::uint32_t>(
            crc32(crc, reinterpret_cast<const Bytef*>(bytes), static_cast<uInt>(size)));
        return true;
      });
  FUZZ_CHECK(read.written == given);
  FUZZ_CHECK(given <= kBound && given <= entry.size);
  if (read.status == gridmoor::ZipStatus::kOk) {
    FUZZ_CHECK(given == entry.size);
    FUZZ_CHECK(crc == entry.crc);
  } else {
    FUZZ_CHECK(!read.error.empty());
  }
  return {read.status, given, crc};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  gridmoor::MemoryByteSource source(bytes);
  const gridmoor::ZipDirectory directory = gridmoor::ReadZipDirectory(source, 1000);
  if (directory.status != gridmoor::ZipStatus::kOk) {
    FUZZ_CHECK(!directory.error.empty());
    FUZZ_CHECK(directory.entries.empty());
    return 0;
  }
  FUZZ_CHECK(directory.entries.size() <= 1000);
  int read = 0;
  for (const gridmoor::ZipEntry& entry : directory.entries) {
    FUZZ_CHECK(gridmoor::IsValidUtf8(entry.name));
    FUZZ_CHECK(entry.localHeader < size && entry.compressedSize <= size - entry.localHeader);
    if (read++ >= 20) continue;
    const Outcome first = ReadOne(source, entry);
    const Outcome again = ReadOne(source, entry);
    FUZZ_CHECK(first.status == again.status && first.written == again.written &&
               first.crc == again.crc);
  }
  // Every byte decodes to a letter of UTF-8.
  FUZZ_CHECK(gridmoor::IsValidUtf8(gridmoor::Cp437ToUtf8(bytes.substr(0, 300))));
  return 0;
}
