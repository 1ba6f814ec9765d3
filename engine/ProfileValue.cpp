#include "engine/ProfileValue.h"

namespace gridmoor {

std::string ReadProfileValue(const ProfileDocument& document, std::string_view section,
                             std::string_view key) {
  std::optional<std::string> value = document.Get(section, key);
  if (!value) return kMissingValue;
  if (value->size() > kMaxValueLength) value->resize(kMaxValueLength);
  return *value;
}

}  // namespace gridmoor
