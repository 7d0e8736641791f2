#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

namespace tarvello::byte_scan {

inline std::uint32_t mask(Bytes comparison) {
  __m128i bytes;
  std::memcpy(&bytes, &comparison, sizeof bytes);
  return static_cast<std::uint32_t>(_mm_movemask_epi8(bytes));
}

} // namespace tarvello::byte_scan
