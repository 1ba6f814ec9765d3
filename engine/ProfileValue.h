#pragma once
// Profile values as the engine reads them: into the 100-byte buffers of the game's own
// conventions, so at most 99 characters, with "default" standing for a missing value.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/ProfileDocument.h"

namespace gridmoor {

// The sentinel a missing value reads as.
constexpr const char* kMissingValue = "default";
// The most characters a value is read with.
constexpr std::size_t kMaxValueLength = 99;

// `value` as the engine reads it: its first kMaxValueLength characters. Every value read from
// a profile or the registry, and every track folder compared, goes through this one cut.
std::string CutToValueLength(std::string_view value);

// The value of `key` in `section`, cut to kMaxValueLength characters, or kMissingValue when
// the section or the key is missing.
std::string ReadProfileValue(const ProfileDocument& document, std::string_view section,
                             std::string_view key);

}  // namespace gridmoor
