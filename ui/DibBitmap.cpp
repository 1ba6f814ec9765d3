#include "ui/DibBitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>

#include "engine/ScreenshotCheck.h"

namespace gridmoor::ui {

static_assert(sizeof(BITMAPFILEHEADER) == 14, "the file header is read as 14 bytes");
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the info header is read as 40 bytes");
static_assert(sizeof(DibHeader) == 1064, "a header with a full colour table");

namespace {

constexpr RGBQUAD Rgb(std::uint32_t rgb) {
  return RGBQUAD{static_cast<BYTE>(rgb), static_cast<BYTE>(rgb >> 8),
                 static_cast<BYTE>(rgb >> 16), 0};
}

constexpr std::array<RGBQUAD, 256> MakeFixedPalette() {
  std::array<RGBQUAD, 256> rows{};
  constexpr std::uint32_t kStatic[10] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000,
                                         0x800080, 0x808000, 0xC0C0C0, 0xC0DCC0, 0xF0CAA6};
  constexpr std::uint32_t kCubeLevels[6] = {0x00, 0x2C, 0x56, 0x87, 0xC0, 0xFF};
  constexpr std::uint32_t kGreys[23] = {0x11, 0x18, 0x1E, 0x25, 0x2C, 0x34, 0x3C, 0x44,
                                        0x4D, 0x56, 0x5F, 0x69, 0x72, 0x7D, 0x92, 0x9D,
                                        0xA8, 0xB4, 0xCC, 0xD8, 0xE5, 0xF2, 0xFF};
  constexpr std::uint32_t kLast[10] = {0xF0FBFF, 0xA4A0A0, 0x808080, 0x0000FF, 0x00FF00,
                                       0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
  std::size_t row = 0;
  for (std::uint32_t colour : kStatic) rows[row++] = Rgb(colour);
  // The cube leaves out the three colours the static rows and the last rows already hold.
  for (std::uint32_t red : kCubeLevels) {
    for (std::uint32_t green : kCubeLevels) {
      for (std::uint32_t blue : kCubeLevels) {
        const std::uint32_t colour = red << 16 | green << 8 | blue;
        if (colour == 0x000000 || colour == 0xC0C0C0 || colour == 0xFFFF00) continue;
        rows[row++] = Rgb(colour);
      }
    }
  }
  for (std::uint32_t grey : kGreys) rows[row++] = Rgb(grey << 16 | grey << 8 | grey);
  for (std::uint32_t colour : kLast) rows[row++] = Rgb(colour);
  return rows;
}

// A LOGPALETTE with room for 256 entries.
struct LogPalette256 {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[256];
};

PALETTEENTRY EntryFrom(const RGBQUAD& quad) {
  return PALETTEENTRY{quad.rgbRed, quad.rgbGreen, quad.rgbBlue, 0};
}

HPALETTE MakePalette(const LogPalette256& table) {
  return CreatePalette(reinterpret_cast<const LOGPALETTE*>(&table));
}

// A file opened for reading, closed on destruction.
class InputFile {
 public:
  explicit InputFile(const char* path)
      : m_handle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile() {
    if (IsOpen()) CloseHandle(m_handle);
  }

  bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }

  // True when exactly `count` bytes came.
  bool ReadExactly(void* buffer, std::size_t count) {
    auto* out = static_cast<unsigned char*>(buffer);
    while (count > 0) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(m_handle, out, chunk, &got, nullptr) || got == 0) return false;
      out += got;
      count -= got;
    }
    return true;
  }

  // The current position, or -1.
  std::int64_t Position() const {
    LARGE_INTEGER zero{}, position{};
    if (!SetFilePointerEx(m_handle, zero, &position, FILE_CURRENT)) return -1;
    return position.QuadPart;
  }

  bool SeekTo(std::int64_t offset) {
    LARGE_INTEGER to{};
    to.QuadPart = offset;
    return SetFilePointerEx(m_handle, to, nullptr, FILE_BEGIN) != 0;
  }

  // The file's length, or -1.
  std::int64_t Size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(m_handle, &size)) return -1;
    return size.QuadPart;
  }

 private:
  HANDLE m_handle;
};

}  // namespace

const std::array<RGBQUAD, 256> kFixedPalette = MakeFixedPalette();

// The header rules live in engine/ScreenshotCheck, shared with the command line's package check.
int TableEntriesFor(int bitCount, DWORD compression) {
  return BmpTableEntries(bitCount, compression);
}

int RowStride(int width, int bitCount) { return BmpRowStride(width, bitCount); }

std::size_t SectionBytes(const BITMAPINFOHEADER& header) {
  return BmpSectionBytes(header.biWidth, header.biHeight, header.biBitCount);
}

bool IsSupportedInfoHeader(const BITMAPINFOHEADER& header) {
  BmpHeaders headers;
  headers.infoSize = header.biSize;
  return IsSupportedInfoSize(headers);
}

