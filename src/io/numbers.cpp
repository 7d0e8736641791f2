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

std::optional<std::int32_t> read_number(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_space(text[i])) {
    ++i;
  }
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    ++i;
  }
  std::int64_t magnitude = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kMax + 1) {
      return std::nullopt; // stop before the accumulator itself could overflow
    }
  }
  return narrowed(negative ? -magnitude : magnitude);
}

std::optional<std::int32_t> add_offset(std::int32_t number, std::int32_t offset) {
  return narrowed(std::int64_t{number} + offset);
}

} // namespace tarvello
