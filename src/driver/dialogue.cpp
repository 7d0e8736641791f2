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
constexpr std::size_t kAnswerShown = 40;

bool next_is(ConsoleInput &in, bool (*test)(char)) {
  const int c = in.peek();
  return c >= 0 && test(static_cast<char>(c));
}

bool not_space(char c) { return !is_space(c); }

/// White space within a line.
bool is_blank(char c) { return c != '\n' && is_space(c); }
constexpr std::string_view kBlanks = " \t\v\f\r";

/// The answer in double quotes, cut at kAnswerShown bytes but never inside a
/// character, its controls shown as '?'.
std::string quoted(std::string_view text) {
  std::size_t cut = std::min(text.size(), kAnswerShown);
  while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
    ++cut; // the rest of a UTF-8 character
  }
  return "\"" + message::printable(text.substr(0, cut)) + (cut < text.size() ? "...\"" : "\"");
}

/// What an answer typed ahead will take, and its Enter, as the terminal would
/// have shown them had it been typed after the prompt; nothing when the next
/// answer has yet to be typed.
std::string typed_ahead(std::string_view buffered) {
  const std::size_t word = buffered.find_first_not_of(kBlanks);
  if (word == std::string_view::npos) {
    return {};
  }
  const std::size_t end = std::min(buffered.find_first_of(" \t\n\v\f\r", word), buffered.size());
  return std::string(buffered.substr(word, end - word)) + "\n";
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
  const NumberRead number =
      read_number(byte_scan::Padded::with_room_after(std::string_view(padded).substr(0, word.size())));
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
    if (console.shows_typed_ahead) {
      screen.put(typed_ahead(console.in.buffered()));
    }
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

void warn_of_left_over(const Console &console) {
  const std::string_view rest = console.in.buffered();
  const std::string_view line = rest.substr(0, rest.find('\n'));
  const std::size_t from = line.find_first_not_of(kBlanks);
  if (from != std::string_view::npos) {
    const std::size_t to = line.find_last_not_of(kBlanks);
    message::print_warning(console.err,
                           message::ignored_after_answers(quoted(line.substr(from, to + 1 - from))));
  }
}

} // namespace tarvello
