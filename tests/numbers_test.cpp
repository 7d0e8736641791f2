#include "io/numbers.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace tarvello {
namespace {

struct NumberCase {
  std::string text;
  std::optional<std::int32_t> expected;
};

class ReadNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ReadNumber, ReadsLikeAtoiAndRefusesOverflow) {
  const NumberCase &c = GetParam();
  const std::string padded = c.text + "99999999"; // digits past the text are not its own
  EXPECT_EQ(read_number(byte_scan::Padded::with_room_after(std::string_view(padded).substr(0, c.text.size())))
                .value,
            c.expected)
      << "text: '" << c.text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, ReadNumber,
    ::testing::Values(NumberCase{"12", 12}, NumberCase{"1234567", 1234567}, NumberCase{"12345678", 12345678},
                      NumberCase{"007", 7}, NumberCase{"1:", 1}, NumberCase{"1/", 1}, NumberCase{"12:3", 12},
                      NumberCase{"4 extra", 4}, NumberCase{"abc", 0}, NumberCase{"", 0},
                      NumberCase{" \t\r\n\v\f5", 5}, NumberCase{"-3", -3}, NumberCase{"+8x", 8},
                      NumberCase{"- 3", 0}, NumberCase{"--3", 0}, NumberCase{"12.text", 12},
                      NumberCase{std::string("9\0"
                                             "9",
                                             3),
                                 9},
                      NumberCase{"2147483647", 2147483647},
                      NumberCase{"-2147483648", std::numeric_limits<std::int32_t>::min()},
                      NumberCase{"2147483648", std::nullopt}, NumberCase{"-2147483649", std::nullopt},
                      NumberCase{"000000000000000000000001", 1},
                      NumberCase{"99999999999999999999999999", std::nullopt}));

TEST(AddOffset, RefusesSumsOutsideTheRange) {
  EXPECT_EQ(add_offset(2, -5), -3);
  EXPECT_EQ(add_offset(2147483640, 7), 2147483647);
  EXPECT_EQ(add_offset(2147483640, 8), std::nullopt);
  EXPECT_EQ(add_offset(-2147483647 - 1, -1), std::nullopt);
  EXPECT_EQ(add_offset(-2147483647, -1), -2147483647 - 1);
}

} // namespace
} // namespace tarvello
