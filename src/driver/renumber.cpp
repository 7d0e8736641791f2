#include "driver/renumber.h"

#include "io/fatal.h"
#include "io/message.h"
#include "io/numbers.h"

namespace tarvello {

namespace {

std::int32_t shifted(const RunState &st, std::string_view entry, std::int32_t offset) {
  const auto number = read_number(entry);
  const auto sum = number ? add_offset(*number, offset) : std::nullopt;
  if (!sum) {
    throw Fatal(message::number_out_of_range(st.in.path(), st.in.line_number()));
  }
  return *sum;
}

/// An operand line with no such letter past its first character has no
/// operand to shift, and is kept whole rather than cut down to a bare number.
void renumber_operand(RunState &st, char letter, std::int32_t offset) {
  const std::size_t p = st.s.find(letter, 1);
  if (p == std::string_view::npos) {
    write_line(st, st.s);
    return;
  }
  const std::string_view aux = st.s.substr(0, p + 1);
  const std::string_view entry = st.s.substr(p + 1);
  const std::int32_t number = shifted(st, entry, offset);
  st.out.put(aux);
  st.out.put_number(number);
  st.out.end_line();
}

} // namespace

void renumber_label_operand(RunState &st) { renumber_operand(st, 'L', st.Lx); }

void renumber_string_operand(RunState &st) { renumber_operand(st, 'S', st.Sx); }

void renumber_label_entry(RunState &st) {
  const std::int32_t number = shifted(st, st.s.substr(1), st.Lx);
  st.out.put("L");
  st.out.put_number(number);
  st.out.end_line();
}

void renumber_string_entry(RunState &st) {
  const std::size_t p = st.s.find('.', 1);
  const bool has_tail = p != std::string_view::npos;
  const std::string_view entry = has_tail ? st.s.substr(1, p) : st.s.substr(1);
  const std::string_view entry1 = has_tail ? st.s.substr(p) : std::string_view();
  const std::int32_t number = shifted(st, entry, st.Sx);
  st.out.put("S");
  st.out.put_number(number);
  st.out.put(entry1);
  st.out.end_line();
}

} // namespace tarvello
