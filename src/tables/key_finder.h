#pragma once

#include "io/byte_scan.h"

#include <cstddef>
#include <string_view>

namespace tarvello {

/// Finds a key in a block of table lines, many places at a time. Two bytes
/// of the key, its rarest-looking one and its last, are compared first at
/// every place with one vector comparison each; only where both agree is the
/// whole key compared. Table lines are much alike, so a byte-at-a-time
/// searcher finds a near match on nearly every line; two bytes rarely do.
class KeyFinder {
public:
  explicit KeyFinder(std::string_view key);

  /// The first place at or after `from` where the key stands in `text`, or npos.
  std::size_t find(byte_scan::Padded text, std::size_t from) const;

private:
  /// Whether the whole key stands at `at`, which leaves room for it.
  bool matches_at(std::string_view text, std::size_t at) const;

  std::string_view key_;
  std::size_t rare_ = 0; ///< the place in the key of the byte least likely in a table line
  std::size_t last_ = 0;
};

} // namespace tarvello
