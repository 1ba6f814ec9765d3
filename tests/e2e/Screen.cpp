#include "e2e/Screen.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

namespace gridmoor::e2e {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The screen's device context, released with its owner.
class ScreenDC {
 public:
  ScreenDC() : m_dc(GetDC(nullptr)) {}
  ~ScreenDC() {
    if (m_dc) ReleaseDC(nullptr, m_dc);
  }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  HDC Get() const { return m_dc; }

 private:
  HDC m_dc;
};

// A top-down 32-bit DIB section selected into a memory DC of its own.
class Canvas {
 public:
  Canvas(HDC reference, int width, int height) : m_width(width), m_height(height) {
    m_dc = CreateCompatibleDC(reference);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (m_dc) m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
    if (m_bitmap) m_previous = SelectObject(m_dc, m_bitmap);
  }
  ~Canvas() {
    if (m_previous) SelectObject(m_dc, m_previous);
    if (m_bitmap) DeleteObject(m_bitmap);
    if (m_dc) DeleteDC(m_dc);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool Ready() const { return m_bits != nullptr && m_previous != nullptr; }
  HDC Dc() const { return m_dc; }
  std::uint32_t* Bits() const { return static_cast<std::uint32_t*>(m_bits); }

  Image ToImage() const {
    GdiFlush();
    Image image;
    image.width = m_width;
    image.height = m_height;
    image.pixels.assign(Bits(), Bits() + static_cast<std::size_t>(m_width) * m_height);
    for (auto& pixel : image.pixels) pixel &= 0xFFFFFFu;
    return image;
  }

 private:
  int m_width;
  int m_height;
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_previous = nullptr;
  void* m_bits = nullptr;
};

std::uint32_t ReadLe32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t ReadLe16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
void PutLe32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void PutLe16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

}  // namespace

Image CaptureScreen(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return {};
  ScreenDC screen;
  if (!screen.Get()) return {};
  Canvas canvas(screen.Get(), width, height);
  if (!canvas.Ready()) return {};
  if (!BitBlt(canvas.Dc(), 0, 0, width, height, screen.Get(), area.left, area.top, SRCCOPY)) {
    return {};
  }
  return canvas.ToImage();
}

Image LoadBmp24(const std::string& path) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return {};
  unsigned char head[54];
  if (std::fread(head, 1, sizeof head, file.get()) != sizeof head) return {};
  if (head[0] != 'B' || head[1] != 'M') return {};
  const std::uint32_t offset = ReadLe32(head + 10);
  const auto width = static_cast<std::int32_t>(ReadLe32(head + 18));
  const auto rawHeight = static_cast<std::int32_t>(ReadLe32(head + 22));
  if (ReadLe16(head + 28) != 24 || ReadLe32(head + 30) != BI_RGB) return {};
  if (width <= 0 || width > 16384 || rawHeight == 0 || std::abs(rawHeight) > 16384) return {};
  const int height = std::abs(rawHeight);
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  std::vector<unsigned char> rows(stride * height);
  if (std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0) return {};
  if (std::fread(rows.data(), 1, rows.size(), file.get()) != rows.size()) return {};
  Image image;
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const int fileRow = rawHeight > 0 ? height - 1 - y : y;  // positive height: bottom-up
    const unsigned char* p = rows.data() + stride * fileRow;
    for (int x = 0; x < width; ++x, p += 3) {
      image.pixels[static_cast<std::size_t>(y) * width + x] =
          (static_cast<std::uint32_t>(p[2]) << 16) | (p[1] << 8) | p[0];
    }
  }
  return image;
}

bool SaveBmp24(const Image& image, const std::string& path) {
  if (image.Empty()) return false;
  const std::size_t stride = (static_cast<std::size_t>(image.width) * 3 + 3) & ~std::size_t{3};
  const std::size_t dataSize = stride * image.height;
  unsigned char head[54] = {'B', 'M'};
  PutLe32(head + 2, static_cast<std::uint32_t>(sizeof head + dataSize));
  PutLe32(head + 10, sizeof head);
  PutLe32(head + 14, 40);
  PutLe32(head + 18, static_cast<std::uint32_t>(image.width));
  PutLe32(head + 22, static_cast<std::uint32_t>(image.height));
  PutLe16(head + 26, 1);
  PutLe16(head + 28, 24);
  PutLe32(head + 34, static_cast<std::uint32_t>(dataSize));
  std::vector<unsigned char> rows(dataSize, 0);
  for (int y = 0; y < image.height; ++y) {
    unsigned char* p = rows.data() + stride * (image.height - 1 - y);
    for (int x = 0; x < image.width; ++x, p += 3) {
      const std::uint32_t pixel = image.At(x, y);
      p[0] = static_cast<unsigned char>(pixel);
      p[1] = static_cast<unsigned char>(pixel >> 8);
      p[2] = static_cast<unsigned char>(pixel >> 16);
    }
  }
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  if (std::fwrite(head, 1, sizeof head, file.get()) != sizeof head) return false;
  return std::fwrite(rows.data(), 1, rows.size(), file.get()) == rows.size();
}

int ColourDistance(std::uint32_t a, std::uint32_t b) {
  int most = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
    most = std::max(most, d);
  }
  return most;
}

const char* IconName(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::None: return "none";
    case BoxIcon::Exclamation: return "exclamation";
    case BoxIcon::Stop: return "stop";
    case BoxIcon::Question: return "question";
    case BoxIcon::Information: return "information";
    case BoxIcon::Unknown: break;
  }
  return "unknown";
}

BoxIcon IdentifyIcon(const Image& shown) {
  if (shown.Empty()) return BoxIcon::Unknown;
  // Icon handles belong to the process that loaded them, so the other program's icon can't
  // be asked for its bits: compare what it shows with our own copy of each system icon.
  static const std::pair<BoxIcon, LPCSTR> kCandidates[] = {
      {BoxIcon::Exclamation, IDI_EXCLAMATION},
      {BoxIcon::Stop, IDI_HAND},
      {BoxIcon::Question, IDI_QUESTION},
      {BoxIcon::Information, IDI_ASTERISK},
  };
  ScreenDC screen;
  for (const auto& [kind, id] : kCandidates) {
    HICON icon = LoadIconA(nullptr, id);  // shared system icon: not destroyed
    if (!icon) continue;
    Canvas canvas(screen.Get(), shown.width, shown.height);
    if (!canvas.Ready()) return BoxIcon::Unknown;
    // The corner of an icon is transparent: it shows the control's background.
    std::fill(canvas.Bits(), canvas.Bits() + shown.pixels.size(), shown.pixels.front());
    DrawIconEx(canvas.Dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    if (canvas.ToImage().pixels == shown.pixels) return kind;
  }
  return BoxIcon::Unknown;
}

}  // namespace gridmoor::e2e
