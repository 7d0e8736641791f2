#include "driver/rule_choice.h"

#include "io/byte_scan.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace tarvello {

namespace {

constexpr std::size_t kTexts = std::size(rule_texts);

/// A place's first byte plus twice its second, modulo 256: one sum and one
/// comparison for each text find where a text may begin. A few other pairs
/// of bytes give a text's sum too; the exact tests turn them down.
constexpr unsigned char pair_sum(char first, char second) {
  return static_cast<unsigned char>(static_cast<unsigned char>(first) +
                                    2 * static_cast<unsigned char>(second));
}

/// The sums of the texts' first two bytes, each in every place of a vector.
constexpr std::array<byte_scan::Bytes, kTexts> kSums = [] {
  std::array<byte_scan::Bytes, kTexts> sums{};
  for (std::size_t i = 0; i < kTexts; ++i) {
    sums[i] = byte_scan::Bytes{} + pair_sum(rule_texts[i].text[0], rule_texts[i].text[1]);
  }
  return sums;
}();

/// For each byte, one bit for each text that begins with it.
constexpr std::array<unsigned, 256> kFirsts = [] {
  std::array<unsigned, 256> firsts{};
  for (std::size_t i = 0; i < kTexts; ++i) {
    firsts[static_cast<unsigned char>(rule_texts[i].text[0])] |= 1U << i;
  }
  return firsts;
}();

/// The first bytes of a text, up to its white space and at most eight, as a
/// word and the mask of the bytes that count: most candidates differ there,
/// both from the text and from its near misses. And where the white space
/// stands, or npos: there a near miss differs.
struct Head {
  std::uint64_t bytes = 0;
  std::uint64_t mask = 0;
  std::size_t gap = 0;
};
const std::array<Head, kTexts> kHeads = [] {
  std::array<Head, kTexts> heads{};
  for (std::size_t i = 0; i < kTexts; ++i) {
    heads[i].gap = rule_texts[i].text.find_first_of(" \t");
    const std::size_t size = std::min({rule_texts[i].text.size(), heads[i].gap, std::size_t{8}});
    std::memcpy(&heads[i].bytes, rule_texts[i].text.data(), size);
    std::memset(&heads[i].mask, 0xff, size);
  }
  return heads;
}();

/// The places in the kWidth bytes at `at` where a text may begin: most
/// bytes of a line begin none.
byte_scan::Bytes candidates(const char *at) {
  const byte_scan::Bytes after = byte_scan::load(at + 1);
  const byte_scan::Bytes sum = byte_scan::load(at) + after + after;
  byte_scan::Bytes found{};
  for (const byte_scan::Bytes &s : kSums) {
    found |= sum == s;
  }
  return found;
}

bool begins(const char *at, const char *end, std::string_view text) {
  return static_cast<std::size_t>(end - at) >= text.size() && byte_scan::same(at, text.data(), text.size());
}

/// Whether `text` begins at `at` with its white space at `gap` replaced by
/// other blanks and tabs.
bool near(const char *at, const char *end, std::string_view text, std::size_t gap) {
  if (gap == std::string_view::npos || !begins(at, end, text.substr(0, gap))) {
    return false;
  }
  const char *after = at + gap;
  while (after < end && (*after == ' ' || *after == '\t')) {
    ++after;
  }
  const std::string_view white(at + gap, static_cast<std::size_t>(after - at) - gap);
  return !white.empty() && white != text.substr(gap, 1) && begins(after, end, text.substr(gap + 1));
}

/// The earliest rule of a text that begins at `at`, Rule::near_miss, or Rule::copy.
Rule rule_at(const char *at, const char *end) {
  // Bytes past the line are read too; the mask or the length rules them out.
  std::uint64_t word = 0;
  std::memcpy(&word, at, sizeof word);
  Rule best = Rule::copy;
  for (unsigned texts = kFirsts[static_cast<unsigned char>(*at)]; texts != 0; texts &= texts - 1) {
    const auto i = static_cast<std::size_t>(__builtin_ctz(texts));
    const std::string_view text = rule_texts[i].text;
    if ((word & kHeads[i].mask) == kHeads[i].bytes) {
      best = earlier(best, begins(at, end, text)                ? rule_texts[i].rule
                           : near(at, end, text, kHeads[i].gap) ? Rule::near_miss
                                                                : Rule::copy);
    }
  }
  return best;
}

} // namespace

Rule choose_rule(byte_scan::Padded line) {
  Rule best = Rule::copy;
  const char *const end = line.data() + line.size();
  for (const char *at = line.data(); at + 1 < end && !is_first(best); at += byte_scan::kWidth) {
    byte_scan::find_set(candidates(at), [&](std::size_t i) {
      if (at + i + 1 >= end) {
        return true; // the bytes after the line
      }
      best = earlier(best, rule_at(at + i, end));
      return is_first(best);
    });
  }
  if (is_chosen_by_text(best) || line.empty()) {
    return best;
  }
  return line.front() == 'L' ? Rule::label_entry : line.front() == 'S' ? Rule::string_entry : best;
}

} // namespace tarvello
