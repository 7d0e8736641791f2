#include "io/numbers.h"

#include <cstddef>

namespace tarvello {

namespace {
constexpr std::int64_t kMin = kLeastNumber;
constexpr std::int64_t kMax = kMostNumber;

std::optional<std::int32_t> narrowed(std::int64_t value) {
  if (value < kMin || value > kMax) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}
} // namespace

NumberRead read_number(std::string_view text) {
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

std::optional<std::int32_t> add_offset(std::int32_t number, std::int32_t offset) {
  return narrowed(std::int64_t{number} + offset);
}

} // namespace tarvello
