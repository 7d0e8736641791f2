#pragma once

#include "driver/run_state.h"
#include "io/byte_scan.h"

#include <string_view>

namespace tarvello {

/// A branch or jump: the number after the first "L" past the line's first
/// character is shifted by Lx, and what follows it is dropped.
void renumber_label_operand(RunState &st, byte_scan::Padded line);
/// A push_string: as a label operand, with "S" and Sx.
void renumber_string_operand(RunState &st, byte_scan::Padded line);
/// A label entry "Ln": n is shifted by Lx, and what follows it is dropped.
void renumber_label_entry(RunState &st, byte_scan::Padded line);
/// A string entry "Sn.text": n is shifted by Sx, and the text from "." is kept.
void renumber_string_entry(RunState &st, byte_scan::Padded line);

} // namespace tarvello
