#include "tables/key_finder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tarvello {
namespace {

/// Text and keys of a few bytes, so that keys stand in the text often, near
/// misses are everywhere, and every length around the vector widths is met.
std::string random_bytes(std::mt19937 &random, std::size_t size) {
  static const char kAlphabet[] = {'a', 'b', '\t', '\n', 'F'};
  std::string bytes(size, ' ');
  for (char &c : bytes) {
    c = kAlphabet[random() % sizeof kAlphabet];
  }
  return bytes;
}

class KeyFinderPass : public ::testing::TestWithParam<bool> {};

TEST_P(KeyFinderPass, FindsWhatAPlainSearchFinds) {
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    const std::string text = random_bytes(random, random() % 300);
    const std::string key = random_bytes(random, 1 + random() % 6);
    const std::size_t from = text.empty() ? 0 : random() % text.size();
    const KeyFinder finder(key);
    ASSERT_EQ(finder.find(text, from), text.find(key, from)) << "round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(WideAndNarrow, KeyFinderPass, ::testing::Bool());

} // namespace
} // namespace tarvello
