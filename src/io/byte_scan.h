#pragma once

// Many bytes tested at once: the rule choice of each listing line, the key
// search in a table and the search for line breaks all scan through
// here, so the vector width is chosen in one place (an extension of GCC and
// Clang, the two compilers the build knows). Every text scanned here is
// Padded: kWidth bytes after it may be read, so a scan loads whole vectors and
// disregards what lies past the text.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tarvello::byte_scan {

constexpr std::size_t kWidth = 16;

/// The size of every block the tool reads or writes through.
constexpr std::size_t kBlock = std::size_t{64} * 1024;
/// The room a block of lines takes: kWidth more than it holds, as a scan of a
/// line may read that far past the line's end.
constexpr std::size_t kBlockRoom = kBlock + kWidth;

/// A text after which kWidth more bytes may be read, as after every line a
/// LineReader gives: a scan may load whole vectors across its end. Only code
/// that has made that room makes one; each part of one is one too.
class Padded {
public:
  /// `text`, after which the caller has made kWidth bytes readable.
  static constexpr Padded with_room_after(std::string_view text) { return Padded(text); }

  constexpr const char *data() const { return text_.data(); }
  constexpr std::size_t size() const { return text_.size(); }
  constexpr bool empty() const { return text_.empty(); }
  constexpr char front() const { return text_.front(); }
  constexpr char operator[](std::size_t i) const { return text_[i]; }
  /// A part: the room after the whole lies after every part as well.
  constexpr Padded substr(std::size_t from, std::size_t count = std::string_view::npos) const {
    return Padded(text_.substr(from, count));
  }
  constexpr operator std::string_view() const { return text_; } // NOLINT: a Padded is a text to every reader
  constexpr std::string_view text() const { return text_; }

private:
  constexpr explicit Padded(std::string_view text) : text_(text) {}
  std::string_view text_;
};

using Bytes = unsigned char __attribute__((vector_size(kWidth)));

inline Bytes load(const char *at) {
  Bytes bytes;
  std::memcpy(&bytes, at, kWidth);
  return bytes;
}

constexpr Bytes repeat(char c) { return Bytes{} + static_cast<unsigned char>(c); }

} // namespace tarvello::byte_scan

// mask(): one bit for each byte set in a comparison's result, bit i for byte
// i. The build picks the file for the processor: one instruction on x86-64.
#include TARVELLO_BYTE_MASK

namespace tarvello::byte_scan {

/// Calls `visit` with the place of each byte set in `comparison`, in memory
/// order, until it returns true; returns whether one did.
template <typename Visit> bool find_set(Bytes comparison, Visit visit) {
  for (std::uint32_t bits = mask(comparison); bits != 0; bits &= bits - 1) {
    if (visit(static_cast<std::size_t>(__builtin_ctz(bits)))) {
      return true;
    }
  }
  return false;
}

/// Whether the `size` bytes at `a` and `b` are equal: a few overlapping word
/// comparisons and no call, as most candidates differ in their first bytes.
inline bool same(const char *a, const char *b, std::size_t size) {
  const auto word = [](const char *at, auto kind) {
    decltype(kind) w;
    std::memcpy(&w, at, sizeof w);
    return w;
  };
  if (size < 4) {
    return size == 0 || (a[0] == b[0] && a[size / 2] == b[size / 2] && a[size - 1] == b[size - 1]);
  }
  if (size < 8) {
    return word(a, std::uint32_t{}) == word(b, std::uint32_t{}) &&
           word(a + size - 4, std::uint32_t{}) == word(b + size - 4, std::uint32_t{});
  }
  for (std::size_t i = 0; i + 8 < size; i += 8) {
    if (word(a + i, std::uint64_t{}) != word(b + i, std::uint64_t{})) {
      return false;
    }
  }
  return word(a + size - 8, std::uint64_t{}) == word(b + size - 8, std::uint64_t{});
}

/// The place of the first `c` in the kWidth bytes at `at`, or kWidth.
inline std::size_t place_of(const char *at, char c) {
  return static_cast<std::size_t>(__builtin_ctz(mask(load(at) == repeat(c)) | 1U << kWidth));
}

/// The place of the first `c` in `text` at `from` or later, or npos.
inline std::size_t find(Padded text, char c, std::size_t from = 0) {
  for (std::size_t at = from; at < text.size(); at += kWidth) {
    if (const std::size_t found = at + place_of(text.data() + at, c); found < at + kWidth) {
      return found < text.size() ? found : std::string_view::npos;
    }
  }
  return std::string_view::npos;
}

} // namespace tarvello::byte_scan
