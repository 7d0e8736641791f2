#include "tables/wide_scan.h"

#include "tables/key_finder.h"

#include <immintrin.h>

#include <cstdint>

namespace tarvello {

namespace {

/// One bit a place: where both chosen bytes of the key agree with the text.
__attribute__((target("avx2"))) std::uint32_t agree(const char *rare_at, const char *last_at, __m256i rare,
                                                    __m256i last) {
  const __m256i r = _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(rare_at)), rare);
  const __m256i l = _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(last_at)), last);
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(r, l)));
}

} // namespace

bool wide_scan_available() {
  static const bool avx2 = __builtin_cpu_supports("avx2"); // a bool in Clang, an int in GCC
  return avx2;
}

__attribute__((target("avx2"))) WideScan wide_scan(const KeyFinder &finder, std::string_view text,
                                                   std::size_t from, std::size_t last_start) {
  constexpr std::size_t kStep = 64;
  const __m256i rare = _mm256_set1_epi8(finder.key_[finder.rare_]);
  const __m256i last = _mm256_set1_epi8(finder.key_[finder.last_]);
  const char *const rare_at = text.data() + finder.rare_;
  const char *const last_at = text.data() + finder.last_;
  std::size_t at = from;
  for (; at + kStep <= last_start + 1; at += kStep) {
    std::uint64_t bits = agree(rare_at + at, last_at + at, rare, last) |
                         std::uint64_t{agree(rare_at + at + 32, last_at + at + 32, rare, last)} << 32;
    for (; bits != 0; bits &= bits - 1) {
      const std::size_t place = at + static_cast<std::size_t>(__builtin_ctzll(bits));
      if (finder.matches_at(text, place)) {
        return {true, place};
      }
    }
  }
  return {false, at};
}

} // namespace tarvello
