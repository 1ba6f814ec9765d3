#include "ui/DibBitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/ScreenshotCheck.h"
#include "platform/TestFolder.h"
#include "ui/BmpFile.h"

namespace gridmoor::ui {
namespace {

using test::BmpFile;
using test::BmpShape;

// Writes the BMP files of a test into a scratch folder removed afterwards.
class DibBitmapFiles : public ::testing::Test {
 protected:
  std::string Write(const std::string& bytes) {
    const std::string name = std::to_string(m_written++) + ".bmp";
    m_folder.Write(name, bytes);
    return m_folder.Path(name);
  }

  gridmoor::testing::TestFolder m_folder;
  int m_written = 0;
};

std::vector<PALETTEENTRY> EntriesOf(HPALETTE palette) {
  const UINT count = GetPaletteEntries(palette, 0, 0, nullptr);
  std::vector<PALETTEENTRY> entries(count);
  if (count > 0) GetPaletteEntries(palette, 0, count, entries.data());
  return entries;
}

COLORREF RgbOf(const PALETTEENTRY& entry) {
  return RGB(entry.peRed, entry.peGreen, entry.peBlue);
}
COLORREF RgbOf(const RGBQUAD& quad) { return RGB(quad.rgbRed, quad.rgbGreen, quad.rgbBlue); }
COLORREF Hex(std::uint32_t rgb) { return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// ---------------------------------------------------------------------------------------------
// Loading each format the screenshot may come in

enum class PaletteKind { OwnTable, Fixed256, Fixed16 };

struct FormatCase {
  const char* name;
  BmpShape shape;
  int tableEntries;
  int paletteEntries;
  PaletteKind palette;
  int ownColours;  // entries taken from the file's table; the rest of the palette is black
};

class LoadsFormat : public DibBitmapFiles, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(LoadsFormat, HoldsSectionPaletteAndPixels) {
  const FormatCase& c = GetParam();
  const BmpFile bmp(c.shape);
  CDibBitmap picture;
  ASSERT_TRUE(picture.LoadBmpFile(Write(bmp.Bytes()).c_str()));

  ASSERT_TRUE(picture.IsLoaded());
  EXPECT_EQ(picture.TableEntries(), c.tableEntries);
  EXPECT_EQ(picture.Header().bmiHeader.biSizeImage, bmp.pixels.size());
  ASSERT_NE(picture.Pixels(), nullptr);
  EXPECT_EQ(std::memcmp(picture.Pixels(), bmp.pixels.data(), bmp.pixels.size()), 0);

  const std::vector<PALETTEENTRY> entries = EntriesOf(picture.Palette());
  ASSERT_EQ(static_cast<int>(entries.size()), c.paletteEntries);
  for (int i = 0; i < c.paletteEntries; ++i) {
    COLORREF expected = RGB(0, 0, 0);
    switch (c.palette) {
      case PaletteKind::OwnTable:
        if (i < c.ownColours) expected = RGB(i, 255 - i, i / 2);
        break;
      case PaletteKind::Fixed256:
        expected = RgbOf(kFixedPalette[i]);
        break;
      case PaletteKind::Fixed16:
        expected = RgbOf(kFixedPalette[i < 8 ? i : 240 + i]);
        break;
    }
    EXPECT_EQ(RgbOf(entries[i]), expected) << "palette entry " << i;
    EXPECT_EQ(entries[i].peFlags, 0) << "palette entry " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LoadsFormat,
    ::testing::Values(
        FormatCase{"Mono", {17, 5, 1}, 2, 2, PaletteKind::OwnTable, 2},
        FormatCase{"Nibble", {9, 4, 4}, 16, 16, PaletteKind::OwnTable, 16},
        FormatCase{"Byte", {13, 7, 8}, 256, 256, PaletteKind::OwnTable, 256},
        FormatCase{"ByteFewColours", {13, 7, 8, BI_RGB, 16}, 256, 256, PaletteKind::OwnTable, 16},
        FormatCase{"TrueColour", {150, 89, 24}, 0, 256, PaletteKind::Fixed256, 0},
        FormatCase{"TopDown", {10, -6, 24}, 0, 256, PaletteKind::Fixed256, 0},
        FormatCase{"Rgb555", {5, 3, 16}, 0, 256, PaletteKind::Fixed256, 0},
        FormatCase{"Rgb565Masks", {5, 3, 16, BI_BITFIELDS}, 3, 16, PaletteKind::Fixed16, 0},
        FormatCase{"Rgb32Masks", {5, 3, 32, BI_BITFIELDS}, 3, 16, PaletteKind::Fixed16, 0}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------------------------
// Refusals leave the holder as it was

struct BrokenCase {
  const char* name;
  std::string (*bytes)();
};

std::string Good() { return BmpFile({8, 8, 8}).Bytes(); }
// A good file whose file header `change` alters.
template <class Change>
std::string GoodWith(Change change) {
  BmpFile bmp({8, 8, 8});
  change(bmp.file);
  return bmp.Bytes();
}

const BrokenCase kBroken[] = {
    {"NotBM", [] { std::string b = Good(); b[0] = 'M'; b[1] = 'B'; return b; }},
    {"Empty", [] { return std::string(); }},
    {"Shorter54", [] { return Good().substr(0, 53); }},
    {"OnlyFileHeader", [] { return Good().substr(0, 14); }},
    {"CoreHeader12", [] { return BmpFile({8, 8, 24}, 12).Bytes(); }},
    {"V4Header108", [] { return BmpFile({8, 8, 24}, 108).Bytes(); }},
    {"V5Header124", [] { return BmpFile({8, 8, 24}, 124).Bytes(); }},
    {"TruncatedTable", [] { return Good().substr(0, 54 + 1000); }},
    {"TruncatedPixels", [] { std::string b = Good(); b.pop_back(); return b; }},
    {"SizeBelowOffset", [] { return GoodWith([](auto& h) { h.bfSize = h.bfOffBits - 1; }); }},
    {"EmptyPixelArea", [] { return GoodWith([](auto& h) { h.bfSize = h.bfOffBits; }); }},
    {"SizeBeyondFile", [] { return GoodWith([](auto& h) { h.bfSize = 0x7FFFFFF0; }); }},
    {"OffsetBeyondFile",
     [] { return GoodWith([](auto& h) { h.bfOffBits += 4096, h.bfSize += 4096; }); }},
};

class RefusesFile : public DibBitmapFiles, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(RefusesFile, KeepingTheImageHeld) {
  CDibBitmap picture;
  const BmpFile held({4, 2, 24});
  ASSERT_TRUE(picture.LoadBmpFile(Write(held.Bytes()).c_str()));
  const HBITMAP section = picture.Section();
  const HPALETTE palette = picture.Palette();
  const DibHeader header = picture.Header();

  EXPECT_FALSE(picture.LoadBmpFile(Write(GetParam().bytes()).c_str()));
  EXPECT_EQ(picture.Section(), section);
  EXPECT_EQ(picture.Palette(), palette);
  EXPECT_EQ(std::memcmp(&picture.Header(), &header, sizeof header), 0);
  EXPECT_EQ(std::memcmp(picture.Pixels(), held.pixels.data(), held.pixels.size()), 0);
}

INSTANTIATE_TEST_SUITE_P(Broken, RefusesFile, ::testing::ValuesIn(kBroken),
                         [](const ::testing::TestParamInfo<BrokenCase>& info) {
                           return info.param.name;
                         });

TEST_F(DibBitmapFiles, MissingFileIsRefused) {
  CDibBitmap picture;
  EXPECT_FALSE(picture.LoadBmpFile(m_folder.Path("absent.bmp").c_str()));
  EXPECT_FALSE(picture.LoadBmpFile(nullptr));
}

// ---------------------------------------------------------------------------------------------
// The pixel area and the section's size

TEST_F(DibBitmapFiles, CopiesAtMostTheSectionAndLeavesWhatTheFileLacksBlack) {
  // A megabyte more than the 4x4 section holds (an unbounded copy would run off its pages),
  // and ten bytes for a 64x64 one.
  const std::pair<BmpShape, std::size_t> cases[] = {{{4, 4, 24}, 48 + (1u << 20)},
                                                    {{64, 64, 24}, 10}};
  for (const auto& [shape, area] : cases) {
    BmpFile bmp(shape);
    const std::size_t section = bmp.pixels.size(), copied = std::min(area, section);
    bmp.SetPixelArea(area, 0xAB);
    CDibBitmap picture;
    ASSERT_TRUE(picture.LoadBmpFile(Write(bmp.Bytes()).c_str()));
    const auto* held = static_cast<const unsigned char*>(picture.Pixels());
    EXPECT_EQ(std::memcmp(held, bmp.pixels.data(), copied), 0) << area;
    EXPECT_EQ(std::vector<unsigned char>(held + copied, held + section),
              std::vector<unsigned char>(section - copied, 0)) << area;
  }
}

TEST_F(DibBitmapFiles, FileSizeImageIsIgnoredAndPixelsComeFromTheOffset) {
  BmpFile bmp({6, 6, 8, BI_RGB, 2});
  BITMAPINFOHEADER header;
  std::memcpy(&header, bmp.info.data(), sizeof header);
  header.biSizeImage = 3;
  std::memcpy(bmp.info.data(), &header, sizeof header);
  // Padding between the table and the pixels: only bfOffBits says where they start.
  bmp.info.insert(bmp.info.end(), 32, 0xEE);
  bmp.file.bfOffBits += 32;
  bmp.file.bfSize += 32;

  CDibBitmap picture;
  ASSERT_TRUE(picture.LoadBmpFile(Write(bmp.Bytes()).c_str()));
  EXPECT_EQ(picture.Header().bmiHeader.biSizeImage, bmp.pixels.size());
  EXPECT_EQ(std::memcmp(picture.Pixels(), bmp.pixels.data(), bmp.pixels.size()), 0);
}

// ---------------------------------------------------------------------------------------------
// AdoptDib and Clear

TEST(DibBitmapAdopt, FailuresLeaveTheHolderEmpty) {
  const BmpFile good({4, 4, 8});
  const BmpFile rle({4, 4, 8, BI_RLE8});
  const BmpFile core({4, 4, 24}, 12);
  CDibBitmap picture;
  const auto* info = good.Info();
  ASSERT_TRUE(picture.AdoptDib(info, good.pixels.data(), good.pixels.size()));

  for (const BmpFile* bad : {&rle, &core}) {
    ASSERT_TRUE(picture.AdoptDib(info, good.pixels.data(), good.pixels.size()));
    EXPECT_FALSE(picture.AdoptDib(bad->Info(),
                                  bad->pixels.data(), bad->pixels.size()));
    EXPECT_FALSE(picture.IsLoaded());
    EXPECT_EQ(picture.Palette(), nullptr);
    EXPECT_EQ(picture.TableEntries(), 0);
  }
  ASSERT_TRUE(picture.AdoptDib(info, good.pixels.data()));
  EXPECT_FALSE(picture.AdoptDib(nullptr, good.pixels.data()));
  EXPECT_FALSE(picture.IsLoaded());
  EXPECT_FALSE(picture.AdoptDib(info, nullptr, 16));
}

TEST(DibBitmapAdopt, ZeroSizeImageTakesTheSectionSize) {
  const BmpFile bmp({7, 3, 24});
  CDibBitmap picture;
  ASSERT_TRUE(picture.AdoptDib(bmp.Info(),
                               bmp.pixels.data()));
  EXPECT_EQ(picture.Header().bmiHeader.biSizeImage, static_cast<DWORD>(RowStride(7, 24) * 3));
}

// ---------------------------------------------------------------------------------------------
// Painting into a memory DC

// A 400x300 24-bit target filled white.
class PaintTarget {
 public:
  PaintTarget() {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    m_bitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0));
    m_dc.Reset(CreateCompatibleDC(nullptr));
    m_previous = SelectObject(m_dc.Get(), m_bitmap.Get());
    PatBlt(m_dc.Get(), 0, 0, kWidth, kHeight, WHITENESS);
    GdiFlush();
  }
  ~PaintTarget() { SelectObject(m_dc.Get(), m_previous); }

  HDC Dc() const { return m_dc.Get(); }
  COLORREF At(int x, int y) const {
    GdiFlush();
    const auto* row = static_cast<const BYTE*>(m_bits) + y * RowStride(kWidth, 24);
    return RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
  }

  static constexpr int kWidth = 400;
  static constexpr int kHeight = 300;

 private:
  OwnedBitmap m_bitmap;
  OwnedDC m_dc;
  void* m_bits = nullptr;
  HGDIOBJ m_previous = nullptr;
};

// A bottom-up (or top-down) 24-bit picture: top half red, bottom half blue.
BmpFile TwoBands(int width, int height) {
  BmpFile bmp({width, height, 24});
  const int rows = height < 0 ? -height : height;
  const int stride = RowStride(width, 24);
  for (int stored = 0; stored < rows; ++stored) {
    const int shownRow = height < 0 ? stored : rows - 1 - stored;
    const bool top = shownRow < rows / 2;
    for (int x = 0; x < width; ++x) {
      unsigned char* pixel = &bmp.pixels[stored * stride + x * 3];
      pixel[0] = top ? 0 : 255;   // blue
      pixel[1] = 0;               // green
      pixel[2] = top ? 255 : 0;   // red
    }
  }
  return bmp;
}

class PaintsScreenshot : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(PaintsScreenshot, FillingTheWholeRectangle) {
  const BmpFile bmp = TwoBands(GetParam().first, GetParam().second);
  CDibBitmap picture;
  ASSERT_TRUE(picture.AdoptDib(bmp.Info(),
                               bmp.pixels.data(), bmp.pixels.size()));
  PaintTarget target;
  SetStretchBltMode(target.Dc(), HALFTONE);

  EXPECT_TRUE(picture.PaintStretched(target.Dc(), 12, 7, 300, 178, FALSE));
  EXPECT_EQ(GetStretchBltMode(target.Dc()), COLORONCOLOR);

  const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), white = RGB(255, 255, 255);
  EXPECT_EQ(target.At(12, 7), red);
  EXPECT_EQ(target.At(311, 7), red);
  EXPECT_EQ(target.At(12, 184), blue);
  EXPECT_EQ(target.At(311, 184), blue);
  EXPECT_EQ(target.At(11, 7), white);
  EXPECT_EQ(target.At(12, 6), white);
  EXPECT_EQ(target.At(312, 100), white);
  EXPECT_EQ(target.At(100, 185), white);
  // The draw DC lives only during the paint.
  EXPECT_TRUE(picture.CloseDrawDC());
}

INSTANTIATE_TEST_SUITE_P(Sizes, PaintsScreenshot,
                         ::testing::Values(std::make_pair(640, 480), std::make_pair(150, 89),
                                           std::make_pair(150, -89)));

TEST(DibBitmapPaint, EmptyHolderDrawsNothingAndKeepsTheStretchMode) {
  CDibBitmap picture;
  PaintTarget target;
  SetStretchBltMode(target.Dc(), HALFTONE);
  EXPECT_FALSE(picture.PaintStretched(target.Dc(), 12, 7, 300, 178, FALSE));
  EXPECT_EQ(GetStretchBltMode(target.Dc()), HALFTONE);
  EXPECT_EQ(target.At(100, 100), RGB(255, 255, 255));
}

TEST(DibBitmapPaint, DrawDcHoldsTheSectionUntilClosed) {
  const BmpFile bmp = TwoBands(8, 8);
  CDibBitmap picture;
  ASSERT_TRUE(picture.AdoptDib(bmp.Info(),
                               bmp.pixels.data(), bmp.pixels.size()));
  OwnedDC* draw = picture.OpenDrawDC(nullptr);
  ASSERT_NE(draw, nullptr);
  EXPECT_EQ(GetCurrentObject(draw->Get(), OBJ_BITMAP), picture.Section());
  EXPECT_EQ(GetPixel(draw->Get(), 0, 0), RGB(255, 0, 0));
  EXPECT_TRUE(picture.CloseDrawDC());
  EXPECT_FALSE(*draw);
}

// ---------------------------------------------------------------------------------------------
// Pure helpers

TEST(FixedPalette, HoldsTheStaticColoursTheCubeAndTheGreyRamp) {
  std::vector<std::pair<int, std::uint32_t>> rows = {
      {0, 0x000000},   {1, 0x000080},   {2, 0x008000},   {3, 0x008080},   {4, 0x800000},
      {5, 0x800080},   {6, 0x808000},   {7, 0xC0C0C0},   {8, 0xC0DCC0},   {9, 0xF0CAA6},
      {10, 0x00002C},  {11, 0x000056},  {15, 0x002C00},  {222, 0xFFFFFF}, {246, 0xF0FBFF},
      {247, 0xA4A0A0}, {248, 0x808080}, {249, 0x0000FF}, {250, 0x00FF00}, {251, 0x00FFFF},
      {252, 0xFF0000}, {253, 0xFF00FF}, {254, 0xFFFF00}, {255, 0xFFFFFF}};
  const std::uint32_t greys[23] = {0x11, 0x18, 0x1E, 0x25, 0x2C, 0x34, 0x3C, 0x44,
                                   0x4D, 0x56, 0x5F, 0x69, 0x72, 0x7D, 0x92, 0x9D,
                                   0xA8, 0xB4, 0xCC, 0xD8, 0xE5, 0xF2, 0xFF};
  for (int i = 0; i < 23; ++i) rows.push_back({223 + i, greys[i] * 0x010101});
  for (const auto& [row, rgb] : rows) {
    EXPECT_EQ(RgbOf(kFixedPalette[row]), Hex(rgb)) << "row " << row;
    EXPECT_EQ(kFixedPalette[row].rgbReserved, 0) << "row " << row;
  }
}

TEST(FixedPalette, TakesTheSmallestSizeThatHoldsTheCount) {
  const std::pair<int, int> sizes[] = {{-5, 256}, {0, 256},  {1, 2},     {2, 2},   {3, 16},
                                       {16, 16},  {17, 256}, {256, 256}, {257, 256}};
  for (const auto& [count, size] : sizes) {
    OwnedPalette palette(CreateHalftonePalette(nullptr));
    ASSERT_TRUE(BuildFixedPalette(palette, count));
    const std::vector<PALETTEENTRY> entries = EntriesOf(palette.Get());
    ASSERT_EQ(static_cast<int>(entries.size()), size) << "count " << count;
    for (int i = 0; i < size; ++i) {
      const int row = size == 2 ? (i == 0 ? 0 : 255) : size == 16 && i >= 8 ? 240 + i : i;
      EXPECT_EQ(RgbOf(entries[i]), RgbOf(kFixedPalette[row])) << "count " << count << " entry " << i;
    }
  }
}

TEST(RowStride, RoundsRowsUpToFourBytes) {
  const struct {
    int width, bits, stride;
  } cases[] = {{1, 1, 4},     {32, 1, 4},     {33, 1, 8},         {7, 4, 4},
               {9, 4, 8},     {3, 8, 4},      {640, 8, 640},      {5, 16, 12},
               {3, 24, 12},   {4, 24, 12},    {150, 24, 452},     {300, 32, 1200},
               {0, 24, 0},    {0x7FFFFFFF, 32, 0}, {0x10000000, 8, 0x10000000}};
  for (const auto& c : cases) {
    EXPECT_EQ(RowStride(c.width, c.bits), c.stride) << c.width << " x " << c.bits;
  }
}

TEST(TableEntriesFor, FollowsBitCountAndMasks) {
  EXPECT_EQ(TableEntriesFor(1, BI_RGB), 2);
  EXPECT_EQ(TableEntriesFor(4, BI_RLE4), 16);
  EXPECT_EQ(TableEntriesFor(8, BI_RGB), 256);
  for (int bits : {16, 24, 32}) {
    EXPECT_EQ(TableEntriesFor(bits, BI_RGB), 0) << bits;
    EXPECT_EQ(TableEntriesFor(bits, BI_BITFIELDS), 3) << bits;
  }
  for (int bits : {0, 2, 64}) EXPECT_EQ(TableEntriesFor(bits, BI_RGB), 0) << bits;
}

TEST(BmpHeaders, SizesNeverOverflow) {
  BITMAPFILEHEADER file{0x4D42, 53, 0, 0, 54};
  EXPECT_EQ(PixelAreaBytes(file), -1);
  BITMAPINFOHEADER info{40, 150, -89, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  EXPECT_EQ(SectionBytes(info), 452u * 89u);
  info.biWidth = 60000;
  info.biHeight = 60000;
  EXPECT_EQ(SectionBytes(info), 0u) << "beyond 2 GB";
  info.biHeight = std::numeric_limits<LONG>::min();
  EXPECT_EQ(SectionBytes(info), 0u);
}


// ---------------------------------------------------------------------------------------------
// The command line's package check judges a screenshot from its bytes with the same rules

namespace agreement {

// A file of `shape` with `bytes` bytes of the info header at `offset` replaced by `value`.
std::string Patched(const BmpShape& shape, std::size_t offset, std::uint32_t value,
                    std::size_t bytes) {
  BmpFile bmp(shape);
  std::memcpy(bmp.info.data() + offset, &value, bytes);
  return bmp.Bytes();
}

struct AgreementCase {
  const char* name;
  std::string (*bytes)();
};

const AgreementCase kHeaders[] = {
    {"Mono", [] { return BmpFile({17, 5, 1}).Bytes(); }},
    {"Nibble", [] { return BmpFile({9, 4, 4}).Bytes(); }},
    {"Rgb555", [] { return BmpFile({5, 3, 16}).Bytes(); }},
    {"Rgb32Masks", [] { return BmpFile({5, 3, 32, BI_BITFIELDS}).Bytes(); }},
    {"TopDown", [] { return BmpFile({10, -6, 24}).Bytes(); }},
    {"Screenshot", [] { return BmpFile({300, 178, 24}).Bytes(); }},
    {"MasksWith24Bits", [] { return BmpFile({5, 3, 24, BI_BITFIELDS}).Bytes(); }},
    {"MasksWith8Bits", [] { return Patched({5, 3, 8}, 16, BI_BITFIELDS, 4); }},
    {"Rle8", [] { return Patched({8, 8, 8}, 16, BI_RLE8, 4); }},
    {"Rle4", [] { return Patched({8, 8, 4}, 16, BI_RLE4, 4); }},
    {"Jpeg", [] { return Patched({8, 8, 24}, 16, 4, 4); }},
    {"Png", [] { return Patched({8, 8, 24}, 16, 5, 4); }},
    {"NoBits", [] { return Patched({8, 8, 24}, 14, 0, 2); }},
    {"TwoBits", [] { return Patched({8, 8, 24}, 14, 2, 2); }},
    {"SixtyFourBits", [] { return Patched({8, 8, 24}, 14, 64, 2); }},
    {"ZeroWidth", [] { return Patched({8, 8, 24}, 4, 0, 4); }},
    {"NegativeWidth", [] { return Patched({8, 8, 24}, 4, static_cast<std::uint32_t>(-8), 4); }},
    {"ZeroHeight", [] { return Patched({8, 8, 24}, 8, 0, 4); }},
    {"ZeroPlanes", [] { return Patched({8, 8, 24}, 12, 0, 2); }},
    {"TwoPlanes", [] { return Patched({8, 8, 24}, 12, 2, 2); }},
    {"HugeWidth", [] { return Patched({8, 8, 24}, 4, 0x7FFFFFFF, 4); }},
};

class SameVerdict : public DibBitmapFiles,
                    public ::testing::WithParamInterface<AgreementCase> {};

TEST_P(SameVerdict, AsTheDialogsPicture) {
  const std::string bytes = GetParam().bytes();
  CDibBitmap picture;
  const bool loaded = picture.LoadBmpFile(Write(bytes).c_str()) != FALSE;
  const ScreenshotVerdict verdict = CheckScreenshot(bytes);
  EXPECT_EQ(verdict.loadable, loaded) << verdict.problem;
}

INSTANTIATE_TEST_SUITE_P(Headers, SameVerdict, ::testing::ValuesIn(kHeaders),
                         [](const auto& info) { return std::string(info.param.name); });

class SameRefusal : public DibBitmapFiles, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(SameRefusal, AsTheDialogsPicture) {
  EXPECT_FALSE(CheckScreenshot(GetParam().bytes()).loadable);
}

INSTANTIATE_TEST_SUITE_P(Broken, SameRefusal, ::testing::ValuesIn(kBroken),
                         [](const ::testing::TestParamInfo<BrokenCase>& info) {
                           return info.param.name;
                         });

}  // namespace agreement

}  // namespace
}  // namespace gridmoor::ui
