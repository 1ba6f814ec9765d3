#include "engine/PackageSkeleton.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "engine/ScreenshotCheck.h"

namespace gridmoor {

namespace {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

struct Glyph {
  char c;
  std::uint8_t rows[kGlyphHeight];  // top row first; bit 4 is the leftmost pixel
};

constexpr Glyph kFont[] = {
    {'A', {0b01110, 0b10001, 0b10001, 0b11111, 0b10001, 0b10001, 0b10001}},
    {'B', {0b11110, 0b10001, 0b10001, 0b11110, 0b10001, 0b10001, 0b11110}},
    {'C', {0b01110, 0b10001, 0b10000, 0b10000, 0b10000, 0b10001, 0b01110}},
    {'D', {0b11110, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b11110}},
    {'E', {0b11111, 0b10000, 0b10000, 0b11110, 0b10000, 0b10000, 0b11111}},
    {'F', {0b11111, 0b10000, 0b10000, 0b11110, 0b10000, 0b10000, 0b10000}},
    {'G', {0b01110, 0b10001, 0b10000, 0b10111, 0b10001, 0b10001, 0b01111}},
    {'H', {0b10001, 0b10001, 0b10001, 0b11111, 0b10001, 0b10001, 0b10001}},
    {'I', {0b01110, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b01110}},
    {'J', {0b00111, 0b00010, 0b00010, 0b00010, 0b00010, 0b10010, 0b01100}},
    {'K', {0b10001, 0b10010, 0b10100, 0b11000, 0b10100, 0b10010, 0b10001}},
    {'L', {0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b11111}},
    {'M', {0b10001, 0b11011, 0b10101, 0b10101, 0b10001, 0b10001, 0b10001}},
    {'N', {0b10001, 0b10001, 0b11001, 0b10101, 0b10011, 0b10001, 0b10001}},
    {'O', {0b01110, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110}},
    {'P', {0b11110, 0b10001, 0b10001, 0b11110, 0b10000, 0b10000, 0b10000}},
    {'Q', {0b01110, 0b10001, 0b10001, 0b10001, 0b10101, 0b10010, 0b01101}},
    {'R', {0b11110, 0b10001, 0b10001, 0b11110, 0b10100, 0b10010, 0b10001}},
    {'S', {0b01111, 0b10000, 0b10000, 0b01110, 0b00001, 0b00001, 0b11110}},
    {'T', {0b11111, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100}},
    {'U', {0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110}},
    {'V', {0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01010, 0b00100}},
    {'W', {0b10001, 0b10001, 0b10001, 0b10101, 0b10101, 0b10101, 0b01010}},
    {'X', {0b10001, 0b10001, 0b01010, 0b00100, 0b01010, 0b10001, 0b10001}},
    {'Y', {0b10001, 0b10001, 0b01010, 0b00100, 0b00100, 0b00100, 0b00100}},
    {'Z', {0b11111, 0b00001, 0b00010, 0b00100, 0b01000, 0b10000, 0b11111}},
    {'0', {0b01110, 0b10001, 0b10011, 0b10101, 0b11001, 0b10001, 0b01110}},
    {'1', {0b00100, 0b01100, 0b00100, 0b00100, 0b00100, 0b00100, 0b01110}},
    {'2', {0b01110, 0b10001, 0b00001, 0b00010, 0b00100, 0b01000, 0b11111}},
    {'3', {0b11111, 0b00010, 0b00100, 0b00010, 0b00001, 0b10001, 0b01110}},
    {'4', {0b00010, 0b00110, 0b01010, 0b10010, 0b11111, 0b00010, 0b00010}},
    {'5', {0b11111, 0b10000, 0b11110, 0b00001, 0b00001, 0b10001, 0b01110}},
    {'6', {0b00110, 0b01000, 0b10000, 0b11110, 0b10001, 0b10001, 0b01110}},
    {'7', {0b11111, 0b00001, 0b00010, 0b00100, 0b01000, 0b01000, 0b01000}},
    {'8', {0b01110, 0b10001, 0b10001, 0b01110, 0b10001, 0b10001, 0b01110}},
    {'9', {0b01110, 0b10001, 0b10001, 0b01111, 0b00001, 0b00010, 0b01100}},
    {' ', {0, 0, 0, 0, 0, 0, 0}},
    {'-', {0, 0, 0, 0b11111, 0, 0, 0}},
    {'.', {0, 0, 0, 0, 0, 0b01100, 0b01100}},
    {',', {0, 0, 0, 0, 0b01100, 0b00100, 0b01000}},
    {'\'', {0b00100, 0b00100, 0b01000, 0, 0, 0, 0}},
    {'&', {0b01100, 0b10010, 0b10100, 0b01000, 0b10101, 0b10010, 0b01101}},
    {'!', {0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0, 0b00100}},
    {'?', {0b01110, 0b10001, 0b00001, 0b00010, 0b00100, 0, 0b00100}},
    {'(', {0b00010, 0b00100, 0b01000, 0b01000, 0b01000, 0b00100, 0b00010}},
    {')', {0b01000, 0b00100, 0b00010, 0b00010, 0b00010, 0b00100, 0b01000}},
    {'/', {0b00001, 0b00001, 0b00010, 0b00100, 0b01000, 0b10000, 0b10000}},
};
constexpr Glyph kBox = {'\0', {0b11111, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b11111}};

const Glyph& GlyphOf(char c) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const Glyph& glyph : kFont) {
    if (glyph.c == upper) return glyph;
  }
  return kBox;
}

