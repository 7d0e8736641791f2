#include "driver/dialogue.h"

#include "io/byte_scan.h"
#include "io/fatal.h"
#include "io/line_reader.h"
#include "io/message.h"
#include "io/numbers.h"

#include <algorithm>

namespace tarvello {

namespace {

/// A rejected answer is shown up to this many characters.
constexpr std::size_t kShown = 40;

bool next_is(ConsoleInput &in, bool (*test)(char)) {
  const int c = in.peek();
  return c >= 0 && test(static_cast<char>(c));
}

bool not_space(char c) { return !is_space(c); }

/// White space within a line.
bool is_blank(char c) { return c != '\n' && is_space(c); }

/// The answer in double quotes, every byte outside printable ASCII shown as
/// '?' (a control byte, or part of a character the console may not show), cut
/// at kShown.
std::string quoted(const std::string &text) {
  std::string shown = "\"";
  for (std::size_t i = 0; i < std::min(text.size(), kShown); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    shown += c < 0x20 || c >= 0x7f ? '?' : text[i];
  }
  return shown + (text.size() > kShown ? "...\"" : "\"");
}

} // namespace

Answer read_answer(ConsoleInput &in, bool interactive) {
  while (next_is(in, interactive ? is_blank : is_space)) {
    in.get();
  }
  if (in.peek() < 0) {
    return {AnswerKind::end_of_input, 0, {}};
  }
  if (in.peek() == '\n') { // only at a terminal: an Enter on its own
    in.get();
    return {AnswerKind::empty_line, 0, {}};
  }
  std::string word; // a line's length and one more byte: no longer word is a number
  while (next_is(in, not_space)) {
    const char c = static_cast<char>(in.get());
    if (word.size() <= kMaxLine) {
      word += c;
    }
  }
  const std::string padded =
      word + std::string(byte_scan::kWidth, '\0'); // bytes a number's reading may look at
  const NumberRead number = read_number(std::string_view(padded).substr(0, word.size()));
  // Digits that run into other text, as in "1O0" or "0x10", are no number at all.
  if (word.size() <= kMaxLine && number.value && number.end == word.size()) {
    while (interactive && next_is(in, is_blank)) {
      in.get();
    }
    if (interactive && in.peek() == '\n') {
      in.get();
    }
    return {AnswerKind::number, *number.value, {}};
  }
  for (int c = in.get(); c >= 0 && c != '\n'; c = in.get()) {
  }
  return {AnswerKind::not_a_number, 0, std::move(word)};
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
    const Answer answer = read_answer(console.in, console.interactive);
    if (answer.kind == AnswerKind::number) {
      return answer.value;
    }
    if (answer.kind == AnswerKind::end_of_input) {
      throw Fatal(message::input_ended());
    }
    if (answer.kind == AnswerKind::empty_line) {
      continue; // the question again, as a shell asks again after an empty Enter
    }
    const std::string complaint = message::not_a_number(quoted(answer.text));
    if (!console.interactive) {
      throw Fatal(complaint); // no one is there to answer again
    }
    message::print_error(console.err, complaint);
  }
}

} // namespace tarvello
