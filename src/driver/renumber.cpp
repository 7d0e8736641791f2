#include "driver/renumber.h"

#include "io/byte_scan.h"
#include "io/fatal.h"
#include "io/message.h"
#include "io/numbers.h"

#include <algorithm>

namespace tarvello {

namespace {

/// Apart, so that the usual line saves no registers for it.
/// A number that is out of range itself, or whose sum with the offset is.
[[noreturn, gnu::noinline, gnu::cold]] void
out_of_range(const RunState &st, std::optional<std::int32_t> number, std::int32_t offset) {
  throw Fatal(number ? message::sum_out_of_range(st.in.path(), st.in.line_number(), *number, offset)
                     : message::number_out_of_range(st.in.path(), st.in.line_number()));
}

std::int32_t shifted(const RunState &st, byte_scan::Padded entry, std::int32_t offset) {
  const auto number = read_number(entry).value;
  const auto sum = number ? add_offset(*number, offset) : std::nullopt;
  if (!sum) {
    out_of_range(st, number, offset);
  }
  return *sum;
}

/// An operand line with no such letter past its first character has no
/// operand to shift, and is kept whole rather than cut down to a bare number.
void renumber_operand(RunState &st, byte_scan::Padded line, char letter, std::int32_t offset) {
  const std::size_t p = byte_scan::find(line, letter, 1);
  if (p == std::string_view::npos) {
    write_line(st, line);
    return;
  }
  const std::int32_t number = shifted(st, line.substr(p + 1), offset);
  st.out.put_padded(line.substr(0, p + 1));
  st.out.put_number(number);
  st.out.end_line();
}

} // namespace

void renumber_label_operand(RunState &st, byte_scan::Padded line) { renumber_operand(st, line, 'L', st.Lx); }

void renumber_string_operand(RunState &st, byte_scan::Padded line) { renumber_operand(st, line, 'S', st.Sx); }

void renumber_label_entry(RunState &st, byte_scan::Padded line) {
  const std::int32_t number = shifted(st, line.substr(1), st.Lx);
  st.out.put("L");
  st.out.put_number(number);
  st.out.end_line();
}

void renumber_string_entry(RunState &st, byte_scan::Padded line) {
  const std::size_t p = byte_scan::find(line, '.', 1);
  const std::int32_t number = shifted(st, line.substr(1), st.Sx); // the digits end at the "." anyway
  st.out.put("S");
  st.out.put_number(number);
  st.out.put_padded(line.substr(std::min(p, line.size())));
  st.out.end_line();
}

} // namespace tarvello
