#include "ui/WindowPlacement.h"

#include <algorithm>
#include <cstdlib>

namespace gridmoor::ui {

namespace {

constexpr const char* kColumnsValue = "Columns";
constexpr const char* kLeftValue = "Left";
constexpr const char* kTopValue = "Top";
constexpr const char* kRightValue = "Right";
constexpr const char* kBottomValue = "Bottom";
constexpr const char* kMaximizedValue = "Maximized";
constexpr const char* kFileValue = "File";
constexpr const char* kSeasonFile = "67season.ini";
constexpr const char* kChampionshipFile = "gp.ini";

constexpr int kWidestColumn = 4000;
constexpr LONG kFarthest = 100000;  // beyond any desktop: a frame past it is damage

class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() {
    if (m_key) RegCloseKey(m_key);
  }
  bool Open() {
    return RegOpenKeyExA(HKEY_CURRENT_USER, kSeasonWindowKey, 0, KEY_QUERY_VALUE, &m_key) ==
           ERROR_SUCCESS;
  }
  bool Create() {
    return RegCreateKeyExA(HKEY_CURRENT_USER, kSeasonWindowKey, 0, nullptr, 0, KEY_SET_VALUE,
                           nullptr, &m_key, nullptr) == ERROR_SUCCESS;
  }

  std::optional<DWORD> Number(const char* name) const {
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value) {
      return std::nullopt;
    }
    return value;
  }
  std::optional<std::string> Text(const char* name) const {
    char value[256] = {};
    DWORD size = sizeof value - 1;  // room kept for a NUL the value may lack
    DWORD type = 0;
    if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
      return std::nullopt;
    }
    return std::string(value);
  }

  bool SetNumber(const char* name, DWORD value) {
    return RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
  }
  bool SetText(const char* name, const std::string& value) {
    return RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
  }

 private:
  HKEY m_key = nullptr;
};

// A coordinate kept as a DWORD: negative on a monitor left of or above the main one.
std::optional<LONG> Coordinate(const RegistryKey& key, const char* name) {
  const std::optional<DWORD> value = key.Number(name);
  if (!value) return std::nullopt;
  const LONG coordinate = static_cast<LONG>(*value);
  if (coordinate < -kFarthest || coordinate > kFarthest) return std::nullopt;
  return coordinate;
}

}  // namespace

std::string ColumnWidthsText(const std::vector<int>& widths) {
  std::string text;
  for (const int width : widths) text += (text.empty() ? "" : ",") + std::to_string(width);
  return text;
}

std::optional<std::vector<int>> ParseColumnWidths(const std::string& text, std::size_t columns) {
  std::vector<int> widths;
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t comma = std::min(text.find(',', at), text.size());
    const std::string number = text.substr(at, comma - at);
    if (number.empty() || number.size() > 4 ||
        number.find_first_not_of("0123456789") != std::string::npos) {
      return std::nullopt;
    }
    const int width = std::atoi(number.c_str());
    if (width < 1 || width > kWidestColumn) return std::nullopt;
    widths.push_back(width);
    at = comma + 1;
  }
  if (widths.size() != columns) return std::nullopt;
  return widths;
}

bool FrameOnAMonitor(const RECT& frame) {
  if (frame.right <= frame.left || frame.bottom <= frame.top) return false;
  if (frame.right - frame.left > kFarthest || frame.bottom - frame.top > kFarthest) return false;
  return MonitorFromRect(&frame, MONITOR_DEFAULTTONULL) != nullptr;
}

int ToPixels(int units96, UINT dpi) { return MulDiv(units96, static_cast<int>(dpi), 96); }
int ToUnits96(int pixels, UINT dpi) { return MulDiv(pixels, 96, static_cast<int>(dpi ? dpi : 96)); }

SeasonWindowState LoadSeasonWindowState(std::size_t columns) {
  SeasonWindowState state;
  RegistryKey key;
  if (!key.Open()) return state;
  if (const std::optional<std::string> widths = key.Text(kColumnsValue)) {
    if (std::optional<std::vector<int>> parsed = ParseColumnWidths(*widths, columns))
      state.columnWidths = std::move(*parsed);
  }
  const std::optional<LONG> left = Coordinate(key, kLeftValue);
  const std::optional<LONG> top = Coordinate(key, kTopValue);
  const std::optional<LONG> right = Coordinate(key, kRightValue);
  const std::optional<LONG> bottom = Coordinate(key, kBottomValue);
  if (left && top && right && bottom && *right > *left && *bottom > *top)
    state.frame = RECT{*left, *top, *right, *bottom};
  state.maximized = key.Number(kMaximizedValue).value_or(0) == 1;
  if (const std::optional<std::string> file = key.Text(kFileValue)) {
    if (*file == kSeasonFile) state.championship = false;
    if (*file == kChampionshipFile) state.championship = true;
  }
  return state;
}

bool SaveSeasonWindowState(const SeasonWindowState& state) {
  RegistryKey key;
  if (!key.Create()) return false;
  bool saved = true;
  if (!state.columnWidths.empty())
    saved = key.SetText(kColumnsValue, ColumnWidthsText(state.columnWidths)) && saved;
  if (state.frame) {
    saved = key.SetNumber(kLeftValue, static_cast<DWORD>(state.frame->left)) && saved;
    saved = key.SetNumber(kTopValue, static_cast<DWORD>(state.frame->top)) && saved;
    saved = key.SetNumber(kRightValue, static_cast<DWORD>(state.frame->right)) && saved;
    saved = key.SetNumber(kBottomValue, static_cast<DWORD>(state.frame->bottom)) && saved;
  }
  saved = key.SetNumber(kMaximizedValue, state.maximized ? 1 : 0) && saved;
  if (state.championship)
    saved = key.SetText(kFileValue, *state.championship ? kChampionshipFile : kSeasonFile) && saved;
  return saved;
}

}  // namespace gridmoor::ui
