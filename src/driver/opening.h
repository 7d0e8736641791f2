#pragma once

#include "driver/run_state.h"
#include "io/output_file.h"

namespace tarvello {

/// The listing, read and never changed.
inline constexpr const char *kListing = "ai.obj";
/// The rewritten listing, replaced whole at the start of a run and at its end.
inline constexpr const char *kFixed = "ai_fixed.obj";

/// Opens the listing into `st.in`, and puts an empty file of the run's own in
/// the place of ai_fixed.obj through `fixed`. Refuses first, with Fatal and
/// nothing created or changed: an ai_fixed.obj that is the listing, a table or
/// standard input by any route, or that a table's path leads to; one that is
/// a symbolic link, not a regular file, a file mounted in its place, or not
/// this user's to write; and a console stream that is one of these files.
/// Returns the listing's size and time as it was opened.
platform::Stamp open_run_files(RunState &st, OutputFile &fixed);

} // namespace tarvello
