#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarvello {

/// Listing lines of one kind that a report names: how many, and the first
/// kShown of their numbers. Its size is fixed, however long the listing.
struct LineTally {
  static constexpr std::size_t kShown = 10;

  std::int64_t count = 0;
  std::array<std::int64_t, kShown> first{};

  void add(std::int64_t line) {
    if (count < static_cast<std::int64_t>(kShown)) {
      first[static_cast<std::size_t>(count)] = line;
    }
    ++count;
  }
  /// How many of `first` hold a line number.
  std::size_t shown() const {
    return count < static_cast<std::int64_t>(kShown) ? static_cast<std::size_t>(count) : kShown;
  }
};

} // namespace tarvello
