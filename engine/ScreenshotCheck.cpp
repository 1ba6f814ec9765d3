#include "engine/ScreenshotCheck.h"

#include <cstdlib>
#include <limits>

namespace gridmoor {

namespace {

std::uint32_t Read32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t Read16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

BmpHeaders DecodeBmpHeaders(const unsigned char* bytes) {
  BmpHeaders h;
  h.type = Read16(bytes);
  h.fileSize = Read32(bytes + 2);
  h.pixelOffset = Read32(bytes + 10);
  const unsigned char* info = bytes + kBmpFileHeaderBytes;
  h.infoSize = Read32(info);
  h.width = static_cast<std::int32_t>(Read32(info + 4));
  h.height = static_cast<std::int32_t>(Read32(info + 8));
  h.planes = Read16(info + 12);
  h.bitCount = Read16(info + 14);
  h.compression = Read32(info + 16);
  return h;
}

bool IsBmpSignature(const BmpHeaders& headers) { return headers.type == 0x4D42; }

bool IsSupportedInfoSize(const BmpHeaders& headers) {
  return headers.infoSize == kBmpInfoHeaderBytes;
}

int BmpTableEntries(int bitCount, std::uint32_t compression) {
  switch (bitCount) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    case 16:
    case 24:
    case 32:
      return compression == kBmpCompressionBitFields ? 3 : 0;
    default:
      return 0;
  }
}

int BmpRowStride(int width, int bitCount) {
  // 64-bit so that a hostile header can't overflow; the rounding is that of 32-bit code.
  const std::int64_t bits = static_cast<std::int64_t>(width) * bitCount + 31;
  const std::int64_t stride = (bits & ~std::int64_t{31}) / 8;
  if (stride > std::numeric_limits<int>::max() || stride < std::numeric_limits<int>::min()) {
    return 0;
  }
  return static_cast<int>(stride);
}

std::size_t BmpSectionBytes(std::int32_t width, std::int32_t height, int bitCount) {
  const std::int64_t stride = BmpRowStride(width, bitCount);
  const std::int64_t rows = std::llabs(static_cast<std::int64_t>(height));
  if (stride <= 0 || rows == 0) return 0;
  if (stride > std::numeric_limits<std::int32_t>::max() / rows) return 0;
  return static_cast<std::size_t>(stride * rows);
}

std::int32_t BmpPixelAreaBytes(const BmpHeaders& headers) {
  return static_cast<std::int32_t>(headers.fileSize - headers.pixelOffset);
}

std::string BmpSectionRefusal(const BmpHeaders& h) {
  if (h.compression != kBmpCompressionRgb && h.compression != kBmpCompressionBitFields)
    return "compressed pixels (compression " + std::to_string(h.compression) + ")";
  switch (h.bitCount) {
    case 1: case 4: case 8: case 24:
      if (h.compression == kBmpCompressionBitFields)
        return "bit-field masks with " + std::to_string(h.bitCount) + " bits per pixel";
      break;
    case 16: case 32:
      break;
    default:
      return std::to_string(h.bitCount) + " bits per pixel";
  }
  if (h.width <= 0) return "width " + std::to_string(h.width);
  if (h.height == 0) return "height 0";
  if (h.planes != 1) return std::to_string(h.planes) + " planes (a bitmap has 1)";
  if (BmpSectionBytes(h.width, h.height, h.bitCount) == 0) return "image larger than 2 GiB";
  return "";
}

ScreenshotVerdict CheckScreenshot(std::string_view bytes) {
  ScreenshotVerdict verdict;
  if (bytes.size() < kBmpFileHeaderBytes || bytes[0] != 'B' || bytes[1] != 'M') {
    verdict.problem = "not a BMP file";
    return verdict;
  }
  if (bytes.size() < kBmpFileHeaderBytes + kBmpInfoHeaderBytes) {
    verdict.problem = "the file ends inside its headers";
    return verdict;
  }
  const BmpHeaders h = DecodeBmpHeaders(reinterpret_cast<const unsigned char*>(bytes.data()));
  if (!IsSupportedInfoSize(h)) {
    verdict.problem = "a " + std::to_string(h.infoSize) +
                      "-byte info header (only the 40-byte one is read)";
    return verdict;
  }
  verdict.width = h.width;
  verdict.height = h.height < 0 ? -static_cast<std::int64_t>(h.height) : h.height;
  const std::size_t table =
      static_cast<std::size_t>(BmpTableEntries(h.bitCount, h.compression)) * 4;
  if (bytes.size() < kBmpFileHeaderBytes + kBmpInfoHeaderBytes + table) {
    verdict.problem = "the file ends inside its colour table";
    return verdict;
  }
  const std::int32_t area = BmpPixelAreaBytes(h);
  if (area <= 0) {
    verdict.problem = "an empty or negative pixel area (bfSize " + std::to_string(h.fileSize) +
                      ", bfOffBits " + std::to_string(h.pixelOffset) + ")";
    return verdict;
  }
  if (static_cast<std::uint64_t>(h.pixelOffset) + static_cast<std::uint64_t>(area) >
      bytes.size()) {
    verdict.problem = "the file ends before its pixel area does";
    return verdict;
  }
  verdict.problem = BmpSectionRefusal(h);
  verdict.loadable = verdict.problem.empty();
  return verdict;
}

}  // namespace gridmoor
