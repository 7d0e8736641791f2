#pragma once

#include "io/byte_scan.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

namespace tarvello {

/// The range of every number the tool reads, writes or adds: signed 32 bits.
constexpr std::int32_t kLeastNumber = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMostNumber = std::numeric_limits<std::int32_t>::max();

/// A number read from the front of a text.
struct NumberRead {
  std::optional<std::int32_t> value; ///< nothing when it lies outside the signed 32-bit range
  std::size_t end = 0;               ///< where its digits end in the text; 0 when it has none
};

/// True for the white space that atoi and the prompts skip: blank, \t, \n, \v, \f and \r.
constexpr bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

/// Reads a number as atoi does: white space, one optional sign, then decimal
/// digits up to the first other character; no digits read as 0. The listing
/// and the answers are both read with it; eight bytes are read at `text`.
/// Inline: a renumbered line's number is read here, and the result needs no
/// trip through memory.
inline NumberRead read_number(byte_scan::Padded text) {
  // The usual number, one to seven digits and nothing before, by one word:
  // a byte's top bit is set where it is no digit (a borrow or a carry moves
  // only past such a byte).
  std::uint64_t word = 0;
  std::memcpy(&word, text.data(), sizeof word);
  word = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? word : __builtin_bswap64(word); // the first byte lowest
  const std::uint64_t values = word - 0x3030303030303030U;
  const std::uint64_t others = ((word + 0x4646464646464646U) | values) & 0x8080808080808080U;
  const auto count = std::min<std::size_t>(text.size(), others == 0 ? 8 : __builtin_ctzll(others) / 8);
  if (count > 0 && count < 8) {
    std::uint64_t v = values << (64 - 8 * count); // zeros before the digits
    v = v * 10 + (v >> 8);                        // pairs of digits
    v = ((v & 0x000000FF000000FFU) * (100 + (1000000ULL << 32)) +
         ((v >> 16) & 0x000000FF000000FFU) * (1 + (10000ULL << 32))) >>
        32;
    return {static_cast<std::int32_t>(v), count};
  }
  const char *at = text.data();
  const char *const end = at + text.size();
  while (at < end && is_space(*at)) {
    ++at;
  }
  const bool negative = at < end && *at == '-';
  at += at < end && (*at == '-' || *at == '+') ? 1 : 0;
  const char *const digits = at;
  while (at < end && *at == '0') {
    ++at;
  }
  const char *const significant = at;
  std::uint64_t magnitude = 0; // wraps past nineteen digits, which are out of range anyway
  for (unsigned digit = 0; at < end && (digit = static_cast<unsigned char>(*at) - 48U) <= 9; ++at) {
    magnitude = magnitude * 10 + digit;
  }
  // The one range check, where the digits end.
  const bool fits = at - significant <= 10 && magnitude <= std::uint64_t{kMostNumber} + (negative ? 1 : 0);
  const auto value = static_cast<std::int32_t>(negative ? 0 - magnitude : magnitude); // modulo 2^32
  return {fits ? std::optional(value) : std::nullopt,
          at == digits ? 0 : static_cast<std::size_t>(at - text.data())};
}

/// `number` + `offset`, or nothing when the sum leaves the signed 32-bit range.
inline std::optional<std::int32_t> add_offset(std::int32_t number, std::int32_t offset) {
  const std::int64_t sum = std::int64_t{number} + offset;
  return sum < kLeastNumber || sum > kMostNumber ? std::nullopt
                                                 : std::optional(static_cast<std::int32_t>(sum));
}

} // namespace tarvello
