#pragma once
// The one content digest of files of ours: 64-bit FNV-1a, enough to tell whether a file still
// holds the bytes it held (not a guard against someone forging them).

#include <string>
#include <string_view>

namespace gridmoor {

// The digest of `bytes` as 16 lowercase hex digits.
std::string ContentDigest(std::string_view bytes);

}  // namespace gridmoor
