#pragma once

#include "driver/run_state.h"
#include "io/out_buffer.h"

namespace tarvello {

/// The listing, read and never changed.
inline constexpr const char *kListing = "ai.obj";
/// The rewritten listing, emptied at the start of a run.
inline constexpr const char *kFixed = "ai_fixed.obj";

/// Opens the listing into `st.in` and takes `fixed` for the run: opened,
/// checked, locked and only then emptied. Refuses, with Fatal and nothing
/// created, emptied or changed, an output that is the listing or a table under
/// another name, a console stream that is one of these files, and an output
/// that another run is writing.
void open_run_files(RunState &st, FileSink &fixed);

} // namespace tarvello
