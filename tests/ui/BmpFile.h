#pragma once
// BMP files made by the tests: well-formed ones of any shape, then broken where a test needs it.

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ui/DibBitmap.h"

namespace gridmoor::ui::test {

struct BmpShape {
  int width;
  int height;  // negative: top-down
  int bitCount;
  DWORD compression = BI_RGB;
  DWORD clrUsed = 0;
};

// A well-formed BMP file of `shape` whose colour table entry i is (i, 255 - i, i / 2) and
// whose pixel bytes count up from 1. Fields are then broken by the tests that need it.
struct BmpFile {
  BITMAPFILEHEADER file{};
  std::vector<unsigned char> info;  // info header of any size, then table or masks
  std::vector<unsigned char> pixels;

  explicit BmpFile(const BmpShape& shape, DWORD infoSize = 40) {
    BITMAPINFOHEADER header{};
    header.biSize = infoSize;
    header.biWidth = shape.width;
    header.biHeight = shape.height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(shape.bitCount);
    header.biCompression = shape.compression;
    header.biClrUsed = shape.clrUsed;
    header.biSizeImage = 0;
    info.resize(infoSize);
    std::memcpy(info.data(), &header, std::min<std::size_t>(infoSize, sizeof header));
    const int entries = TableEntriesFor(shape.bitCount, shape.compression);
    for (int i = 0; i < entries; ++i) {
      if (shape.compression == BI_BITFIELDS) {
        const DWORD masks16[3] = {0xF800, 0x07E0, 0x001F};
        const DWORD masks32[3] = {0xFF0000, 0x00FF00, 0x0000FF};
        const DWORD mask = shape.bitCount == 16 ? masks16[i] : masks32[i];
        AppendBytes(info, &mask, 4);
      } else {
        const RGBQUAD quad{static_cast<BYTE>(i / 2), static_cast<BYTE>(255 - i),
                           static_cast<BYTE>(i), 0};
        AppendBytes(info, &quad, 4);
      }
    }
    const int rows = shape.height < 0 ? -shape.height : shape.height;
    pixels.resize(static_cast<std::size_t>(RowStride(shape.width, shape.bitCount)) * rows);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i + 1);
    file.bfType = 0x4D42;
    file.bfOffBits = static_cast<DWORD>(sizeof file + info.size());
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
  }

  static void AppendBytes(std::vector<unsigned char>& to, const void* from, std::size_t count) {
    const auto* bytes = static_cast<const unsigned char*>(from);
    to.insert(to.end(), bytes, bytes + count);
  }

  const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }

  // Makes the pixel area `bytes` long, padding with `fill`, and the file size follow it.
  void SetPixelArea(std::size_t bytes, unsigned char fill = 0) {
    pixels.resize(bytes, fill);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
  }

  std::string Bytes() const {
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(info.begin(), info.end());
    bytes.append(pixels.begin(), pixels.end());
    return bytes;
  }
};

// A 24-bit BMP of one colour.
inline std::string SolidBmp(int width, int height, COLORREF colour) {
  BmpFile bmp({width, height, 24});
  const std::size_t stride = static_cast<std::size_t>(RowStride(width, 24));
  for (std::size_t row = 0; row < bmp.pixels.size(); row += stride) {
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
      bmp.pixels[row + x * 3] = GetBValue(colour);
      bmp.pixels[row + x * 3 + 1] = GetGValue(colour);
      bmp.pixels[row + x * 3 + 2] = GetRValue(colour);
    }
  }
  return bmp.Bytes();
}

}  // namespace gridmoor::ui::test
