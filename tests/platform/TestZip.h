#pragma once
// Zip files built byte by byte, for what a zip writer would not make: how each name was made
// (system, UTF-8 flag, Unicode Path field), stated sizes and CRCs that lie, and the end record
// at hand to spoil. Deflate through zlib.

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gridmoor::testing {

constexpr std::uint16_t kMadeByDos = 0x0014;
constexpr std::uint16_t kMadeByUnix = 0x0314;
constexpr std::uint16_t kMadeByNtfs = 0x0A14;

struct ZipItem {
  std::string name;  // the stored bytes
  std::string bytes;
  bool deflate = true;
  std::uint16_t madeBy = kMadeByDos;
  std::uint16_t flags = 0;
  std::string extra = {};                 // the central header's extra fields
  std::optional<std::uint32_t> crc = {};   // stated instead of the real one
  std::optional<std::uint32_t> size = {};  // stated instead of the real one
};

inline void Put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}
inline void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

inline std::uint32_t Crc32(std::string_view bytes) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

inline std::string RawDeflate(const std::string& bytes) {
  z_stream z{};
  deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(bytes.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// An Info-ZIP Unicode Path field (0x7075) for the stored name `stored`.
inline std::string UnicodePath(std::string_view stored, std::string_view utf8,
                               std::optional<std::uint32_t> crc = {}) {
  std::string field;
  Put16(field, 0x7075);
  Put16(field, static_cast<std::uint32_t>(5 + utf8.size()));
  field += '\x01';
  Put32(field, crc.value_or(Crc32(stored)));
  field += utf8;
  return field;
}

inline void Put64(std::string& out, std::uint64_t value) {
  Put32(out, static_cast<std::uint32_t>(value));
  Put32(out, static_cast<std::uint32_t>(value >> 32));
}

// The zip of `items`; the end record is the last 22 bytes (no comment). `zip64`: the central
// directory's sizes and offsets in zip64 fields, and a zip64 end record with its locator.
inline std::string ZipBytes(const std::vector<ZipItem>& items, bool zip64 = false) {
  std::string out, directory;
  for (const ZipItem& item : items) {
    const std::string data = item.deflate ? RawDeflate(item.bytes) : item.bytes;
    const std::uint32_t crc = item.crc.value_or(Crc32(item.bytes));
    const auto size = item.size.value_or(static_cast<std::uint32_t>(item.bytes.size()));
    const auto offset = static_cast<std::uint32_t>(out.size());
    Put32(out, 0x04034b50);
    Put16(out, 20);
    Put16(out, item.flags);
    Put16(out, item.deflate ? 8 : 0);
    Put32(out, 0);  // time, date
    Put32(out, crc);
    Put32(out, static_cast<std::uint32_t>(data.size()));
    Put32(out, size);
    Put16(out, static_cast<std::uint32_t>(item.name.size()));
    Put16(out, 0);
    out += item.name;
    out += data;
    Put32(directory, 0x02014b50);
    Put16(directory, item.madeBy);
    Put16(directory, 20);
    Put16(directory, item.flags);
    Put16(directory, item.deflate ? 8 : 0);
    Put32(directory, 0);
    Put32(directory, crc);
    std::string extra = item.extra;
    if (zip64) {
      Put16(extra, 0x0001);
      Put16(extra, 24);
      Put64(extra, size);
      Put64(extra, data.size());
      Put64(extra, offset);
    }
    Put32(directory, zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(data.size()));
    Put32(directory, zip64 ? 0xFFFFFFFF : size);
    Put16(directory, static_cast<std::uint32_t>(item.name.size()));
    Put16(directory, static_cast<std::uint32_t>(extra.size()));
    Put16(directory, 0);  // comment
    Put16(directory, 0);  // disk
    Put16(directory, 0);  // internal attributes
    Put32(directory, (item.madeBy >> 8) == 3 ? 0100644u << 16 : 0);
    Put32(directory, zip64 ? 0xFFFFFFFF : offset);
    directory += item.name;
    directory += extra;
  }
  const auto at = static_cast<std::uint32_t>(out.size());
  out += directory;
  if (zip64) {
    const std::uint64_t recordAt = out.size();
    Put32(out, 0x06064b50);
    Put64(out, 44);
    Put16(out, 45);
    Put16(out, 45);
    Put64(out, 0);  // this disk, the directory's disk
    Put64(out, items.size());
    Put64(out, items.size());
    Put64(out, directory.size());
    Put64(out, at);
    Put32(out, 0x07064b50);
    Put32(out, 0);
    Put64(out, recordAt);
    Put32(out, 1);
  }
  Put32(out, 0x06054b50);
  Put32(out, 0);
  Put16(out, zip64 ? 0xFFFF : static_cast<std::uint32_t>(items.size()));
  Put16(out, zip64 ? 0xFFFF : static_cast<std::uint32_t>(items.size()));
  Put32(out, zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(directory.size()));
  Put32(out, zip64 ? 0xFFFFFFFF : at);
  Put16(out, 0);
  return out;
}

// A minimal 32-bit Windows program's headers (no sections), 512 bytes, whose security directory
// names a certificate table at `tableAt` of `tableSize` bytes (0 and 0: not signed).
inline std::string PeStub(std::uint32_t tableAt = 0, std::uint32_t tableSize = 0) {
  std::string pe(512, '\0');
  pe[0] = 'M';
  pe[1] = 'Z';
  pe[0x3C] = 0x40;  // the PE header right after the DOS header
  std::string header("PE\0\0", 4);
  Put16(header, 0x14C);  // i386
  Put16(header, 0);      // sections
  Put32(header, 0);
  Put32(header, 0);
  Put32(header, 0);
  Put16(header, 224);     // the optional header: PE32 with 16 directories
  Put16(header, 0x0102);  // executable, 32-bit
  std::string optional(224, '\0');
  optional[0] = 0x0B;
  optional[1] = 0x01;
  optional[60] = 0x00;  // SizeOfHeaders: 512
  optional[61] = 0x02;
  optional[92] = 16;  // NumberOfRvaAndSizes
  std::string table;
  Put32(table, tableAt);
  Put32(table, tableSize);
  optional.replace(96 + 4 * 8, 8, table);
  header += optional;
  pe.replace(0x40, header.size(), header);
  return pe;
}

// `zip` behind a PE stub, padded to 8 bytes and followed by a certificate table of `tableSize`
// bytes that the stub's security directory names, as a signer leaves a setup file.
inline std::string SignedSetup(const std::string& zip, std::uint32_t tableSize,
                               const std::string& between = {}) {
  std::string file = PeStub() + zip + between;
  file.resize((file.size() + 7) / 8 * 8, '\0');
  const std::string stub = PeStub(static_cast<std::uint32_t>(file.size()), tableSize);
  file.replace(0, stub.size(), stub);
  return file + std::string(tableSize, '\x30');
}

// The end record's fields, to spoil.
constexpr std::size_t kEndCount = 10, kEndDirectorySize = 12, kEndDirectoryOffset = 16;
inline std::size_t EndRecord(const std::string& zip) { return zip.size() - 22; }

}  // namespace gridmoor::testing
