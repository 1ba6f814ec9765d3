#include "platform/ZipArchive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <optional>

namespace gridmoor {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndBytes = 22;
constexpr std::size_t kZip64EndBytes = 56;
constexpr std::size_t kZip64LocatorBytes = 20;
constexpr std::size_t kCentralBytes = 46;
constexpr std::size_t kLocalBytes = 30;
constexpr std::size_t kMaxComment = 0xFFFF;
constexpr std::size_t kChunk = 256 * 1024;
constexpr std::size_t kSecurityDirectory = 4;  // IMAGE_DIRECTORY_ENTRY_SECURITY
constexpr std::size_t kTablePadding = 7;       // a certificate table starts 8-byte aligned

constexpr std::uint16_t kFlagEncrypted = 1u << 0;
constexpr std::uint16_t kFlagUtf8 = 1u << 11;
constexpr std::uint16_t kFlagDirectoryEncrypted = 1u << 13;
constexpr std::uint16_t kMethodAes = 99;
constexpr int kHostUnix = 3;
constexpr int kHostDarwin = 19;

constexpr std::uint16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

std::uint16_t Read16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::uint32_t Read32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t Read64(const unsigned char* p) {
  return static_cast<std::uint64_t>(Read32(p)) | static_cast<std::uint64_t>(Read32(p + 4)) << 32;
}

const unsigned char* Bytes(const std::string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

// Exactly `size` bytes at `offset`, or false.
bool ReadExactly(ByteSource& source, std::uint64_t offset, std::size_t size, std::string& out) {
  out.resize(size);
  if (offset > source.Size() || source.Size() - offset < size) return false;
  return size == 0 || source.ReadAt(offset, out.data(), size) == size;
}

std::uint32_t Crc(std::uint32_t crc, const void* bytes, std::size_t size) {
  return static_cast<std::uint32_t>(
      crc32(crc, static_cast<const Bytef*>(bytes), static_cast<uInt>(size)));
}

ZipDirectory Refused(ZipStatus status, std::string error) {
  ZipDirectory directory;
  directory.status = status;
  directory.error = std::move(error);
  return directory;
}

// The end record's position in the bytes before `limit`: the last signature whose comment ends
// them, followed by at most `padding` zero bytes; failing that (when `appended`: bytes appended
// after the zip), the last whose comment fits. A comment may hold the signature too.
bool FindEnd(ByteSource& source, std::uint64_t limit, std::size_t padding, bool appended,
             std::uint64_t& at, std::string& record) {
  if (limit < kEndBytes) return false;
  const std::uint64_t span = std::min<std::uint64_t>(limit, kEndBytes + kMaxComment + padding);
  std::string tail;
  if (!ReadExactly(source, limit - span, static_cast<std::size_t>(span), tail)) return false;
  for (const bool exact : {true, false}) {
    if (!exact && !appended) break;
    for (std::size_t i = tail.size() - kEndBytes + 1; i-- > 0;) {
      if (Read32(Bytes(tail) + i) != kEndSignature) continue;
      const std::size_t end = i + kEndBytes + Read16(Bytes(tail) + i + 20);
      if (exact ? end > tail.size() || tail.size() - end > padding ||
                      tail.find_first_not_of('\0', end) != std::string::npos
                : end > tail.size())
        continue;
      at = limit - span + i;
      record = tail.substr(i, kEndBytes);
      return true;
    }
  }
  return false;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

struct Fields {
  std::string unicodePath;  // from a matching 0x7075 field
  std::optional<std::int64_t> modified;  // from a 0x5455 field
  bool zip64Missing = false;
};

std::int64_t DosTime(std::uint16_t time, std::uint16_t date) {
  std::tm local{};
  local.tm_year = 80 + (date >> 9);
  local.tm_mon = std::max(((date >> 5) & 0x0F) - 1, 0);
  local.tm_mday = std::max(date & 0x1F, 1);
  local.tm_hour = time >> 11;
  local.tm_min = (time >> 5) & 0x3F;
  local.tm_sec = (time & 0x1F) * 2;
  local.tm_isdst = -1;
  const std::time_t seconds = std::mktime(&local);
  return seconds == static_cast<std::time_t>(-1) ? 0 : static_cast<std::int64_t>(seconds);
}

// The extra fields of a central entry: zip64 sizes (only those whose 32-bit field is all ones,
// in this order) and the Unicode Path of the stored name `raw`.
Fields ReadExtra(std::string_view extra, std::string_view raw, ZipEntry& entry, bool wideSize,
                 bool wideCompressed, bool wideOffset) {
  Fields fields;
  bool zip64Seen = false;
  for (std::size_t at = 0; at + 4 <= extra.size();) {
    const auto* p = reinterpret_cast<const unsigned char*>(extra.data()) + at;
    const std::uint16_t id = Read16(p);
    const std::size_t length = Read16(p + 2);
    if (at + 4 + length > extra.size()) break;  // padding or junk at the end: ignored
    const unsigned char* data = p + 4;
    if (id == 0x0001 && !zip64Seen) {
      zip64Seen = true;
      std::size_t used = 0;
      const auto take = [&](bool wide, std::uint64_t& value) {
        if (!wide) return;
        if (used + 8 > length) {
          fields.zip64Missing = true;
          return;
        }
        value = Read64(data + used);
        used += 8;
      };
      take(wideSize, entry.size);
      take(wideCompressed, entry.compressedSize);
      take(wideOffset, entry.localHeader);
    } else if (id == 0x5455 && length >= 5 && (data[0] & 1)) {
      fields.modified = static_cast<std::int32_t>(Read32(data + 1));
    } else if (id == 0x7075 && length >= 5 && data[0] == 1 &&
               Read32(data + 1) == Crc(0, raw.data(), raw.size())) {
      const std::string_view name(reinterpret_cast<const char*>(data + 5), length - 5);
      if (IsValidUtf8(name)) fields.unicodePath.assign(name);
    }
    at += 4 + length;
  }
  if ((wideSize || wideCompressed || wideOffset) && !zip64Seen) fields.zip64Missing = true;
  return fields;
}

std::string DecodeName(const std::string& raw, const ZipEntry& entry, const Fields& fields) {
  if ((entry.flags & kFlagUtf8) && IsValidUtf8(raw)) return raw;
  if (!fields.unicodePath.empty()) return fields.unicodePath;
  // Unix zip tools store the names as the system has them, UTF-8 today, and mark nothing.
  if ((entry.madeBy >> 8) == kHostUnix && IsValidUtf8(raw)) return raw;
  return Cp437ToUtf8(raw);
}

}  // namespace

std::size_t MemoryByteSource::ReadAt(std::uint64_t offset, void* into, std::size_t size) {
  if (offset >= m_bytes.size()) return 0;
  const std::size_t n = std::min<std::uint64_t>(size, m_bytes.size() - offset);
  std::memcpy(into, m_bytes.data() + offset, n);
  return n;
}

namespace {

int Seek(std::FILE* file, std::uint64_t offset, int whence) {
#ifdef _WIN32
  return _fseeki64(file, static_cast<__int64>(offset), whence);
#else
  return fseeko(file, static_cast<off_t>(offset), whence);
#endif
}

std::int64_t Tell(std::FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return ftello(file);
#endif
}

}  // namespace

std::unique_ptr<FileByteSource> FileByteSource::Open(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return nullptr;
  std::int64_t size = -1;
  if (Seek(file, 0, SEEK_END) == 0) size = Tell(file);
  if (size < 0) {
    std::fclose(file);
    return nullptr;
  }
  std::setvbuf(file, nullptr, _IOFBF, 64 * 1024);
  return std::unique_ptr<FileByteSource>(
      new FileByteSource(file, static_cast<std::uint64_t>(size)));
}

FileByteSource::~FileByteSource() { std::fclose(m_file); }

std::size_t FileByteSource::ReadAt(std::uint64_t offset, void* into, std::size_t size) {
  // Sequential reads (an entry's data) need no seek, which would drop the stream's buffer.
  if (offset != m_position) {
    if (Seek(m_file, offset, SEEK_SET) != 0) {
      m_position = UINT64_MAX;
      return 0;
    }
  }
  const std::size_t got = std::fread(into, 1, size, m_file);
  m_position = got == size ? offset + got : UINT64_MAX;
  if (got != size) std::clearerr(m_file);
  return got;
}

// Authenticode appends the certificate table after everything else (a zip we put there
// included) and names it in the PE header's security directory, as a file offset and size.
std::uint64_t CertificateTableStart(ByteSource& source) {
  std::string dos, pe;
  if (!ReadExactly(source, 0, 64, dos) || dos[0] != 'M' || dos[1] != 'Z') return 0;
  const std::uint64_t peAt = Read32(Bytes(dos) + 0x3C);
  // The signature, the file header, and the optional header up to its first 16 directories.
  if (!ReadExactly(source, peAt, 4 + 20 + 112 + 16 * 8, pe) || pe.compare(0, 4, "PE\0\0", 4) != 0)
    return 0;
  const auto* optional = Bytes(pe) + 24;
  const std::uint16_t optionalSize = Read16(Bytes(pe) + 20);
  const std::uint16_t magic = Read16(optional);
  const std::size_t countAt = magic == 0x10b ? 92 : magic == 0x20b ? 108 : 0;
  if (countAt == 0 || Read32(optional + countAt) <= kSecurityDirectory) return 0;
  const std::size_t entryAt = countAt + 4 + kSecurityDirectory * 8;
  if (optionalSize < entryAt + 8) return 0;
  const std::uint64_t tableAt = Read32(optional + entryAt);
  const std::uint64_t tableSize = Read32(optional + entryAt + 4);
  if (tableAt == 0 || tableSize == 0 || tableAt > source.Size() ||
      tableSize > source.Size() - tableAt)
    return 0;
  return tableAt;
}

std::uint64_t ProgramImageEnd(ByteSource& source) {
  std::string dos, file;
  if (!ReadExactly(source, 0, 64, dos) || dos[0] != 'M' || dos[1] != 'Z') return 0;
  const std::uint64_t peAt = Read32(Bytes(dos) + 0x3C);
  if (!ReadExactly(source, peAt, 4 + 20 + 64, file) || file.compare(0, 4, "PE\0\0", 4) != 0)
    return 0;
  const unsigned char* header = Bytes(file) + 4;
  const std::uint16_t sections = Read16(header + 2);
  const std::uint64_t symbolsAt = Read32(header + 8);
  const std::uint64_t symbolCount = Read32(header + 12);
  const std::uint16_t optionalSize = Read16(header + 16);
  std::uint64_t end = Read32(header + 20 + 60);  // SizeOfHeaders, in both PE32 and PE32+
  std::string table;
  if (!ReadExactly(source, peAt + 24 + optionalSize, std::size_t{40} * sections, table)) return 0;
  for (std::uint16_t i = 0; i < sections; ++i) {
    const unsigned char* section = Bytes(table) + 40 * i;
    end = std::max<std::uint64_t>(end, std::uint64_t{Read32(section + 20)} + Read32(section + 16));
  }
  if (symbolsAt != 0) {
    // The symbol table of an unstripped program, then its string table, led by its own size.
    const std::uint64_t stringsAt = symbolsAt + symbolCount * 18;
    std::string size;
    end = std::max(end, ReadExactly(source, stringsAt, 4, size) ? stringsAt + Read32(Bytes(size))
                                                                 : stringsAt);
  }
  return end;
}

ZipDirectory ReadZipDirectory(ByteSource& source, std::uint64_t maxEntries) {
  std::uint64_t endAt = 0;
  std::string end;
  // A signed setup file: the zip ends where the certificate table starts, give or take the
  // signer's padding to 8 bytes. Anything else behind a zip is read as before.
  const std::uint64_t tableAt = CertificateTableStart(source);
  if (!(tableAt > 0 && FindEnd(source, tableAt, kTablePadding, false, endAt, end)) &&
      !FindEnd(source, source.Size(), 0, true, endAt, end))
    return Refused(ZipStatus::kNotZip, "no end of central directory");
  const auto* e = Bytes(end);
  if (Read16(e + 4) != 0 || Read16(e + 6) != 0)
    return Refused(ZipStatus::kUnsupported, "split over several files");
  if (Read16(e + 8) != Read16(e + 10))
    return Refused(ZipStatus::kDamaged, "the end record's entry counts disagree");
  std::uint64_t count = Read16(e + 10);
  std::uint64_t directorySize = Read32(e + 12);
  std::uint64_t directoryOffset = Read32(e + 16);
  // Where the directory must end: the zip64 end record if there is one, else the end record.
  std::uint64_t directoryEnd = endAt;
  std::string locator;
  if ((count == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF) &&
      endAt >= kZip64LocatorBytes &&
      ReadExactly(source, endAt - kZip64LocatorBytes, kZip64LocatorBytes, locator) &&
      Read32(Bytes(locator)) == kZip64LocatorSignature) {
    if (Read32(Bytes(locator) + 4) != 0 || Read32(Bytes(locator) + 16) > 1)
      return Refused(ZipStatus::kUnsupported, "split over several files");
    // Stated, or just before the locator when bytes in front of the zip moved it.
    const std::uint64_t locatorAt = endAt - kZip64LocatorBytes;
    std::string record;
    std::uint64_t recordAt = Read64(Bytes(locator) + 8);
    if (!(recordAt < locatorAt && ReadExactly(source, recordAt, kZip64EndBytes, record) &&
          Read32(Bytes(record)) == kZip64EndSignature)) {
      recordAt = locatorAt >= kZip64EndBytes ? locatorAt - kZip64EndBytes : 0;
      if (!ReadExactly(source, recordAt, kZip64EndBytes, record) ||
          Read32(Bytes(record)) != kZip64EndSignature)
        return Refused(ZipStatus::kDamaged, "the zip64 end record is missing");
    }
    const auto* r = Bytes(record);
    if (Read32(r + 16) != 0 || Read32(r + 20) != 0)
      return Refused(ZipStatus::kUnsupported, "split over several files");
    if (Read64(r + 24) != Read64(r + 32))
      return Refused(ZipStatus::kDamaged, "the end record's entry counts disagree");
    count = Read64(r + 32);
    directorySize = Read64(r + 40);
    directoryOffset = Read64(r + 48);
    directoryEnd = recordAt;
  }
  if (directorySize > directoryEnd || directoryOffset > directoryEnd - directorySize)
    return Refused(ZipStatus::kDamaged, "the central directory lies beyond the file's end");
  // Bytes in front of the zip (a self-extracting program's stub) shift every offset.
  const std::uint64_t directoryAt = directoryEnd - directorySize;
  const std::uint64_t shift = directoryAt - directoryOffset;
  if (count > maxEntries) return Refused(ZipStatus::kTooMany, std::to_string(count) + " entries");
  // Each entry takes at least its fixed part: a count the directory cannot hold is a lie.
  if (count > directorySize / kCentralBytes)
    return Refused(ZipStatus::kDamaged, "the central directory is cut short");

  ZipDirectory directory;
  directory.entries.reserve(static_cast<std::size_t>(count));
  std::uint64_t at = directoryAt;
  std::string fixed, variable;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (directoryEnd - at < kCentralBytes || !ReadExactly(source, at, kCentralBytes, fixed) ||
        Read32(Bytes(fixed)) != kCentralSignature)
      return Refused(ZipStatus::kDamaged, "the central directory is cut short");
    const auto* c = Bytes(fixed);
    ZipEntry entry;
    entry.madeBy = Read16(c + 4);
    entry.flags = Read16(c + 8);
    entry.method = Read16(c + 10);
    entry.crc = Read32(c + 16);
    entry.compressedSize = Read32(c + 20);
    entry.size = Read32(c + 24);
    const std::size_t nameLength = Read16(c + 28), extraLength = Read16(c + 30),
                      commentLength = Read16(c + 32);
    entry.externalAttributes = Read32(c + 38);
    entry.localHeader = Read32(c + 42);
    const std::uint64_t next = at + kCentralBytes + nameLength + extraLength + commentLength;
    if (next > directoryEnd ||
        !ReadExactly(source, at + kCentralBytes, nameLength + extraLength, variable))
      return Refused(ZipStatus::kDamaged, "the central directory is cut short");
    const std::string raw = variable.substr(0, nameLength);
    const Fields fields =
        ReadExtra(std::string_view(variable).substr(nameLength), raw, entry,
                  entry.size == 0xFFFFFFFF, entry.compressedSize == 0xFFFFFFFF,
                  entry.localHeader == 0xFFFFFFFF);
    if (fields.zip64Missing)
      return Refused(ZipStatus::kDamaged, "an entry lacks its zip64 sizes");
    entry.name = DecodeName(raw, entry, fields);
    entry.modified = fields.modified ? *fields.modified : DosTime(Read16(c + 12), Read16(c + 14));
    // The entry's header and data lie before the directory.
    if (entry.localHeader > directoryOffset ||
        directoryOffset - entry.localHeader < kLocalBytes + nameLength ||
        entry.compressedSize > directoryOffset - entry.localHeader - kLocalBytes)
      return Refused(ZipStatus::kDamaged, "an entry lies outside the file");
    entry.localHeader += shift;
    entry.encrypted = (entry.flags & (kFlagEncrypted | kFlagDirectoryEncrypted)) != 0 ||
                      entry.method == kMethodAes;
    const int host = entry.madeBy >> 8;
    const std::uint32_t type = (entry.externalAttributes >> 16) & 0170000;
    const bool unixMode = host == kHostUnix || host == kHostDarwin;
    entry.directory = (!entry.name.empty() && (entry.name.back() == '/' || entry.name.back() == '\\')) ||
                      (unixMode ? type == 0040000 : (entry.externalAttributes & 0x10) != 0);
    entry.link = unixMode && type == 0120000;
    entry.special = unixMode && !entry.link && type != 0 && type != 0100000 && type != 0040000;
    directory.entries.push_back(std::move(entry));
    at = next;
  }
  if (at != directoryEnd)
    return Refused(ZipStatus::kDamaged, "the entry count does not match the central directory");
  return directory;
}

namespace {

// zlib's raw-deflate state, ended with its owner.
class Inflater {
 public:
  Inflater() { m_ok = inflateInit2(&m_stream, -MAX_WBITS) == Z_OK; }
  ~Inflater() {
    if (m_ok) inflateEnd(&m_stream);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  bool ok() const { return m_ok; }
  z_stream& stream() { return m_stream; }

 private:
  z_stream m_stream{};
  bool m_ok = false;
};

ZipRead Failed(ZipStatus status, std::string error, std::uint64_t written) {
  return ZipRead{status, std::move(error), written};
}

}  // namespace

ZipRead ReadZipEntry(ByteSource& source, const ZipEntry& entry, std::uint64_t bound,
                     const ZipSink& sink) {
  if (entry.encrypted) return Failed(ZipStatus::kEncrypted, "encrypted", 0);
  if (entry.method != 0 && entry.method != 8)
    return Failed(ZipStatus::kUnsupported, "compression method " + std::to_string(entry.method), 0);
  std::string local;
  if (!ReadExactly(source, entry.localHeader, kLocalBytes, local) ||
      Read32(Bytes(local)) != kLocalSignature)
    return Failed(ZipStatus::kDamaged, "its local header is missing", 0);
  // The local header's own name and extra lengths, which may differ from the directory's.
  const std::uint64_t dataAt =
      entry.localHeader + kLocalBytes + Read16(Bytes(local) + 26) + Read16(Bytes(local) + 28);
  if (dataAt > source.Size() || source.Size() - dataAt < entry.compressedSize)
    return Failed(ZipStatus::kDamaged, "its data is cut short", 0);

  std::uint32_t crc = Crc(0, nullptr, 0);
  std::uint64_t written = 0;
  // Bytes for the sink, checked against what the entry states and the caller's bound first.
  const auto give = [&](const char* bytes, std::size_t size) -> std::optional<ZipRead> {
    if (size > entry.size - written)
      return Failed(ZipStatus::kDamaged, "more bytes than its stated size", written);
    if (written > bound || size > bound - written)
      return Failed(ZipStatus::kOverLimit, "beyond the bound", written);
    crc = Crc(crc, bytes, size);
    if (!sink(bytes, size)) return Failed(ZipStatus::kSinkFailed, "not written", written);
    written += size;
    return std::nullopt;
  };

  std::string input(kChunk, '\0');
  std::uint64_t left = entry.compressedSize;
  std::uint64_t offset = dataAt;
  const auto readInput = [&](std::size_t& got) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kChunk));
    got = source.ReadAt(offset, input.data(), want);
    offset += got;
    left -= got;
    return got == want;
  };

  if (entry.method == 0) {
    if (entry.compressedSize != entry.size)
      return Failed(ZipStatus::kDamaged, "its stored size does not match", 0);
    while (left > 0) {
      std::size_t got = 0;
      if (!readInput(got)) return Failed(ZipStatus::kDamaged, "its data cannot be read", written);
      if (auto failed = give(input.data(), got)) return *failed;
    }
  } else {
    Inflater inflater;
    if (!inflater.ok()) return Failed(ZipStatus::kDamaged, "no memory to inflate", 0);
    z_stream& z = inflater.stream();
    std::string output(kChunk, '\0');
    int result = Z_OK;
    while (result != Z_STREAM_END) {
      if (z.avail_in == 0) {
        if (left == 0) return Failed(ZipStatus::kDamaged, "its data is cut short", written);
        std::size_t got = 0;
        if (!readInput(got)) return Failed(ZipStatus::kDamaged, "its data cannot be read", written);
        z.next_in = reinterpret_cast<Bytef*>(input.data());
        z.avail_in = static_cast<uInt>(got);
      }
      z.next_out = reinterpret_cast<Bytef*>(output.data());
      z.avail_out = static_cast<uInt>(output.size());
      result = inflate(&z, Z_NO_FLUSH);
      if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
        return Failed(ZipStatus::kDamaged, "its deflate data is broken", written);
      const std::size_t produced = output.size() - z.avail_out;
      if (produced > 0)
        if (auto failed = give(output.data(), produced)) return *failed;
      if (result == Z_BUF_ERROR && produced == 0 && z.avail_in != 0)
        return Failed(ZipStatus::kDamaged, "its deflate data is broken", written);
    }
  }
  if (written != entry.size)
    return Failed(ZipStatus::kDamaged, "fewer bytes than its stated size", written);
  if (crc != entry.crc) return Failed(ZipStatus::kDamaged, "its CRC-32 does not match", written);
  return ZipRead{ZipStatus::kOk, "", written};
}

std::string Cp437ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) AppendUtf8(out, c < 0x80 ? c : kCp437High[c - 0x80]);
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    const int length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2
                     : lead >= 0xE0 && lead < 0xF0 ? 3 : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
    if (length == 0 || bytes.size() - i < static_cast<std::size_t>(length)) return false;
    std::uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1Fu
                       : length == 3 ? lead & 0x0Fu : lead & 0x07u;
    for (int k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3Fu);
    }
    if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code < 0xE000))) ||
        (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
      return false;
    i += static_cast<std::size_t>(length);
  }
  return true;
}

}  // namespace gridmoor
