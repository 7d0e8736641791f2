#include "tables/key_finder.h"

#include "driver/bytes16.h"

#include <cstring>

namespace tarvello {

namespace {

using bytes16::Bytes16;
using bytes16::kWidth;

/// How rare a byte tends to be in a listing: blanks and tabs are everywhere,
/// lower-case names nearly so, digits less, capitals and the rest least.
int rarity(char c) {
  if (c == '\t' || c == ' ') {
    return 0;
  }
  if ((c >= 'a' && c <= 'z') || c == '_') {
    return 1;
  }
  return c >= '0' && c <= '9' ? 2 : 3;
}

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
         std::memcmp(text.data() + at, key_.data(), key_.size()) == 0;
}

std::size_t KeyFinder::find(std::string_view text, std::size_t from) const {
  if (key_.empty()) {
    return from <= text.size() ? from : std::string_view::npos;
  }
  if (text.size() < key_.size()) {
    return std::string_view::npos;
  }
  const std::size_t last_start = text.size() - key_.size();
  const Bytes16 rare = bytes16::repeat(key_[rare_]);
  const Bytes16 last = bytes16::repeat(key_[last_]);
  std::size_t at = from;
  for (; at + kWidth <= last_start + 1; at += kWidth) {
    const Bytes16 both =
        (bytes16::load(text.data() + at + rare_) == rare) & (bytes16::load(text.data() + at + last_) == last);
    std::size_t hit = 0;
    if (bytes16::find_set(both, [&](std::size_t i) { return matches_at(text, hit = at + i); })) {
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
