#pragma once

#include "io/byte_scan.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace tarvello {

/// The progress message "line N done \n", kept as text and counted up in
/// place, so a pass of the main loop costs no number formatting.
class ProgressLine {
public:
  ProgressLine();
  /// Counts one more pass.
  void next();
  byte_scan::Padded text() const;

private:
  static constexpr std::string_view kHead = "line ";
  static constexpr std::string_view kTail = " done \n";
  static constexpr std::size_t kDigitsEnd = 32; // room for any 64-bit count and the head
  std::size_t begin_;                           // where kHead starts
  std::array<char, kDigitsEnd + kTail.size() + byte_scan::kWidth> text_{};
};

} // namespace tarvello
