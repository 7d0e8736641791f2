#pragma once

// Many bytes compared at once: eight in a word for the rule test of each
// listing line, and sixteen in a vector for the key search in a table (an
// extension of GCC and Clang, the two compilers the build knows).

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tarvello::byte_scan {

using Bytes16 = unsigned char __attribute__((vector_size(16)));
constexpr std::size_t kWidth = 16;

inline Bytes16 load(const char *at) {
  Bytes16 bytes;
  std::memcpy(&bytes, at, kWidth);
  return bytes;
}

inline Bytes16 repeat(char c) {
  Bytes16 bytes;
  std::memset(&bytes, c, kWidth);
  return bytes;
}

/// Whether any byte of `flags` is set: the common answer is no, and cheap.
inline bool any(Bytes16 flags) {
  std::uint64_t halves[2];
  std::memcpy(halves, &flags, kWidth);
  return (halves[0] | halves[1]) != 0;
}

constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

/// The place, counted in memory order, of the first byte flagged in `bits`
/// (the top bit of each flagged byte set), which must not be 0.
inline std::size_t first_place(std::uint64_t bits) {
  return static_cast<std::size_t>(kLittleEndian ? __builtin_ctzll(bits) : __builtin_clzll(bits)) / 8;
}

/// Clears the flag of the byte at `place`, counted in memory order.
inline std::uint64_t clear_place(std::uint64_t bits, std::size_t place) {
  return bits & ~(std::uint64_t{0x80} << (kLittleEndian ? place * 8 : 56 - place * 8));
}

/// Calls `visit` with the place of each byte of `flags` that is set (a
/// comparison's 0xff), in order, until it returns true; returns whether one did.
template <typename Visit> bool find_set(Bytes16 flags, Visit visit) {
  if (!any(flags)) {
    return false;
  }
  std::uint64_t halves[2];
  std::memcpy(halves, &flags, kWidth);
  for (std::size_t half = 0; half < 2; ++half) {
    for (std::uint64_t bits = halves[half] & 0x8080808080808080U; bits != 0;) {
      const std::size_t place = first_place(bits);
      if (visit(half * 8 + place)) {
        return true;
      }
      bits = clear_place(bits, place);
    }
  }
  return false;
}

/// Eight bytes of text as one word, in memory order.
inline std::uint64_t load8(const char *at) {
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

} // namespace tarvello::byte_scan
