#include "driver/dialogue.h"

#include "driver/fatal.h"
#include "driver/numbers.h"

#include <algorithm>
#include <istream>
#include <limits>
#include <ostream>

namespace tarvello {

namespace {

constexpr std::int64_t kMagnitudeLimit = std::int64_t{1} << 31;

bool next_is(std::istream &in, bool (*test)(char)) {
  const int c = in.peek();
  return c != std::char_traits<char>::eof() && test(static_cast<char>(c));
}

Answer discard_line(std::istream &in) {
  in.clear();
  in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  return {AnswerKind::not_a_number, 0};
}

} // namespace

Answer read_answer(std::istream &in) {
  while (next_is(in, is_space)) {
    in.get();
  }
  if (!next_is(in, [](char) { return true; })) {
    return {AnswerKind::end_of_input, 0};
  }
  const bool negative = next_is(in, [](char c) { return c == '-'; });
  if (negative || next_is(in, [](char c) { return c == '+'; })) {
    in.get();
  }
  if (!next_is(in, is_digit)) {
    return discard_line(in);
  }
  std::int64_t magnitude = 0;
  while (next_is(in, is_digit)) {
    const int digit = in.get() - '0';
    magnitude = std::min(magnitude * 10 + digit, kMagnitudeLimit + 1);
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value < -kMagnitudeLimit || value >= kMagnitudeLimit) {
    return discard_line(in);
  }
  in.clear(); // a number that ends the input is still a number
  return {AnswerKind::number, static_cast<std::int32_t>(value)};
}

void print_banner(OutBuffer &screen) {
  screen.put("Tarvello v" TARVELLO_VERSION "\n");
  screen.put("Renumbers labels and strings and fixes references, from ai.obj to ai_fixed.obj\n");
  screen.put("\n");
}

std::int32_t ask_offset(const char *prompt, const Console &console, OutBuffer &screen) {
  for (;;) {
    screen.put(prompt);
    screen.flush();
    console.out.flush(); // the prompt must show while the tool waits
    const Answer answer = read_answer(console.in);
    if (answer.kind == AnswerKind::number) {
      return answer.value;
    }
    if (answer.kind == AnswerKind::end_of_input) {
      throw Fatal("standard input ended before a number was given");
    }
    console.err << "tarvello: the answer must be a whole number from -2147483648 to 2147483647\n";
    console.err.flush();
  }
}

} // namespace tarvello
