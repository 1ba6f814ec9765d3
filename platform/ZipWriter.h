#pragma once
// A zip file written entry by entry, as ZipArchive reads it back: names in UTF-8 with the UTF-8
// flag, deflate (zlib) or stored when deflate does not shrink the bytes, the CRC-32 and sizes in
// each local header (no data descriptors), no zip64. A file's bytes are streamed from its source,
// never held whole. Portable.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/ZipArchive.h"

namespace gridmoor {

// What a zip without zip64 holds at most.
constexpr std::uint64_t kZipMaxEntries = 0xFFFF;
constexpr std::uint64_t kZipMaxOffset = 0xFFFFFFFE;

class ZipWriter {
 public:
  // Creates (or empties) the file `path` for the zip; nullptr with `error` set when it cannot.
  // The zip's offsets count from the file's start.
  static std::unique_ptr<ZipWriter> Create(const std::string& path, std::string& error);
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // Adds the entry `name` (UTF-8, '/' between folders) holding the bytes of `source`, last
  // changed at `modified` (seconds since 1970, UTC). False with `error` set when the source
  // cannot be read, the file cannot be written, or the zip would need zip64 (more than 65535
  // entries or 4 GiB); the writer is then spent and only to be dropped.
  bool Add(const std::string& name, ByteSource& source, std::int64_t modified, std::string& error);

  // Writes the central directory and the end record, and closes the file. False with `error` set
  // when writing fails.
  bool Finish(std::string& error);

  // After Finish: where the central directory starts (the zip's entries lie before it), and the
  // directory with its end record again with every offset moved by `shift`, for a copy of the
  // zip placed `shift` bytes into another file. Empty when that copy would need zip64.
  std::uint64_t DirectoryOffset() const { return m_directoryOffset; }
  std::string DirectoryBytes(std::uint64_t shift) const;

 private:
  struct Entry {
    std::string name;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t size = 0;
    std::uint32_t dosTime = 0;  // DOS date in the high half
    std::int64_t modified = 0;
    std::uint64_t localHeader = 0;
  };

  ZipWriter(std::FILE* file, std::string path) : m_file(file), m_path(std::move(path)) {}
  bool Write(const void* bytes, std::size_t size);
  bool WriteAt(std::uint64_t offset, const std::string& bytes);
  bool Fail(std::string& error, std::string message);

  std::FILE* m_file;  // owned; null once closed
  std::string m_path;
  std::uint64_t m_end = 0;  // where the next entry starts
  std::vector<Entry> m_entries;
  std::uint64_t m_directoryOffset = 0;
  bool m_spent = false;
};

}  // namespace gridmoor
