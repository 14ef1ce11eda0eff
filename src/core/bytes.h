// Byte-level helpers for fixed-width record fields; no host types.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kestrin {

// The number of bytes before the first zero byte (all of them when there is none).
inline std::size_t text_length(const char* data, std::size_t size) {
  const void* zero = size ? std::memchr(data, 0, size) : nullptr;
  return zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : size;
}

// The first `size` bytes (at most 8) read as an unsigned little-endian integer.
inline std::uint64_t little_endian_value(const unsigned char* data, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = size; i > 0; --i) value = (value << 8) | data[i - 1];
  return value;
}

}  // namespace kestrin
