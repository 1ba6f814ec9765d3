#include "platform/ZipWriter.h"

#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

namespace gridmoor {

namespace {

constexpr std::size_t kChunk = 256 * 1024;
constexpr std::uint16_t kFlagUtf8 = 1u << 11;
constexpr std::uint16_t kMadeByUnix = 0x0314;  // Unix, zip 2.0: the mode below is read as such
constexpr std::uint32_t kFileMode = 0100644u << 16;
constexpr int kLevel = 6;  // zip's own default: most of 9's gain at a fraction of its time
constexpr std::size_t kTimeFieldBytes = 9;

void Put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// The extended timestamp field (0x5455) with the modification time alone, in both headers.
std::string TimeField(std::int64_t modified) {
  std::string field;
  Put16(field, 0x5455);
  Put16(field, 5);
  field += '\x01';
  Put32(field, static_cast<std::uint32_t>(static_cast<std::int32_t>(modified)));
  return field;
}

// The DOS date (high half) and time (low half), in local time as zip tools write them.
std::uint32_t DosTime(std::int64_t modified) {
  const std::time_t seconds = static_cast<std::time_t>(modified);
  const std::tm* local = std::localtime(&seconds);
  if (!local || local->tm_year < 80) return (1u << 5 | 1u) << 16;  // 1 January 1980
  const int year = std::min(local->tm_year - 80, 127);
  const std::uint32_t date =
      static_cast<std::uint32_t>(year << 9 | (local->tm_mon + 1) << 5 | local->tm_mday);
  const std::uint32_t time =
      static_cast<std::uint32_t>(local->tm_hour << 11 | local->tm_min << 5 | local->tm_sec / 2);
  return date << 16 | time;
}

// zlib's raw-deflate state, ended with its owner.
class Deflater {
 public:
  Deflater() {
    m_ok = deflateInit2(&m_stream, kLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~Deflater() {
    if (m_ok) deflateEnd(&m_stream);
  }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;
  bool ok() const { return m_ok; }
  z_stream& stream() { return m_stream; }

 private:
  z_stream m_stream{};
  bool m_ok = false;
};

int Seek(std::FILE* file, std::uint64_t offset) {
#ifdef _WIN32
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET);
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET);
#endif
}

std::string LocalHeader(const std::string& name, std::uint16_t method, std::uint32_t dosTime,
                        std::uint32_t crc, std::uint32_t compressedSize, std::uint32_t size,
                        std::int64_t modified) {
  std::string out;
  Put32(out, 0x04034b50);
  Put16(out, 20);
  Put16(out, kFlagUtf8);
  Put16(out, method);
  Put32(out, dosTime);
  Put32(out, crc);
  Put32(out, compressedSize);
  Put32(out, size);
  Put16(out, static_cast<std::uint32_t>(name.size()));
  Put16(out, kTimeFieldBytes);
  out += name;
  out += TimeField(modified);
  return out;
}

}  // namespace

std::unique_ptr<ZipWriter> ZipWriter::Create(const std::string& path, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "w+b");
  if (!file) {
    error = "cannot be created";
    return nullptr;
  }
  std::setvbuf(file, nullptr, _IOFBF, 256 * 1024);
  return std::unique_ptr<ZipWriter>(new ZipWriter(file, path));
}

ZipWriter::~ZipWriter() {
  if (m_file) std::fclose(m_file);
}

bool ZipWriter::Write(const void* bytes, std::size_t size) {
  if (size == 0) return true;
  if (std::fwrite(bytes, 1, size, m_file) != size) return false;
  m_end += size;
  return true;
}

bool ZipWriter::WriteAt(std::uint64_t offset, const std::string& bytes) {
  return Seek(m_file, offset) == 0 &&
         std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size() &&
         Seek(m_file, m_end) == 0;
}

bool ZipWriter::Fail(std::string& error, std::string message) {
  m_spent = true;
  error = std::move(message);
  return false;
}

