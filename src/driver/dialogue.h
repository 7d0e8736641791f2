#pragma once

#include "driver/out_buffer.h"

#include <cstdint>
#include <iosfwd>

namespace tarvello {

/// The console: where answers come from and messages go.
struct Console {
  std::istream &in;
  std::ostream &out;
  std::ostream &err;
};

enum class AnswerKind { number, not_a_number, end_of_input };

struct Answer {
  AnswerKind kind;
  std::int32_t value;
};

/// Reads one answer as a stream of characters: white space, one optional sign,
/// then digits up to the first other character, which stays in `in` for the
/// next answer. When the answer is no number, or leaves the signed 32-bit
/// range, the rest of that input line is discarded.
Answer read_answer(std::istream &in);

/// Prints the banner.
void print_banner(OutBuffer &screen);

/// Shows `prompt` until a number is answered. Throws Fatal when the input ends.
std::int32_t ask_offset(const char *prompt, const Console &console, OutBuffer &screen);

} // namespace tarvello