std::int32_t PixelAreaBytes(const BITMAPFILEHEADER& header) {
  BmpHeaders headers;
  headers.fileSize = header.bfSize;
  headers.pixelOffset = header.bfOffBits;
  return BmpPixelAreaBytes(headers);
}

BOOL BuildFixedPalette(OwnedPalette& palette, int count) {
  palette.Reset();
  int size = 256;
  if (count > 0 && count <= 256) size = count <= 2 ? 2 : count <= 16 ? 16 : 256;

  LogPalette256 table{};
  table.palVersion = 0x300;
  table.palNumEntries = static_cast<WORD>(size);
  if (size == 2) {
    table.palPalEntry[0] = EntryFrom(kFixedPalette[0]);
    table.palPalEntry[1] = EntryFrom(kFixedPalette[255]);
  } else if (size == 16) {
    for (int i = 0; i < 8; ++i) {
      table.palPalEntry[i] = EntryFrom(kFixedPalette[i]);
      table.palPalEntry[8 + i] = EntryFrom(kFixedPalette[248 + i]);
    }
  } else {
    for (int i = 0; i < 256; ++i) table.palPalEntry[i] = EntryFrom(kFixedPalette[i]);
  }
  palette.Reset(MakePalette(table));
  return palette ? TRUE : FALSE;
}

CDibBitmap::CDibBitmap()
    : m_header{}, m_pPixels(nullptr), m_nTableEntries(0), m_hPrevBitmap(nullptr) {}

CDibBitmap::~CDibBitmap() { Clear(); }

void CDibBitmap::Clear() {
  CloseDrawDC();
  m_hSection.Reset();
  m_pPixels = nullptr;
  m_imagePalette.Reset();
  std::memset(&m_header, 0, sizeof m_header);
  m_nTableEntries = 0;
}

BOOL CDibBitmap::LoadBmpFile(const char* path) {
  if (path == nullptr) return FALSE;
  InputFile file(path);
  if (!file.IsOpen()) return FALSE;
  const std::int64_t base = file.Position();
  if (base < 0) return FALSE;

  unsigned char headerBytes[kBmpFileHeaderBytes + kBmpInfoHeaderBytes];
  if (!file.ReadExactly(headerBytes, sizeof headerBytes)) return FALSE;
  const BmpHeaders headers = DecodeBmpHeaders(headerBytes);
  if (!IsBmpSignature(headers) || !IsSupportedInfoSize(headers)) return FALSE;
  DibHeader description{};
  std::memcpy(&description.bmiHeader, headerBytes + kBmpFileHeaderBytes,
              sizeof description.bmiHeader);
  const int entries = BmpTableEntries(headers.bitCount, headers.compression);
  if (entries > 0 && !file.ReadExactly(description.bmiColors, entries * sizeof(RGBQUAD))) {
    return FALSE;
  }

  // An empty area would leave nothing to show; a negative one is a broken header.
  const std::int32_t areaBytes = BmpPixelAreaBytes(headers);
  if (areaBytes <= 0) return FALSE;
  // Refuse before allocating when the file can't hold the area it claims.
  const std::int64_t areaStart = base + headers.pixelOffset;
  const std::int64_t fileSize = file.Size();
  if (fileSize < 0 || areaStart + areaBytes > fileSize) return FALSE;

  std::unique_ptr<unsigned char[]> pixels(new (std::nothrow) unsigned char[areaBytes]);
  if (!pixels) return FALSE;
  if (!file.SeekTo(areaStart) || !file.ReadExactly(pixels.get(), areaBytes)) return FALSE;

  description.bmiHeader.biSizeImage = static_cast<DWORD>(areaBytes);
  return AdoptDib(reinterpret_cast<const BITMAPINFO*>(&description), pixels.get(),
                  static_cast<std::size_t>(areaBytes));
}

BOOL CDibBitmap::AdoptDib(const BITMAPINFO* info, const void* pixels) {
  if (info == nullptr || pixels == nullptr) {
    Clear();
    return FALSE;
  }
  const BITMAPINFOHEADER& header = info->bmiHeader;
  const std::size_t bytes = header.biSizeImage != 0 ? header.biSizeImage : SectionBytes(header);
  return AdoptDib(info, pixels, bytes);
}

