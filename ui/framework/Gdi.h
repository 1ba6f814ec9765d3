#pragma once
// Owners for GDI and USER handles, so that every bitmap, palette, font, DC and cursor the
// picture and the label make is released exactly once, by the object that made it.

#include <windows.h>

namespace gridmoor::ui {

// A move-only owner of one handle, released through Traits::Release when replaced or destroyed.
template <typename Traits>
class HandleOwner {
 public:
  using Handle = typename Traits::Handle;

  HandleOwner() noexcept = default;
  explicit HandleOwner(Handle handle) noexcept : m_handle(handle) {}
  HandleOwner(const HandleOwner&) = delete;
  HandleOwner& operator=(const HandleOwner&) = delete;
  HandleOwner(HandleOwner&& other) noexcept : m_handle(other.Detach()) {}
  HandleOwner& operator=(HandleOwner&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }
  ~HandleOwner() { Reset(); }

  Handle Get() const noexcept { return m_handle; }
  explicit operator bool() const noexcept { return m_handle != nullptr; }

  // Releases the held handle and takes `handle` instead. Answers the release's result, TRUE
  // when nothing was held.
  BOOL Reset(Handle handle = nullptr) noexcept {
    BOOL released = TRUE;
    if (m_handle != nullptr && m_handle != handle) released = Traits::Release(m_handle);
    m_handle = handle;
    return released;
  }

  // Gives up ownership without releasing; the caller owns the answer.
  Handle Detach() noexcept {
    Handle handle = m_handle;
    m_handle = nullptr;
    return handle;
  }

 private:
  Handle m_handle = nullptr;
};

struct BitmapTraits {
  using Handle = HBITMAP;
  static BOOL Release(HBITMAP handle) noexcept { return DeleteObject(handle); }
};
struct PaletteTraits {
  using Handle = HPALETTE;
  static BOOL Release(HPALETTE handle) noexcept { return DeleteObject(handle); }
};
struct FontTraits {
  using Handle = HFONT;
  static BOOL Release(HFONT handle) noexcept { return DeleteObject(handle); }
};
// A DC made by CreateDC or CreateCompatibleDC (not one from GetDC: see WindowDC).
struct DCTraits {
  using Handle = HDC;
  static BOOL Release(HDC handle) noexcept { return DeleteDC(handle); }
};
// A cursor made by CreateCursor or CopyIcon, never a shared one from LoadCursor.
struct CursorTraits {
  using Handle = HCURSOR;
  static BOOL Release(HCURSOR handle) noexcept { return DestroyCursor(handle); }
};

using OwnedBitmap = HandleOwner<BitmapTraits>;
using OwnedPalette = HandleOwner<PaletteTraits>;
using OwnedFont = HandleOwner<FontTraits>;
using OwnedDC = HandleOwner<DCTraits>;
using OwnedCursor = HandleOwner<CursorTraits>;

// The DC of a window (the screen's when `window` is null) from GetDC, or of the whole window,
// border included, from GetWindowDC; released on destruction.
class WindowDC {
 public:
  enum Area { kClientArea, kWholeWindow };
  explicit WindowDC(HWND window, Area area = kClientArea) noexcept
      : m_window(window), m_dc(area == kWholeWindow ? GetWindowDC(window) : GetDC(window)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() { Release(); }

  HDC Get() const noexcept { return m_dc; }
  explicit operator bool() const noexcept { return m_dc != nullptr; }
  // Gives the DC back early; later calls do nothing.
  void Release() noexcept {
    if (m_dc != nullptr) ReleaseDC(m_window, m_dc);
    m_dc = nullptr;
  }

 private:
  HWND m_window;  // not owned
  HDC m_dc;
};

// Selects `object` into `dc` and puts the object it replaced back on destruction. `dc` and
// `object` are not owned. Selected() is false when SelectObject refused (nothing to undo then).
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) noexcept
      : m_dc(dc), m_previous(dc && object ? SelectObject(dc, object) : nullptr) {}
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;
  ~ScopedSelectObject() { Restore(); }

  bool Selected() const noexcept { return m_previous != nullptr && m_previous != HGDI_ERROR; }
  // Puts the previous object back now; later calls do nothing.
  void Restore() noexcept {
    if (Selected()) SelectObject(m_dc, m_previous);
    m_previous = nullptr;
  }

 private:
  HDC m_dc;            // not owned
  HGDIOBJ m_previous;  // not owned
};

// Selects a logical palette into `dc` (as a background palette when asked) and selects the
// palette it replaced back, as a foreground palette, on destruction. Nothing is owned.
class ScopedSelectPalette {
 public:
  ScopedSelectPalette(HDC dc, HPALETTE palette, BOOL background) noexcept
      : m_dc(dc), m_previous(dc && palette ? SelectPalette(dc, palette, background) : nullptr) {}
  ScopedSelectPalette(const ScopedSelectPalette&) = delete;
  ScopedSelectPalette& operator=(const ScopedSelectPalette&) = delete;
  ~ScopedSelectPalette() {
    if (m_previous != nullptr) SelectPalette(m_dc, m_previous, FALSE);
  }

  bool Selected() const noexcept { return m_previous != nullptr; }

 private:
  HDC m_dc;              // not owned
  HPALETTE m_previous;   // not owned
};

}  // namespace gridmoor::ui
