#include "io/fatal.h"
#include "io/line_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tarvello {
namespace {

using Lines = std::vector<std::pair<std::string, bool>>; // each line, and the end state after it

Lines read_all(const testing::ScratchDir &dir, const std::string &bytes) {
  dir.write("f", bytes);
  const std::string path = (dir.path() / "f").string();
  LineReader reader;
  EXPECT_FALSE(reader.open(path.c_str()).failed());
  Lines lines;
  while (!reader.at_end()) {
    const std::string_view line = reader.read_line();
    lines.emplace_back(std::string(line), reader.at_end());
  }
  return lines;
}

struct ReaderCase {
  const char *name;
  std::string bytes;
  Lines expected;
};

class ReadLines : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReadLines, SplitsAtLineFeedsAndEndsLikeTheListingFormat) {
  const testing::ScratchDir dir;
  EXPECT_EQ(read_all(dir, GetParam().bytes), GetParam().expected);
}

const std::string k999(999, 'x');

INSTANTIATE_TEST_SUITE_P(
    Shapes, ReadLines,
    ::testing::Values(ReaderCase{"EndsWithLineBreak", "a\r\nb\r\n", {{"a", false}, {"b", false}, {"", true}}},
                      ReaderCase{"LastLineUnended", "a\r\nb", {{"a", false}, {"b", true}}},
                      ReaderCase{"Empty", "", {{"", true}}},
                      ReaderCase{"BareLineFeeds", "a\nb\n", {{"a", false}, {"b", false}, {"", true}}},
                      ReaderCase{"InnerCarriageReturnKept", "a\rb\r\n", {{"a\rb", false}, {"", true}}},
                      ReaderCase{"CarriageReturnAtEndOfFileKept", "a\r", {{"a\r", true}}},
                      ReaderCase{"OnlyTheLastCarriageReturnDropped", "a\r\r\n", {{"a\r", false}, {"", true}}},
                      ReaderCase{"NulIsAnOrdinaryByte",
                                 std::string("x\0y\r\n", 5),
                                 {{std::string("x\0y", 3), false}, {"", true}}},
                      ReaderCase{"LongestLine", k999 + "\r\n" + k999, {{k999, false}, {k999, true}}}),
    [](const auto &info) { return info.param.name; });

struct TooLongCase {
  const char *name;
  std::string bytes;
  std::string message;
};

class TooLong : public ::testing::TestWithParam<TooLongCase> {};

TEST_P(TooLong, NamesTheFileAndLine) {
  const testing::ScratchDir dir;
  dir.write("f", GetParam().bytes);
  const std::string path = (dir.path() / "f").string();
  LineReader reader;
  ASSERT_FALSE(reader.open(path.c_str()).failed());
  try {
    while (!reader.at_end()) {
      reader.read_line();
    }
    FAIL() << "no error";
  } catch (const ReadFailure &) {
    FAIL() << "reported as a read failure";
  } catch (const Fatal &e) {
    EXPECT_EQ(e.what(), path + GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TooLong,
    ::testing::Values(TooLongCase{"Ended", "ok\r\n" + k999 + "y\r\n", ":2: line longer than 999 characters"},
                      TooLongCase{"Unended", k999 + "y", ":1: line longer than 999 characters"},
                      TooLongCase{"CarriageReturnAtEndCounts", k999 + "\r",
                                  ":1: line longer than 999 characters"},
                      TooLongCase{"Huge", std::string(200000, 'z'), ":1: line longer than 999 characters"}),
    [](const auto &info) { return info.param.name; });

TEST(LineReader, ReadsLinesAcrossBlockBoundaries) {
  const testing::ScratchDir dir;
  std::string bytes;
  Lines expected;
  for (int i = 0; i < 20000; ++i) {
    std::string line(static_cast<std::size_t>(i % 997), static_cast<char>('a' + i % 26));
    bytes += line + "\r\n";
    expected.emplace_back(line, false);
  }
  expected.emplace_back("", true);
  EXPECT_EQ(read_all(dir, bytes), expected);
}

// A longest line whose CR is a block's last byte is read whole, not taken for one too long.
TEST(LineReader, ReadsALongestLineEndingWithItsBlock) {
  const testing::ScratchDir dir;
  std::string bytes;
  Lines expected;
  const auto add = [&](const std::string &line) {
    bytes += line + "\r\n";
    expected.emplace_back(line, false);
  };
  while (bytes.size() < byte_scan::kBlock - 2000) {
    add(std::string(900, 'f'));
  }
  add(std::string(byte_scan::kBlock - 1000 - bytes.size() - 2, 'g'));
  add(k999);
  expected.emplace_back("", true);
  EXPECT_EQ(read_all(dir, bytes), expected);
}

TEST(LineReader, OpenReportsMissingFilesAndDirectories) {
  const testing::ScratchDir dir;
  LineReader missing;
  EXPECT_TRUE(missing.open((dir.path() / "absent").string().c_str()).failed());
  LineReader directory;
  EXPECT_TRUE(directory.open(dir.path().string().c_str()).failed());
}

} // namespace
} // namespace tarvello
