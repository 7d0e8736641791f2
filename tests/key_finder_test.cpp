#include "io/byte_scan.h"
#include "tables/key_finder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

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

TEST(KeyFinder, FindsWhatAPlainSearchFinds) {
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    const std::string text = random_bytes(random, random() % 300);
    const std::string key = random_bytes(random, 1 + random() % 6);
    const std::size_t from = text.empty() ? 0 : random() % text.size();
    std::string padded = text; // the key again and again after the text, where no hit may be found
    for (std::size_t i = 0; i < byte_scan::kWidth; ++i) {
      padded += key;
    }
    const KeyFinder finder(key);
    ASSERT_EQ(finder.find(byte_scan::Padded::with_room_after(std::string_view(padded).substr(0, text.size())),
                          from),
              text.find(key, from))
        << "round " << round;
  }
}

// A key longer than a vector, against texts that differ from it in one byte
// anywhere: only the key itself is found.
TEST(KeyFinder, ComparesEveryByteOfALongKey) {
  const std::string key = "\tOpenGateNorthTowerAtTheEastWall";
  for (std::size_t i = 0; i < key.size(); ++i) {
    std::string near = key;
    near[i] = '#';
    const std::string text = "xx" + near + "yy" + std::string(byte_scan::kWidth, '\n');
    ASSERT_EQ(KeyFinder(key).find(byte_scan::Padded::with_room_after(
                                      std::string_view(text).substr(0, text.size() - byte_scan::kWidth)),
                                  0),
              std::string_view::npos)
        << i;
  }
  const std::string text = "xx" + key + std::string(byte_scan::kWidth, '\n');
  EXPECT_EQ(KeyFinder(key).find(
                byte_scan::Padded::with_room_after(std::string_view(text).substr(0, key.size() + 2)), 0),
            2U);
}

// Every alignment and length around the vector width, each text followed by
// bytes it must disregard that are all line breaks.
TEST(ByteScan, FindsWhatAPlainSearchDoes) {
  std::mt19937 random(11);
  for (std::size_t align = 0; align < byte_scan::kWidth; ++align) {
    for (std::size_t size = 0; size <= 3 * byte_scan::kWidth + 1; ++size) {
      const std::string bytes =
          std::string(align, '\n') + random_bytes(random, size) + std::string(byte_scan::kWidth, '\n');
      const auto text = byte_scan::Padded::with_room_after(std::string_view(bytes).substr(align, size));
      const std::size_t from = size == 0 ? 0 : random() % size;
      ASSERT_EQ(byte_scan::find(text, '\n', from), text.text().find('\n', from)) << align << " " << size;
    }
  }
}

} // namespace
} // namespace tarvello
