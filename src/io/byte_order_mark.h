#pragma once

#include <string_view>

namespace tarvello {

/// The byte-order mark a text may begin with. The tool reads bytes and no
/// encoding, but a file saved as UTF-16 holds no line it could match, and a
/// UTF-8 mark would be copied into the middle of the output.
enum class Mark { none, utf8, utf16 };

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

/// The mark at the start of `text`, which holds the first three bytes of a
/// file or all of a shorter one.
constexpr Mark mark_of(std::string_view text) {
  const std::string_view two = text.substr(0, 2);
  if (two == "\xFF\xFE" || two == "\xFE\xFF") {
    return Mark::utf16;
  }
  return text.substr(0, 3) == kUtf8Mark ? Mark::utf8 : Mark::none;
}

} // namespace tarvello
