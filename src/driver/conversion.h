#pragma once

#include "driver/dialogue.h"
#include "driver/run_state.h"

namespace tarvello {

/// Runs the tool in the working directory on the standard streams and returns
/// the exit status: 0 when the listing was rewritten to its end, 1 after an error.
int run_conversion();

/// The same run on the given console.
int run_conversion(const Console &console);

/// Applies the first rule that takes the current line `st.s`, writing its output.
void rewrite_line(RunState &st);

} // namespace tarvello