BOOL CDibBitmap::AdoptDib(const BITMAPINFO* info, const void* pixels, std::size_t pixelBytes) {
  Clear();
  if (info == nullptr || pixels == nullptr) return FALSE;
  // Other header sizes put the colour table elsewhere; compressed rows have no fixed size, so
  // the copy below could not be bounded by the section.
  if (!IsSupportedInfoHeader(info->bmiHeader)) return FALSE;
  const DWORD compression = info->bmiHeader.biCompression;
  if (compression != BI_RGB && compression != BI_BITFIELDS) return FALSE;
  const std::size_t sectionBytes = SectionBytes(info->bmiHeader);
  if (sectionBytes == 0) return FALSE;

  m_nTableEntries = TableEntriesFor(info->bmiHeader.biBitCount, compression);
  std::memcpy(&m_header.bmiHeader, &info->bmiHeader, sizeof m_header.bmiHeader);
  std::memcpy(m_header.bmiColors, info->bmiColors, m_nTableEntries * sizeof(RGBQUAD));
  // The section reads biClrUsed colours from the header: never more than it holds.
  DWORD& used = m_header.bmiHeader.biClrUsed;
  if (compression == BI_BITFIELDS || m_nTableEntries == 0) {
    used = 0;
  } else if (used > static_cast<DWORD>(m_nTableEntries)) {
    used = static_cast<DWORD>(m_nTableEntries);
  }

  {
    WindowDC screen(nullptr);
    if (!screen) {
      Clear();
      return FALSE;
    }
    m_hSection.Reset(CreateDIBSection(screen.Get(), reinterpret_cast<BITMAPINFO*>(&m_header),
                                      DIB_RGB_COLORS, &m_pPixels, nullptr, 0));
  }
  if (!m_hSection || m_pPixels == nullptr) {
    Clear();
    return FALSE;
  }
  if (m_header.bmiHeader.biSizeImage == 0) {
    m_header.bmiHeader.biSizeImage = static_cast<DWORD>(sectionBytes);
  }

  // GDI may still be drawing into the section's memory.
  GdiFlush();
  std::memcpy(m_pPixels, pixels, std::min(pixelBytes, sectionBytes));

  if (!BuildImagePalette()) {
    Clear();
    return FALSE;
  }
  return TRUE;
}

BOOL CDibBitmap::BuildImagePalette() {
  m_imagePalette.Reset();
  if (!m_hSection) return FALSE;
  if (m_nTableEntries == 0) return BuildFixedPalette(m_imagePalette, 256);

  RGBQUAD colours[256] = {};
  UINT read = 0;
  {
    WindowDC screen(nullptr);
    if (!screen) return FALSE;
    OwnedDC memory(CreateCompatibleDC(screen.Get()));
    screen.Release();
    if (!memory) return BuildFixedPalette(m_imagePalette, m_nTableEntries);
    ScopedSelectObject section(memory.Get(), m_hSection.Get());
    if (!section.Selected()) return BuildFixedPalette(m_imagePalette, m_nTableEntries);
    read = GetDIBColorTable(memory.Get(), 0, static_cast<UINT>(m_nTableEntries), colours);
  }
  // Sections with bit-field masks have no colour table and end here.
  if (read == 0) return BuildFixedPalette(m_imagePalette, m_nTableEntries);

  LogPalette256 table{};
  table.palVersion = 0x300;
  table.palNumEntries = static_cast<WORD>(m_nTableEntries);
  for (UINT i = 0; i < read && i < 256; ++i) table.palPalEntry[i] = EntryFrom(colours[i]);
  m_imagePalette.Reset(MakePalette(table));
  return m_imagePalette ? TRUE : FALSE;
}

BOOL CDibBitmap::PaintStretched(HDC target, int x, int y, int width, int height,
                                BOOL paletteInBackground) {
  if (!m_hSection || target == nullptr) return FALSE;
  SetStretchBltMode(target, COLORONCOLOR);
  OwnedDC* draw = OpenDrawDC(target);
  if (draw == nullptr) return FALSE;

  BOOL blitted = FALSE;
  {
    const bool paletteDevice = (GetDeviceCaps(target, RASTERCAPS) & RC_PALETTE) != 0;
    std::optional<ScopedSelectPalette> palette;
    if (m_imagePalette && paletteDevice) {
      palette.emplace(target, m_imagePalette.Get(), paletteInBackground);
      RealizePalette(target);
    }
    // Top-down images (negative height) are already upright in the memory DC.
    const int sourceHeight = m_header.bmiHeader.biHeight < 0 ? -m_header.bmiHeader.biHeight
                                                             : m_header.bmiHeader.biHeight;
    blitted = StretchBlt(target, x, y, width, height, draw->Get(), 0, 0,
                         m_header.bmiHeader.biWidth, sourceHeight, SRCCOPY);
  }
  CloseDrawDC();
  return blitted;
}

OwnedDC* CDibBitmap::OpenDrawDC(HDC reference) {
  CloseDrawDC();
  m_drawDC.Reset(CreateCompatibleDC(reference));
  if (!m_drawDC) return nullptr;
  HGDIOBJ previous = SelectObject(m_drawDC.Get(), m_hSection.Get());
  if (previous == nullptr || previous == HGDI_ERROR) {
    // Without the section in it the DC would draw its own empty bitmap.
    m_drawDC.Reset();
    return nullptr;
  }
  m_hPrevBitmap = previous;
  GdiFlush();
  return &m_drawDC;
}

BOOL CDibBitmap::CloseDrawDC() {
  if (!m_drawDC) return TRUE;
  GdiFlush();
  if (m_hPrevBitmap != nullptr) SelectObject(m_drawDC.Get(), m_hPrevBitmap);
  m_hPrevBitmap = nullptr;
  return m_drawDC.Reset();
}

}  // namespace gridmoor::ui
