#include "tables/key_finder.h"

#include "io/byte_scan.h"
#include "tables/wide_scan.h"

#include <array>
#include <cstring>

namespace tarvello {

namespace {

using byte_scan::Bytes16;
using byte_scan::kWidth;

/// How rare a byte tends to be in a listing: blanks and tabs are everywhere,
/// lower-case names nearly so, digits less, capitals and the rest least.
constexpr std::array<unsigned char, 256> kRarity = [] {
  std::array<unsigned char, 256> rarity{};
  for (std::size_t c = 0; c < rarity.size(); ++c) {
    const bool lower = (c >= 'a' && c <= 'z') || c == '_';
    rarity[c] = c == '\t' || c == ' ' ? 0 : lower ? 1 : c >= '0' && c <= '9' ? 2 : 3;
  }
  return rarity;
}();

unsigned char rarity(char c) { return kRarity[static_cast<unsigned char>(c)]; }

/// Whether the `size` bytes at `a` and `b` are equal, eight at a time, with
/// no call: most candidates differ within the first eight.
bool same_bytes(const char *a, const char *b, std::size_t size) {
  if (size < 8) {
    return std::memcmp(a, b, size) == 0;
  }
  for (std::size_t i = 0; i + 8 < size; i += 8) {
    if (byte_scan::load8(a + i) != byte_scan::load8(b + i)) {
      return false;
    }
  }
  return byte_scan::load8(a + size - 8) == byte_scan::load8(b + size - 8);
}

} // namespace

KeyFinder::KeyFinder(std::string_view key, bool wide)
    : key_(key), last_(key.empty() ? 0 : key.size() - 1), wide_(wide && wide_scan_available()) {
  for (std::size_t i = 0; i < last_; ++i) {
    if (rarity(key[i]) >= rarity(key[rare_])) {
      rare_ = i; // the last of the rarest, nearest the part that tells lines apart
    }
  }
}

bool KeyFinder::matches_at(std::string_view text, std::size_t at) const {
  return text[at + rare_] == key_[rare_] && text[at + last_] == key_[last_] &&
         same_bytes(text.data() + at, key_.data(), key_.size());
}

std::size_t KeyFinder::find(std::string_view text, std::size_t from) const {
  if (key_.empty()) {
    return from <= text.size() ? from : std::string_view::npos;
  }
  if (text.size() < key_.size()) {
    return std::string_view::npos;
  }
  const std::size_t last_start = text.size() - key_.size();
  const Bytes16 rare = byte_scan::repeat(key_[rare_]);
  const Bytes16 last = byte_scan::repeat(key_[last_]);
  const auto candidates = [&](std::size_t at) -> Bytes16 {
    return (byte_scan::load(text.data() + at + rare_) == rare) &
           (byte_scan::load(text.data() + at + last_) == last);
  };
  std::size_t at = from;
  if (wide_) {
    const WideScan wide = wide_scan(*this, text, from, last_start);
    if (wide.found) {
      return wide.at;
    }
    at = wide.at;
  }
  for (; at + kWidth <= last_start + 1; at += kWidth) {
    std::size_t hit = 0;
    if (byte_scan::find_set(candidates(at), [&](std::size_t i) { return matches_at(text, hit = at + i); })) {
      return hit;
    }
  }
  for (; at <= last_start; ++at) {
    if (matches_at(text, at)) {
      return at;
    }
  }
  return std::string_view::npos;
}

} // namespace tarvello
