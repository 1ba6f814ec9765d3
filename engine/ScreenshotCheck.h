#pragma once
// What the dialog's picture accepts from a screenshot file, decided from the file's bytes
// alone, so that the dialog (ui/DibBitmap.cpp reads its headers through these) and a package
// check on any system agree on every file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace gridmoor {

// The rectangle the dialog stretches every screenshot into, in pixels.
constexpr int kScreenshotWidth = 300;
constexpr int kScreenshotHeight = 178;

constexpr std::size_t kBmpFileHeaderBytes = 14;
constexpr std::size_t kBmpInfoHeaderBytes = 40;
constexpr std::uint32_t kBmpCompressionRgb = 0;        // BI_RGB
constexpr std::uint32_t kBmpCompressionBitFields = 3;  // BI_BITFIELDS

// The fields of a BMP file's 14-byte file header and 40-byte info header.
struct BmpHeaders {
  std::uint16_t type = 0;         // "BM" is 0x4D42
  std::uint32_t fileSize = 0;     // bfSize
  std::uint32_t pixelOffset = 0;  // bfOffBits
  std::uint32_t infoSize = 0;     // biSize
  std::int32_t width = 0;
  std::int32_t height = 0;        // negative: rows stored top-down
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
};

// Decodes the headers from the first kBmpFileHeaderBytes + kBmpInfoHeaderBytes bytes of a file
// (little-endian); `bytes` must hold that many.
BmpHeaders DecodeBmpHeaders(const unsigned char* bytes);

// Whether the file header begins a BMP file ("BM").
bool IsBmpSignature(const BmpHeaders& headers);
// Whether the info header is the 40-byte one, the only one the picture reads.
bool IsSupportedInfoSize(const BmpHeaders& headers);

// Colour-table entries a header implies, whatever its biClrUsed: 2, 16, 256 for 1, 4, 8 bits;
// 3 (the bit-field masks) for 16, 24, 32 bits with BI_BITFIELDS; otherwise 0.
int BmpTableEntries(int bitCount, std::uint32_t compression);

// Bytes in one pixel row, rounded up to a multiple of 4; 0 when that would not fit an int.
int BmpRowStride(int width, int bitCount);

// RowStride x |height|: the bytes of the picture's section. 0 when that is empty or beyond
// 2^31 - 1 bytes.
std::size_t BmpSectionBytes(std::int32_t width, std::int32_t height, int bitCount);

// The pixel area's size, bfSize - bfOffBits as a signed 32-bit number; negative when bfSize
// lies below bfOffBits.
std::int32_t BmpPixelAreaBytes(const BmpHeaders& headers);

// Why the system would refuse to make the picture's section from this header, or "" when it
// makes one: only uncompressed rows (BI_RGB; BI_BITFIELDS with 16 or 32 bits), 1, 4, 8, 16,
// 24 or 32 bits, a positive width, a height other than 0, one plane, and a section
// of at most 2^31 - 1 bytes.
std::string BmpSectionRefusal(const BmpHeaders& headers);

struct ScreenshotVerdict {
  bool loadable = false;
  std::string problem;  // why not, when not loadable
  std::int64_t width = 0;  // the image's size when the headers could be read
  std::int64_t height = 0;
};

// Whether the dialog's picture would load a file holding `bytes`, and why not: not a BMP,
// another info header, cut in the headers, colour table or pixel area, an empty or negative
// pixel area, or a header the system makes no section from.
ScreenshotVerdict CheckScreenshot(std::string_view bytes);

}  // namespace gridmoor
