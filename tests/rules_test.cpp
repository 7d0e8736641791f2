#include "driver/conversion.h"
#include "driver/rule_choice.h"
#include "io/byte_scan.h"
#include "io/fatal.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvello {
namespace {

std::string rewritten(const std::string &line, std::int32_t Lx, std::int32_t Sx) {
  TextSink listing;
  {
    RunState st(listing);
    st.Lx = Lx;
    st.Sx = Sx;
    const std::string padded = line + std::string(byte_scan::kWidth, '\n'); // as a listing's next lines
    rewrite_line(st, byte_scan::Padded::with_room_after(std::string_view(padded).substr(0, line.size())));
  }
  return listing.text;
}

struct RuleCase {
  std::string line;
  std::string expected; // without its CR LF
  std::int32_t Lx = 10;
  std::int32_t Sx = 5;
};

class RewriteLine : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RewriteLine, WritesOneLineEndedByCrLf) {
  const RuleCase &c = GetParam();
  EXPECT_EQ(rewritten(c.line, c.Lx, c.Sx), c.expected + "\r\n") << "line: '" << c.line << "'";
}

INSTANTIATE_TEST_SUITE_P(
    LabelOperands, RewriteLine,
    ::testing::Values(RuleCase{"\tjump L3", "\tjump L13"},
                      RuleCase{"\tbranch_true\tL0", "\tbranch_true\tL10"},
                      RuleCase{"\tbranch_false\tL7", "\tbranch_false\tL17"},
                      RuleCase{"\tjump L3\t// loop", "\tjump L13"}, RuleCase{"\tjump L 5", "\tjump L15"},
                      RuleCase{"\tbranch_true\tLoop4", "\tbranch_true\tL10"},
                      RuleCase{"\tbranch_false", "\tbranch_false"},
                      RuleCase{"L\tbranch_true", "L\tbranch_true"}, RuleCase{"\tjump\tL3", "\tjump\tL3"},
                      RuleCase{"Sjump L1", "Sjump L11"}, RuleCase{"\tjump L3", "\tjump L-2", -5, 0}));

INSTANTIATE_TEST_SUITE_P(StringOperands, RewriteLine,
                         ::testing::Values(RuleCase{"\tpush_string\tS2", "\tpush_string\tS7"},
                                           RuleCase{"\tpush_string", "\tpush_string"},
                                           RuleCase{"Lpush_string S1", "Lpush_string S6"},
                                           RuleCase{"\tpush_string\tS1\tjump L2",
                                                    "\tpush_string\tS1\tjump L12"}));

INSTANTIATE_TEST_SUITE_P(Entries, RewriteLine,
                         ::testing::Values(RuleCase{"L12", "L22"}, RuleCase{"L007", "L17"},
                                           RuleCase{"L4 extra", "L14"}, RuleCase{"Labc", "L10"},
                                           RuleCase{"L", "L10"}, RuleCase{"L2", "L-3", -5, 0},
                                           RuleCase{"L007", "L7", 0, 0}, RuleCase{"Labc", "L0", 0, 0},
                                           RuleCase{"S3.Hello world", "S8.Hello world"},
                                           RuleCase{"S.abc", "S5.abc"}, RuleCase{"S12ab.cd", "S17.cd"},
                                           RuleCase{"S3.a.b. c\r", "S8.a.b. c\r"}, RuleCase{"S12", "S17"},
                                           RuleCase{"S", "S5"}, RuleCase{"S12ab.cd", "S12.cd", 0, 0}));

INSTANTIATE_TEST_SUITE_P(Unchanged, RewriteLine,
                         ::testing::Values(RuleCase{"", ""}, RuleCase{"l12", "l12"}, RuleCase{"s3.x", "s3.x"},
                                           RuleCase{"\tret", "\tret"},
                                           RuleCase{std::string("a\0b\r", 4), std::string("a\0b\r", 4)}));

struct RangeCase {
  std::string line;
  std::int32_t Lx;
  std::int32_t Sx;
};

class OutOfRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(OutOfRange, IsAnError) {
  const RangeCase &c = GetParam();
  EXPECT_THROW(rewritten(c.line, c.Lx, c.Sx), Fatal);
}

INSTANTIATE_TEST_SUITE_P(Numbers, OutOfRange,
                         ::testing::Values(RangeCase{"L2147483647", 1, 0}, RangeCase{"L99999999999", 0, 0},
                                           RangeCase{"S-2147483648.x", 0, -1},
                                           RangeCase{"\tjump L2147483648", 0, 0},
                                           RangeCase{"\tpush_string\tS2147483000", 0, 1000}));

} // namespace
} // namespace tarvello

namespace tarvello {
namespace {

struct ChoiceCase {
  std::string line;
  Rule rule;
};

/// The rule for `line` as a listing holds it, followed by `after`, which the
/// choice may read but must disregard.
Rule chosen(const std::string &line, const std::string &after = "\r\n") {
  const std::string block = line + after + std::string(byte_scan::kWidth, '\n');
  return choose_rule(byte_scan::Padded::with_room_after(std::string_view(block).substr(0, line.size())));
}

class ChooseRule : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ChooseRule, FindsEveryTestTextInOnePass) {
  EXPECT_EQ(chosen(GetParam().line), GetParam().rule) << "line: '" << GetParam().line << "'";
}

// Texts at the very end, cut short, doubled letters before them, and a later text of an earlier rule.
INSTANTIATE_TEST_SUITE_P(
    Texts, ChooseRule,
    ::testing::Values(
        ChoiceCase{"xxjump L", Rule::label_operand}, ChoiceCase{"xxjump ", Rule::copy},
        ChoiceCase{"\tbranch_tru", Rule::copy}, ChoiceCase{"bbranch_true", Rule::label_operand},
        ChoiceCase{"ppush_string", Rule::string_operand}, ChoiceCase{"push_event\t/", Rule::copy},
        ChoiceCase{"x push_event\t//", Rule::push_event}, ChoiceCase{"Lfetch_i\t//", Rule::fetch_id},
        ChoiceCase{"handler", Rule::copy}, ChoiceCase{"Shandler ", Rule::handler},
        ChoiceCase{"\tpush_string\tS1 fetch_i\t// func_call", Rule::function},
        ChoiceCase{"handler func_call", Rule::function}, ChoiceCase{"func_call handler ", Rule::function},
        ChoiceCase{"Ljump", Rule::label_entry}, ChoiceCase{"S", Rule::string_entry}));

// A rule's text but for its white space: copied, and named in the report.
INSTANTIATE_TEST_SUITE_P(
    NearMisses, ChooseRule,
    ::testing::Values(ChoiceCase{"\tjump\tL0", Rule::near_miss}, ChoiceCase{"\tjump  L0", Rule::near_miss},
                      ChoiceCase{"\thandler\t0001", Rule::near_miss},
                      ChoiceCase{"\tpush_event // x", Rule::near_miss},
                      ChoiceCase{"\tfetch_i\t\t// x", Rule::near_miss}, ChoiceCase{"\tjumpL0", Rule::copy},
                      ChoiceCase{"\tfetch_id\t// x", Rule::copy}, ChoiceCase{"Ljump\tL0", Rule::label_entry},
                      ChoiceCase{"\tjump\tL0 push_string", Rule::string_operand}));

// Each text ends its line at every place across two vector steps; cut one
// byte short, with that byte just past the line, it chooses nothing.
TEST(ChooseRule, FindsEachTextAtEveryPlaceNearTheLineEnd) {
  for (const RuleText &t : rule_texts) {
    for (std::size_t before = 0; before <= 2 * byte_scan::kWidth; ++before) {
      const std::string line = std::string(before, '.') + std::string(t.text);
      EXPECT_EQ(chosen(line), t.rule) << "line: '" << line << "'";
      EXPECT_EQ(chosen(line.substr(0, line.size() - 1), line.substr(line.size() - 1)), Rule::copy)
          << "line: '" << line << "'";
    }
  }
}

} // namespace
} // namespace tarvello
