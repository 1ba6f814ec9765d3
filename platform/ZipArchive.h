#pragma once
// A zip file read from its central directory (zip64 included), and one entry's bytes streamed
// out of it (stored or deflate), checked against the sizes and CRC-32 the directory states.
// Portable; the bytes come through ByteSource, so that tests and the fuzzer give them in memory.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gridmoor {

// Bytes read at offsets.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Reads up to `size` bytes at `offset` into `into`; answers how many were read, fewer only at
  // the end or when reading fails.
  virtual std::size_t ReadAt(std::uint64_t offset, void* into, std::size_t size) = 0;
};

// Bytes held by the caller, who keeps them alive while this is used.
class MemoryByteSource : public ByteSource {
 public:
  explicit MemoryByteSource(std::string_view bytes) : m_bytes(bytes) {}
  std::uint64_t Size() const override { return m_bytes.size(); }
  std::size_t ReadAt(std::uint64_t offset, void* into, std::size_t size) override;

 private:
  std::string_view m_bytes;
};

// A file opened for reading (std::fopen, so the path is in the C library's narrow encoding).
class FileByteSource : public ByteSource {
 public:
  // nullptr when the file cannot be opened or measured.
  static std::unique_ptr<FileByteSource> Open(const std::string& path);
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;
  std::uint64_t Size() const override { return m_size; }
  std::size_t ReadAt(std::uint64_t offset, void* into, std::size_t size) override;

 private:
  FileByteSource(std::FILE* file, std::uint64_t size) : m_file(file), m_size(size) {}
  std::FILE* m_file;  // owned
  std::uint64_t m_size;
  std::uint64_t m_position = UINT64_MAX;  // where the next fread starts; unknown at first
};

struct ZipEntry {
  // The name in UTF-8: as stored when the entry says it is UTF-8 (flag bit 11), from a Unicode
  // Path field (0x7075) that matches the stored name, as stored when made on Unix and valid
  // UTF-8; otherwise the stored bytes read as DOS code page 437.
  std::string name;
  std::uint16_t madeBy = 0;  // high byte: the system (0 DOS, 3 Unix, 10 NTFS...)
  std::uint16_t flags = 0;
  std::uint16_t method = 0;  // 0 stored, 8 deflate
  std::uint32_t crc = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t size = 0;
  std::uint64_t localHeader = 0;  // offset in the source, any bytes before the zip included
  std::uint32_t externalAttributes = 0;
  // When it was last changed, in seconds since 1970 (UTC): the extended timestamp field (0x5455)
  // when there is one, else the DOS date and time, which are local.
  std::int64_t modified = 0;
  bool directory = false;
  bool encrypted = false;
  // Made on Unix with a file type that is neither a file nor a folder.
  bool link = false;
  bool special = false;
};

enum class ZipStatus {
  kOk,
  kNotZip,       // no end record: not a zip (or cut before its end)
  kDamaged,      // the directory or an entry does not fit the file, or its bytes are wrong
  kUnsupported,  // a compression method this reader lacks
  kEncrypted,
  kTooMany,      // more entries than the caller allows
  kOverLimit,    // the entry's bytes go beyond the caller's bound
  kSinkFailed,   // the sink refused the bytes
};

struct ZipDirectory {
  ZipStatus status = ZipStatus::kOk;
  std::string error;  // when not kOk: what is wrong, in a few words
  std::vector<ZipEntry> entries;  // in the directory's order
};

// Reads the central directory of `source`. Refuses (kTooMany) more than `maxEntries` entries
// before reading them, and as kDamaged an end record or directory that does not fit the file, or
// whose entry count is not what it holds. Bytes in front of the zip (a program's stub) are
// allowed: offsets are corrected by their length. A signed program (a PE file whose security
// directory names a certificate table inside the file) is read as ending where that table
// starts: the zip's end record and comment must end there, followed by at most 7 zero bytes.
ZipDirectory ReadZipDirectory(ByteSource& source, std::uint64_t maxEntries = UINT64_MAX);

// Where the certificate table of a signed program starts: the file offset its PE header's
// security directory names, when `source` starts "MZ", has a PE header, and that table lies
// inside the file; else 0 (no PE file, or not signed).
std::uint64_t CertificateTableStart(ByteSource& source);
// Where a Windows program's own bytes end (its headers, sections and any symbol table), so that
// what follows is carried, not run; 0 when `source` is no PE file.
std::uint64_t ProgramImageEnd(ByteSource& source);

// Receives an entry's bytes in order; false stops the reading (kSinkFailed).
using ZipSink = std::function<bool(const char* bytes, std::size_t size)>;

struct ZipRead {
  ZipStatus status = ZipStatus::kOk;
  std::string error;
  std::uint64_t written = 0;  // bytes given to the sink
};

// Streams the bytes of `entry` (from ReadZipDirectory of the same source) into `sink` in
// chunks, never more than `bound` bytes (kOverLimit beyond) nor more than the entry states
// (kDamaged). kOk only when the bytes are whole: the stated size and CRC-32.
ZipRead ReadZipEntry(ByteSource& source, const ZipEntry& entry, std::uint64_t bound,
                     const ZipSink& sink);

// `bytes` read as DOS code page 437, in UTF-8.
std::string Cp437ToUtf8(std::string_view bytes);
// Whether `bytes` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);

}  // namespace gridmoor
