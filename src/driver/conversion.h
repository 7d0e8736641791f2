#pragma once

#include "driver/dialogue.h"
#include "driver/run_state.h"

#include <string_view>
#include <vector>

namespace tarvello {

/// Runs the tool as a process: in the working directory, on the standard
/// descriptors, with the command-line arguments. Returns the exit status: 0
/// when the listing was rewritten to its end or help was given, 1 after an error.
int run_conversion(int argc, const char *const *argv);

/// The same run on the given console, with the arguments after the tool's name.
int run_conversion(const Console &console, const std::vector<std::string_view> &args = {});

/// Applies the first rule that takes `line`, the listing's current line,
/// writing its output.
void rewrite_line(RunState &st, byte_scan::Padded line);

} // namespace tarvello
