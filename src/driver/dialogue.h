#pragma once

#include "io/console_input.h"
#include "io/out_buffer.h"

#include <cstdint>
#include <iosfwd>
#include <string>

namespace tarvello {

/// The console: where answers come from and messages go.
struct Console {
  ConsoleInput &in;
  Sink &out;
  std::ostream &err;
  /// A person answers at a terminal and can answer again; piped answers cannot.
  bool interactive;
  /// Standard output is a terminal too, where an answer typed ahead is shown after its prompt.
  bool shows_typed_ahead = false;
};

enum class AnswerKind { number, not_a_number, empty_line, end_of_input };

struct Answer {
  AnswerKind kind;
  std::int32_t value;
  std::string text; ///< what was rejected, as far as it is shown
};

/// Reads one answer, a word of the stream of characters: white space, one
/// optional sign, then digits up to white space or the end of the input; what
/// follows stays in `in` for the next answer. When the word is no such number,
/// or leaves the signed 32-bit range, it is the answer's text, and the rest
/// of its line is discarded. At a terminal (`interactive`), a line with
/// nothing on it is an empty_line, and a number takes the rest of its line
/// when that is blank, so each answer after it begins on a line of its own.
Answer read_answer(ConsoleInput &in, bool interactive);

/// Prints the banner.
void print_banner(OutBuffer &screen);

/// Shows `prompt` and reads a number. A rejected answer is reported and asked
/// again at a terminal, and is an error otherwise. Throws Fatal when the input ends.
std::int32_t ask_offset(const char *prompt, const Console &console, OutBuffer &screen);

/// Warns of text on the line of the last answer that no answer took, as far
/// as it has been read; never waits for more.
void warn_of_left_over(const Console &console);

} // namespace tarvello
