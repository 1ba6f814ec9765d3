#include "engine/ContentHash.h"

#include <cstdint>

namespace gridmoor {

std::string ContentDigest(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  static const char kHex[] = "0123456789abcdef";
  std::string digest(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) digest[i] = kHex[hash & 15];
  return digest;
}

}  // namespace gridmoor
