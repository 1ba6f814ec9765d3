#include "engine/ProfileValue.h"

namespace gridmoor {

std::string CutToValueLength(std::string_view value) {
  return std::string(value.substr(0, kMaxValueLength));
}

std::string ReadProfileValue(const ProfileDocument& document, std::string_view section,
                             std::string_view key) {
  std::optional<std::string> value = document.Get(section, key);
  if (!value) return kMissingValue;
  return CutToValueLength(*value);
}

}  // namespace gridmoor
