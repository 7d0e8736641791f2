#include "driver/dialogue.h"

#include "driver/fatal.h"
#include "driver/numbers.h"

#include <algorithm>
#include <ostream>

namespace tarvello {

namespace {

constexpr std::int64_t kMagnitudeLimit = std::int64_t{1} << 31;
/// A rejected answer is shown up to this many characters.
constexpr std::size_t kShown = 40;

bool next_is(ConsoleInput &in, bool (*test)(char)) {
  const int c = in.peek();
  return c >= 0 && test(static_cast<char>(c));
}

bool not_space(char c) { return !is_space(c); }

void take(ConsoleInput &in, std::string &text) {
  const char c = static_cast<char>(in.get());
  if (text.size() <= kShown) {
    text += c;
  }
}

/// The rest of the rejected word completes its text; the rest of the line is discarded.
Answer rejected(ConsoleInput &in, std::string text) {
  while (next_is(in, not_space)) {
    take(in, text);
  }
  for (int c = in.get(); c >= 0 && c != '\n'; c = in.get()) {
  }
  return {AnswerKind::not_a_number, 0, std::move(text)};
}

/// The answer in double quotes, control characters shown as '?', cut at kShown.
std::string quoted(const std::string &text) {
  std::string shown = "\"";
  for (std::size_t i = 0; i < std::min(text.size(), kShown); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    shown += c < 0x20 || c == 0x7f ? '?' : text[i];
  }
  return shown + (text.size() > kShown ? "...\"" : "\"");
}

} // namespace

Answer read_answer(ConsoleInput &in) {
  while (next_is(in, is_space)) {
    in.get();
  }
  if (in.peek() < 0) {
    return {AnswerKind::end_of_input, 0, {}};
  }
  std::string text;
  const bool negative = in.peek() == '-';
  if (negative || in.peek() == '+') {
    take(in, text);
  }
  if (!next_is(in, is_digit)) {
    return rejected(in, std::move(text));
  }
  std::int64_t magnitude = 0;
  while (next_is(in, is_digit)) {
    const int digit = in.peek() - '0';
    take(in, text);
    magnitude = std::min(magnitude * 10 + digit, kMagnitudeLimit + 1);
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value < -kMagnitudeLimit || value >= kMagnitudeLimit) {
    return rejected(in, std::move(text));
  }
  return {AnswerKind::number, static_cast<std::int32_t>(value), {}};
}

void print_banner(OutBuffer &screen) {
  screen.put("Tarvello v" TARVELLO_VERSION "\n");
  screen.put("Renumbers labels and strings and fixes references, from ai.obj to ai_fixed.obj\n");
  screen.put("\n");
}

std::int32_t ask_offset(const char *prompt, const Console &console, OutBuffer &screen) {
  for (;;) {
    screen.put(prompt);
    screen.flush(); // the prompt must show while the tool waits
    const Answer answer = read_answer(console.in);
    if (answer.kind == AnswerKind::number) {
      return answer.value;
    }
    if (answer.kind == AnswerKind::end_of_input) {
      throw Fatal("standard input ended before a number was given");
    }
    const std::string complaint =
        quoted(answer.text) + " is not a whole number from -2147483648 to 2147483647";
    if (!console.interactive) {
      throw Fatal(complaint); // no one is there to answer again
    }
    console.err << "tarvello: " << complaint << '\n';
    console.err.flush();
  }
}

} // namespace tarvello
