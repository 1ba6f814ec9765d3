#pragma once
// Reading what is on the screen: captures of screen areas, 24-bit BMP files, and which of the
// system's icons a message box shows.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace gridmoor::e2e {

// Pixels as 0x00RRGGBB, rows top down.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  bool Empty() const { return pixels.empty(); }
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The screen's pixels in `area` (screen coordinates); empty when the screen can't be read.
Image CaptureScreen(const RECT& area);

// Reads an uncompressed 24-bit BMP (either row order); empty when the file is missing or in
// another format.
Image LoadBmp24(const std::string& path);
// Writes `image` as an uncompressed 24-bit BMP; false when the file can't be written.
bool SaveBmp24(const Image& image, const std::string& path);

// The colour distance of two pixels: the largest difference of a channel.
int ColourDistance(std::uint32_t a, std::uint32_t b);

enum class BoxIcon { None, Exclamation, Stop, Question, Information, Unknown };
const char* IconName(BoxIcon icon);

// Which system icon `shown` (a capture of a message box's icon control) displays: each
// candidate is drawn over the capture's background colour and must match every pixel.
// Unknown when none does (for instance while the box is not painted yet).
BoxIcon IdentifyIcon(const Image& shown);

}  // namespace gridmoor::e2e
