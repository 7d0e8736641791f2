#pragma once

#include <cstddef>
#include <cstdint>
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

/// Reads a number as atoi does: white space, one optional sign, then decimal
/// digits up to the first other character; no digits read as 0. The listing
/// and the answers are both read with it.
NumberRead read_number(std::string_view text);

/// `number` + `offset`, or nothing when the sum leaves the signed 32-bit range.
std::optional<std::int32_t> add_offset(std::int32_t number, std::int32_t offset);

/// True for the white space that atoi and the prompts skip.
constexpr bool is_space(char c) {
  constexpr std::uint64_t kSpaces = (std::uint64_t{1} << ' ') | (std::uint64_t{1} << '\t') |
                                    (std::uint64_t{1} << '\n') | (std::uint64_t{1} << '\v') |
                                    (std::uint64_t{1} << '\f') | (std::uint64_t{1} << '\r');
  const auto byte = static_cast<unsigned char>(c);
  return byte <= ' ' && ((kSpaces >> byte) & 1U) != 0; // one test, not six: it runs on every number
}

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

} // namespace tarvello
