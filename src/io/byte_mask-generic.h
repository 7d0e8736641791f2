#pragma once

#include <cstdint>
#include <cstring>

namespace tarvello::byte_scan {

/// Each byte's top bit is moved, by one multiplication for each eight bytes,
/// to the top byte of its word.
inline std::uint32_t mask(Bytes comparison) {
  std::uint64_t half[2];
  std::memcpy(half, &comparison, kWidth);
  std::uint32_t bits = 0;
  for (std::size_t h = 0; h < 2; ++h) {
    const std::uint64_t tops =
        __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? half[h] : __builtin_bswap64(half[h]);
    constexpr std::uint64_t kGather = 0x0102040810204080U; // byte k's bit 0 to bit 56 + k
    bits |= static_cast<std::uint32_t>(((tops >> 7 & 0x0101010101010101U) * kGather) >> 56) << (8 * h);
  }
  return bits;
}

} // namespace tarvello::byte_scan