void PutLittleEndian(std::string& bytes, std::size_t at, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Placeholder(const std::string& file, const std::string& name) {
  return "PLACEHOLDER made by gridmoor-cli new for " + name + ": replace this file (" + file +
         ") with the track's own " + file + " before shipping.\r\n";
}

}  // namespace

std::string ScreenshotWithText(const std::string& text) {
  constexpr int kWidth = kScreenshotWidth;
  constexpr int kHeight = kScreenshotHeight;
  constexpr int kStride = (kWidth * 3 + 3) / 4 * 4;
  constexpr std::uint32_t kPixelOffset = kBmpFileHeaderBytes + kBmpInfoHeaderBytes;
  constexpr std::uint32_t kPixelBytes = kStride * kHeight;
  std::string bmp(kPixelOffset + kPixelBytes, '\0');
  bmp[0] = 'B';
  bmp[1] = 'M';
  PutLittleEndian(bmp, 2, kPixelOffset + kPixelBytes, 4);
  PutLittleEndian(bmp, 10, kPixelOffset, 4);
  PutLittleEndian(bmp, 14, kBmpInfoHeaderBytes, 4);
  PutLittleEndian(bmp, 18, kWidth, 4);
  PutLittleEndian(bmp, 22, kHeight, 4);
  PutLittleEndian(bmp, 26, 1, 2);   // planes
  PutLittleEndian(bmp, 28, 24, 2);  // bits per pixel; compression and the rest stay 0
  PutLittleEndian(bmp, 34, kPixelBytes, 4);

  // `y` counts from the top; rows are stored bottom-up.
  auto pixel = [&bmp](int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const std::size_t at = kPixelOffset + static_cast<std::size_t>(kHeight - 1 - y) * kStride +
                           static_cast<std::size_t>(x) * 3;
    bmp[at] = static_cast<char>(b);
    bmp[at + 1] = static_cast<char>(g);
    bmp[at + 2] = static_cast<char>(r);
  };
  // A dark green fading downwards, so a picture still reads as "not yet the track's own".
  for (int y = 0; y < kHeight; ++y) {
    const auto shade = static_cast<std::uint8_t>(40 + y * 50 / kHeight);
    for (int x = 0; x < kWidth; ++x) pixel(x, y, 20, shade, 30);
  }

  const std::string shown = text.substr(0, 50);
  const int count = static_cast<int>(shown.size());
  if (count == 0) return bmp;
  constexpr int kMargin = 4;
  int scale = 1;
  for (int tryScale = 4; tryScale > 1; --tryScale) {
    if (count * (kGlyphWidth + 1) * tryScale - tryScale <= kWidth - 2 * kMargin) {
      scale = tryScale;
      break;
    }
  }
  const int textWidth = count * (kGlyphWidth + 1) * scale - scale;
  const int left = std::max(0, (kWidth - textWidth) / 2);
  const int top = (kHeight - kGlyphHeight * scale) / 2;
  for (int i = 0; i < count; ++i) {
    const Glyph& glyph = GlyphOf(shown[static_cast<std::size_t>(i)]);
    const int x0 = left + i * (kGlyphWidth + 1) * scale;
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int column = 0; column < kGlyphWidth; ++column) {
        if (!(glyph.rows[row] & (1 << (kGlyphWidth - 1 - column)))) continue;
        for (int dy = 0; dy < scale; ++dy) {
          for (int dx = 0; dx < scale; ++dx) {
            const int x = x0 + column * scale + dx;
            if (x < kWidth) pixel(x, top + row * scale + dy, 240, 240, 230);
          }
        }
      }
    }
  }
  return bmp;
}