bool ZipWriter::Add(const std::string& name, ByteSource& source, std::int64_t modified,
                    std::string& error) {
  if (m_spent || !m_file) return Fail(error, "the zip is not open");
  if (m_entries.size() >= kZipMaxEntries)
    return Fail(error, "more than 65535 files: too many for a zip without zip64");
  if (name.size() > 0xFFFF) return Fail(error, "its name is too long for a zip");
  const std::uint64_t size = source.Size();
  if (size > kZipMaxOffset) return Fail(error, "4 GiB or more: too big for a zip without zip64");

  Entry entry;
  entry.name = name;
  entry.method = 8;
  entry.size = static_cast<std::uint32_t>(size);
  entry.dosTime = DosTime(modified);
  entry.modified = modified;
  entry.localHeader = m_end;
  const std::string header = LocalHeader(name, 8, entry.dosTime, 0, 0, 0, modified);
  if (!Write(header.data(), header.size())) return Fail(error, "the zip cannot be written");
  const std::uint64_t dataAt = m_end;

  Deflater deflater;
  if (!deflater.ok()) return Fail(error, "no memory to deflate");
  z_stream& z = deflater.stream();
  std::string input(kChunk, '\0'), output(kChunk, '\0');
  std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
  std::uint64_t read = 0;
  int flush = Z_NO_FLUSH;
  do {
    if (z.avail_in == 0 && flush == Z_NO_FLUSH) {
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size - read));
      if (want > 0 && source.ReadAt(read, input.data(), want) != want)
        return Fail(error, "cannot be read");
      crc = static_cast<std::uint32_t>(
          crc32(crc, reinterpret_cast<const Bytef*>(input.data()), static_cast<uInt>(want)));
      read += want;
      z.next_in = reinterpret_cast<Bytef*>(input.data());
      z.avail_in = static_cast<uInt>(want);
      if (read == size) flush = Z_FINISH;
    }
    z.next_out = reinterpret_cast<Bytef*>(output.data());
    z.avail_out = static_cast<uInt>(output.size());
    const int result = deflate(&z, flush);
    if (result == Z_STREAM_ERROR) return Fail(error, "deflate failed");
    if (!Write(output.data(), output.size() - z.avail_out))
      return Fail(error, "the zip cannot be written");
    if (result == Z_STREAM_END) break;
  } while (true);
  entry.crc = crc;

  std::uint64_t compressed = m_end - dataAt;
  if (compressed >= size) {
    // Deflate did not shrink it: the bytes as they are, over the deflated ones (never longer).
    entry.method = 0;
    compressed = size;
    if (Seek(m_file, dataAt) != 0) return Fail(error, "the zip cannot be written");
    m_end = dataAt;
    std::uint32_t again = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
    for (std::uint64_t at = 0; at < size;) {
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size - at));
      if (source.ReadAt(at, input.data(), want) != want) return Fail(error, "cannot be read");
      again = static_cast<std::uint32_t>(
          crc32(again, reinterpret_cast<const Bytef*>(input.data()), static_cast<uInt>(want)));
      if (!Write(input.data(), want)) return Fail(error, "the zip cannot be written");
      at += want;
    }
    if (again != crc) return Fail(error, "changed while it was packed");
  }
  if (m_end > kZipMaxOffset)
    return Fail(error, "the zip reaches 4 GiB: too big for a zip without zip64");
  entry.compressedSize = static_cast<std::uint32_t>(compressed);
  if (!WriteAt(entry.localHeader, LocalHeader(name, entry.method, entry.dosTime, entry.crc,
                                              entry.compressedSize, entry.size, modified)))
    return Fail(error, "the zip cannot be written");
  m_entries.push_back(std::move(entry));
  return true;
}

std::string ZipWriter::DirectoryBytes(std::uint64_t shift) const {
  std::string directory;
  for (const Entry& entry : m_entries) {
    Put32(directory, 0x02014b50);
    Put16(directory, kMadeByUnix);
    Put16(directory, 20);
    Put16(directory, kFlagUtf8);
    Put16(directory, entry.method);
    Put32(directory, entry.dosTime);
    Put32(directory, entry.crc);
    Put32(directory, entry.compressedSize);
    Put32(directory, entry.size);
    Put16(directory, static_cast<std::uint32_t>(entry.name.size()));
    Put16(directory, kTimeFieldBytes);
    Put16(directory, 0);  // comment
    Put16(directory, 0);  // disk
    Put16(directory, 0);  // internal attributes
    Put32(directory, kFileMode);
    Put32(directory, static_cast<std::uint32_t>(entry.localHeader + shift));
    directory += entry.name;
    directory += TimeField(entry.modified);
  }
  const std::uint64_t at = m_directoryOffset + shift;
  if (at > kZipMaxOffset || directory.size() > kZipMaxOffset - at) return {};
  const auto directorySize = static_cast<std::uint32_t>(directory.size());
  Put32(directory, 0x06054b50);
  Put32(directory, 0);  // this disk, the directory's disk
  Put16(directory, static_cast<std::uint32_t>(m_entries.size()));
  Put16(directory, static_cast<std::uint32_t>(m_entries.size()));
  Put32(directory, directorySize);
  Put32(directory, static_cast<std::uint32_t>(at));
  Put16(directory, 0);  // comment
  return directory;
}

bool ZipWriter::Finish(std::string& error) {
  if (m_spent || !m_file) return Fail(error, "the zip is not open");
  m_directoryOffset = m_end;
  const std::string directory = DirectoryBytes(0);
  if (directory.empty()) return Fail(error, "the zip reaches 4 GiB: too big for a zip without zip64");
  const bool written = Write(directory.data(), directory.size()) && std::fflush(m_file) == 0;
  const bool closed = std::fclose(m_file) == 0;
  m_file = nullptr;
  if (!written || !closed) return Fail(error, "the zip cannot be written");
  // A stored entry written over a longer deflated one may leave bytes past the end record.
  std::error_code cut;
  std::filesystem::resize_file(m_path, m_end, cut);
  if (cut) return Fail(error, "the zip cannot be written: " + cut.message());
  m_spent = true;
  return true;
}

}  // namespace gridmoor
