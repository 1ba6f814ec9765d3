#pragma once
// The track's screenshot: a device-independent bitmap section with its own logical palette,
// loaded from a BMP file and painted stretched into a rectangle. No operation reports to the
// user or throws; each answers FALSE (or null) instead.

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "ui/framework/Gdi.h"

namespace gridmoor::ui {

// A BITMAPINFO with room for a full 256-entry colour table (1,064 bytes).
struct DibHeader {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256];
};

// The palette used for images whose section has no colour table: the 20 static colours of a
// palette device around a 6x6x6 colour cube and a grey ramp.
extern const std::array<RGBQUAD, 256> kFixedPalette;

// Colour-table entries a header implies, whatever its biClrUsed: 2, 16, 256 for 1, 4, 8 bits;
// 3 (the bit-field masks) for 16, 24, 32 bits with BI_BITFIELDS; otherwise 0.
int TableEntriesFor(int bitCount, DWORD compression);

// Bytes in one pixel row, rounded up to a multiple of 4. Answers 0 when the answer would not
// fit an int.
int RowStride(int width, int bitCount);

// Bytes of the section a header describes: RowStride x |biHeight|. Answers 0 when that is
// empty or beyond 2^31 - 1 bytes.
std::size_t SectionBytes(const BITMAPINFOHEADER& header);

// Whether an info header is one we load: the 40-byte BITMAPINFOHEADER only.
bool IsSupportedInfoHeader(const BITMAPINFOHEADER& header);
// The pixel area's size, bfSize - bfOffBits as a signed 32-bit number; negative when bfSize
// lies below bfOffBits.
std::int32_t PixelAreaBytes(const BITMAPFILEHEADER& header);

// Replaces `palette`'s handle by a fixed palette of 2 (black, white), 16 or 256 entries: the
// smallest of those that holds `count`, 256 when `count` is out of 1..256. FALSE when
// CreatePalette fails (the palette is then without a handle).
BOOL BuildFixedPalette(OwnedPalette& palette, int count);

class CDibBitmap {
 public:
  CDibBitmap();
  virtual ~CDibBitmap();
  CDibBitmap(const CDibBitmap&) = delete;
  CDibBitmap& operator=(const CDibBitmap&) = delete;

  // Empties the holder: section, palette and header go, the draw DC is closed.
  void Clear();

  // Loads a BMP file (relative paths from the current directory). TRUE when the holder then
  // holds the image. Refuses files that are not "BM", whose info header is not 40 bytes, that
  // end early, or whose pixel area is empty or negative; such failures leave the holder as it
  // was. A failure while making the section leaves it empty.
  BOOL LoadBmpFile(const char* path);

  // Makes the section and palette from a 40-byte header followed by its colour table (or
  // bit-field masks) and `pixelBytes` bytes of packed rows. Copies at most the section's size
  // and at most `pixelBytes`; a shorter area leaves the rest of the section black. The caller
  // keeps both buffers. FALSE, with the holder empty, when an argument is null, the header is
  // not 40 bytes, or the platform refuses the section or the palette.
  BOOL AdoptDib(const BITMAPINFO* info, const void* pixels, std::size_t pixelBytes);
  // As above, with `pixels` holding info's biSizeImage bytes, or the whole section's
  // (RowStride x |biHeight|) when biSizeImage is 0.
  BOOL AdoptDib(const BITMAPINFO* info, const void* pixels);

  // (Re)builds the image palette for the current section: from the section's colour table,
  // or the fixed palette when it has none. FALSE without a section or when no palette was made.
  BOOL BuildImagePalette();

  // Stretches the whole image into (x, y, width, height) of `target`, selecting the image
  // palette into a palette device first (as a background palette when asked). Sets the
  // target's stretch mode to COLORONCOLOR and leaves it so. Answers StretchBlt's result;
  // FALSE, touching nothing, when the holder is empty.
  BOOL PaintStretched(HDC target, int x, int y, int width, int height, BOOL paletteInBackground);

  // Opens the memory DC for one paint, compatible with `reference` (the screen when null),
  // with the section selected. Answers null when no DC could be made. The DC stays the
  // holder's.
  OwnedDC* OpenDrawDC(HDC reference);
  // Puts the memory DC's previous bitmap back and deletes the DC. TRUE when none was open.
  BOOL CloseDrawDC();

  bool IsLoaded() const noexcept { return static_cast<bool>(m_hSection); }
  HBITMAP Section() const noexcept { return m_hSection.Get(); }  // still the holder's
  HPALETTE Palette() const noexcept { return m_imagePalette.Get(); }  // still the holder's
  const DibHeader& Header() const noexcept { return m_header; }
  int TableEntries() const noexcept { return m_nTableEntries; }
  const void* Pixels() const noexcept { return m_pPixels; }

 private:
  OwnedBitmap m_hSection;
  DibHeader m_header;
  void* m_pPixels;  // the section's memory: freed with the section
  int m_nTableEntries;
  OwnedDC m_drawDC;
  OwnedPalette m_imagePalette;
  HGDIOBJ m_hPrevBitmap;  // not owned: the memory DC's own bitmap while the section is in it
};

}  // namespace gridmoor::ui
