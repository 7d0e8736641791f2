#include "tables/key_finder.h"

#include "io/byte_scan.h"

#include <array>

namespace tarvello {

namespace {

using byte_scan::Bytes;
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

} // namespace

KeyFinder::KeyFinder(std::string_view key) : key_(key), last_(key.empty() ? 0 : key.size() - 1) {
  for (std::size_t i = 0; i < last_; ++i) {
    if (rarity(key[i]) >= rarity(key[rare_])) {
      rare_ = i; // the last of the rarest, nearest the part that tells lines apart
    }
  }
}

bool KeyFinder::matches_at(std::string_view text, std::size_t at) const {
  return text[at + rare_] == key_[rare_] && text[at + last_] == key_[last_] &&
         byte_scan::same(text.data() + at, key_.data(), key_.size());
}

std::size_t KeyFinder::find(byte_scan::Padded text, std::size_t from) const {
  if (key_.empty()) {
    return from <= text.size() ? from : std::string_view::npos;
  }
  if (text.size() < key_.size()) {
    return std::string_view::npos;
  }
  const std::size_t last_start = text.size() - key_.size();
  const Bytes rare = byte_scan::repeat(key_[rare_]);
  const Bytes last = byte_scan::repeat(key_[last_]);
  const auto candidates = [&](std::size_t at) -> Bytes {
    return (byte_scan::load(text.data() + at + rare_) == rare) &
           (byte_scan::load(text.data() + at + last_) == last);
  };
  std::size_t hit = 0;
  const auto matches = [&](std::size_t at, Bytes found) {
    return byte_scan::find_set(found, [&](std::size_t i) {
      hit = at + i;
      return hit > last_start || matches_at(text, hit); // past the last start: the search is over
    });
  };
  std::size_t at = from;
  constexpr std::size_t kStep = 4 * kWidth; // four vectors, and one test that none holds a candidate
  for (; at + kStep <= last_start + 1; at += kStep) {
    const std::array<Bytes, 4> found = {candidates(at), candidates(at + kWidth), candidates(at + 2 * kWidth),
                                        candidates(at + 3 * kWidth)};
    if (byte_scan::mask(found[0] | found[1] | found[2] | found[3]) != 0) {
      for (std::size_t k = 0; k < found.size(); ++k) {
        if (matches(at + k * kWidth, found[k])) {
          return hit;
        }
      }
    }
  }
  for (; at <= last_start; at += kWidth) { // the last vector may reach into the bytes after the text
    if (matches(at, candidates(at))) {
      return hit <= last_start ? hit : std::string_view::npos;
    }
  }
  return std::string_view::npos;
}

} // namespace tarvello
