#include "driver/dialogue.h"
#include "io/fatal.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace tarvello {
namespace {

/// Answers written as "12", "nan" (no number) or "end" (input ended).
std::vector<std::string> answers_to(const std::string &typed) {
  TextInput in(typed);
  std::vector<std::string> seen;
  for (int i = 0; i < 10; ++i) {
    const Answer answer = read_answer(in, false);
    if (answer.kind == AnswerKind::end_of_input) {
      seen.emplace_back("end");
      break;
    }
    seen.push_back(answer.kind == AnswerKind::number ? std::to_string(answer.value) : "nan");
  }
  return seen;
}

struct AnswerCase {
  std::string typed;
  std::vector<std::string> expected;
};

class ReadAnswer : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(ReadAnswer, ReadsAStreamOfCharacters) {
  EXPECT_EQ(answers_to(GetParam().typed), GetParam().expected) << "typed: '" << GetParam().typed << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Typed, ReadAnswer,
    ::testing::Values(
        AnswerCase{"10 20", {"10", "20", "end"}}, AnswerCase{"10\r\n20\r\n", {"10", "20", "end"}},
        AnswerCase{"12abc\n7\n", {"nan", "7", "end"}}, AnswerCase{"abc def 9\n5", {"nan", "5", "end"}},
        AnswerCase{"+\n3", {"nan", "3", "end"}}, AnswerCase{"- 3\n4", {"nan", "4", "end"}},
        AnswerCase{"-0004", {"-4", "end"}}, AnswerCase{"+8", {"8", "end"}},
        AnswerCase{"2147483647", {"2147483647", "end"}}, AnswerCase{"-2147483648", {"-2147483648", "end"}},
        AnswerCase{"2147483648 2\n1", {"nan", "1", "end"}}, AnswerCase{"-2147483649\n1", {"nan", "1", "end"}},
        AnswerCase{"99999999999999999999999\n6", {"nan", "6", "end"}}, AnswerCase{"", {"end"}},
        AnswerCase{" \n\t ", {"end"}}, AnswerCase{"x", {"nan", "end"}},
        AnswerCase{"1O0\n0x10\n1e3\n1,000\n10 20", {"nan", "nan", "nan", "nan", "10", "20", "end"}},
        AnswerCase{"\xEF\xBB\xBF"
                   "100\n5",
                   {"100", "5", "end"}}));

struct AskCase {
  const char *name;
  bool interactive;
  std::string typed;
  std::string screen;
  std::string err;
  std::string error; // the Fatal that ends the dialogue, or empty when 5 is read
};

class AskOffset : public ::testing::TestWithParam<AskCase> {};

TEST_P(AskOffset, AsksAgainOnlyAtATerminal) {
  const AskCase &c = GetParam();
  TextInput in(c.typed);
  TextSink screen_sink;
  std::ostringstream err;
  const Console console{in, screen_sink, err, c.interactive};
  OutBuffer screen(screen_sink);
  try {
    EXPECT_EQ(ask_offset("Q: ", console, screen), 5);
    EXPECT_EQ(c.error, "");
  } catch (const Fatal &e) {
    EXPECT_EQ(e.what(), c.error);
  }
  EXPECT_EQ(screen_sink.text, c.screen);
  EXPECT_EQ(err.str(), c.err);
}

const std::string kRange = " is not a whole number from -2147483648 to 2147483647";

INSTANTIATE_TEST_SUITE_P(
    Answers, AskOffset,
    ::testing::Values(AskCase{"TerminalAsksAgain", true, "abc def\n5\n",
                              "Q: Q: ", "tarvello: \"abc\"" + kRange + "\n", ""},
                      AskCase{"TerminalInputEnds", true, "99999999999",
                              "Q: Q: ", "tarvello: \"99999999999\"" + kRange + "\n",
                              "standard input ended before a number was given"},
                      AskCase{"PipeFailsAtOnce", false, "-x\n5\n", "Q: ", "", "\"-x\"" + kRange},
                      AskCase{"LongAnswerIsCut", false, std::string(50, 'z') + "\t\x01", "Q: ", "",
                              "\"" + std::string(40, 'z') + "...\"" + kRange},
                      // A surrogate's three bytes are no UTF-8.
                      AskCase{"ControlCharactersShown", false,
                              "a\x1b[2J\x7f"
                              "b\xED\xA0\x80",
                              "Q: ", "", "\"a?[2J?b???\"" + kRange},
                      // A letter in any script shows; a byte-order mark, which shows as nothing, does not.
                      AskCase{"LettersShownMarksNot", false,
                              "\xEF\xBB\xBF\xEF\xBB\xBF"
                              "1\xD0\x9E"
                              "0",
                              "Q: ", "",
                              "\"?1\xD0\x9E"
                              "0\"" +
                                  kRange},
                      AskCase{"CutAfterAWholeLetter", false, std::string(39, 'z') + "\xD0\x9Ez", "Q: ", "",
                              "\"" + std::string(39, 'z') + "\xD0\x9E...\"" + kRange},
                      AskCase{"LongestWordIsANumber", false, std::string(998, '0') + "5", "Q: ", "", ""},
                      AskCase{"WordOverALinesLengthIsNoNumber", false, std::string(999, '0') + "5", "Q: ", "",
                              "\"" + std::string(40, '0') + "...\"" + kRange},
                      AskCase{"TerminalRejectsDigitsRunIntoText", true, "1O0\n5\n",
                              "Q: Q: ", "tarvello: \"1O0\"" + kRange + "\n", ""},
                      AskCase{"TerminalAsksAgainAfterAnEmptyLine", true, " \n5\n", "Q: Q: ", "", ""},
                      AskCase{"PipeSkipsEmptyLines", false, " \n\n5\n", "Q: ", "", ""}),
    [](const auto &info) { return info.param.name; });

// After an answer ended by Enter, the next question waits for a line of its own.
TEST(AskOffset, AnEmptyLineAfterAnAnswerAsksAgain) {
  TextInput in("5 \n\n7\n");
  TextSink screen_sink;
  std::ostringstream err;
  const Console console{in, screen_sink, err, true};
  OutBuffer screen(screen_sink);
  EXPECT_EQ(ask_offset("Q: ", console, screen), 5);
  EXPECT_EQ(ask_offset("Q: ", console, screen), 7);
  EXPECT_EQ(screen_sink.text, "Q: Q: Q: ");
}

// At a terminal, an answer already typed when its prompt shows is echoed after it, as if typed there.
TEST(AskOffset, AnAnswerTypedAheadShowsAfterItsPrompt) {
  TextInput in("5 7\n");
  TextSink screen_sink;
  std::ostringstream err;
  const Console console{in, screen_sink, err, true, true};
  OutBuffer screen(screen_sink);
  EXPECT_EQ(ask_offset("Q: ", console, screen), 5);
  EXPECT_EQ(ask_offset("Q: ", console, screen), 7);
  EXPECT_EQ(screen_sink.text, "Q: Q: 7\n");
}

} // namespace
} // namespace tarvello
