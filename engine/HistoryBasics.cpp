#include "engine/HistoryBasics.h"

#include <ctime>

namespace gridmoor {

std::string RoomSettingPath(const std::string& gameFolder) {
  return HistoryFolder(gameFolder) + "\\room";
}

std::string LocalTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (const std::tm* converted = std::localtime(&now)) local = *converted;
  char text[32] = {};
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

std::string HistoryFolder(const std::string& gameFolder) {
  return gameFolder + "\\seasons\\gridmoor-undo";
}

std::uint64_t StepRoomLimit(FileSystem& files, const std::string& gameFolder) {
  const std::optional<std::string> text = files.ReadWholeFile(RoomSettingPath(gameFolder), 64);
  if (!text) return kDefaultStepRoom;
  std::uint64_t value = 0;
  bool digits = false;
  for (const char c : *text) {
    if (c < '0' || c > '9') break;
    digits = true;
    if (value > (UINT64_MAX - 9) / 10) return kDefaultStepRoom;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return digits ? value : kDefaultStepRoom;
}

}  // namespace gridmoor