std::vector<std::pair<std::string, std::string>> PackageSkeletonFiles(
    const std::string& name, const std::string& trackDirectory) {
  // The short name the game shows whole; cut at a space where one is near enough.
  std::string shortname = name.substr(0, 16);
  if (name.size() > 16) {
    const std::size_t space = shortname.rfind(' ');
    if (space != std::string::npos && space >= 8) shortname.resize(space);
  }
  while (!shortname.empty() && shortname.back() == ' ') shortname.pop_back();

  // The caption says what the dialog does where the name leaves room for it.
  const std::string suffix = " - Track Installation";
  const std::string caption = name.size() + suffix.size() <= 99 ? name + suffix : name;
  const std::string ini =
      "; " + name + ": a track package made by gridmoor-cli new.\r\n"
      "; Replace every placeholder file (dat, track.ini, record.ini and the six .lp files)\r\n"
      "; with the track's own, set the values below, then run \"gridmoor-cli check --strict\"\r\n"
      "; on this folder. docs/making-a-package.md explains every key.\r\n"
      "[installinfo]\r\n"
      "dialogtitel=" + caption + "\r\n"
      "name=" + name + "\r\n"
      "shortname=" + shortname + "\r\n"
      "trackDirectory=" + trackDirectory + "\r\n"
      "month=6\r\n"
      "day=1\r\n"
      "numberOfLaps=50\r\n"
      "startingGrid=3-2-3\r\n"
      "version=1.0\r\n"
      "; With a lap replay saved in this folder as a file named rpy:\r\n"
      "; replayfilename=" + trackDirectory + ".rpy\r\n";
  const std::string readme =
      name + "\r\n\r\n"
      "A few words about the circuit: its length, its corners, where it is.\r\n\r\n"
      "Race: 1 June, 50 laps\r\n"
      "Grid: 3-2-3\r\n\r\n"
      "To install: check that GPL Path shows your game folder (the one holding gpl.exe), or\r\n"
      "press Browse to find gpl.exe; then press Install Track. The track goes to\r\n"
      "tracks\\" + trackDirectory + " and joins the season in seasons\\67season.ini.\r\n";

  std::vector<std::pair<std::string, std::string>> files = {
      {"install.ini", ini}, {"readme.txt", readme}, {"screenshot.bmp", ScreenshotWithText(name)}};
  for (const char* file : {"dat", "track.ini", "record.ini", "race.lp", "pit.lp", "pass1.lp",
                           "pass2.lp", "maxrace.lp", "minrace.lp"})
    files.emplace_back(file, Placeholder(file, name));
  return files;
}

}  // namespace gridmoor
