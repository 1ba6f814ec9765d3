#pragma once
// The season window as the player left it, kept between runs of the program in the user's part
// of the registry (HKEY_CURRENT_USER\Software\Lapscope\Gridmoor\Season window): the column
// widths, the window's frame, and the season file it showed. Nothing here is worth a message:
// a value that is missing or cannot be read is left out, and the window uses its defaults.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace gridmoor::ui {

// The key, under HKEY_CURRENT_USER.
constexpr const char* kSeasonWindowKey = "Software\\Lapscope\\Gridmoor\\Season window";

struct SeasonWindowState {
  // One width per column, in pixels at 96 DPI, so they read the same on a monitor of another
  // DPI; empty when none were kept (or not one per column).
  std::vector<int> columnWidths;
  // The restored (not maximised) frame, as GetWindowPlacement gives it.
  std::optional<RECT> frame;
  bool maximized = false;
  // The file shown: true for gp.ini, false for 67season.ini.
  std::optional<bool> championship;
};

// The state as kept; `columns` is how many widths the window has now (a different number, as
// left by another version, counts as none).
SeasonWindowState LoadSeasonWindowState(std::size_t columns);
// Keeps `state`, each value on its own; answers false when any could not be written.
bool SaveSeasonWindowState(const SeasonWindowState& state);

// "30,120,90": the widths as kept. Parsing answers nullopt unless it is exactly `columns`
// plain numbers from 1 to 4000.
std::string ColumnWidthsText(const std::vector<int>& widths);
std::optional<std::vector<int>> ParseColumnWidths(const std::string& text, std::size_t columns);

// A kept frame that can be used: a sane size that lands on a monitor attached now.
bool FrameOnAMonitor(const RECT& frame);

// Between 96-DPI units and pixels at `dpi`.
int ToPixels(int units96, UINT dpi);
int ToUnits96(int pixels, UINT dpi);

}  // namespace gridmoor::ui
