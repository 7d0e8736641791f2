#pragma once

#include "driver/progress.h"
#include "driver/rule_doubts.h"
#include "io/line_reader.h"
#include "io/out_buffer.h"
#include "tables/table_status.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvello {

/// Everything one run works on, from opening the listing to closing it.
/// run_conversion owns it and hands it to every rule by reference.
struct RunState {
  explicit RunState(Sink &fixed) : out(fixed) {}

  LineReader in; ///< the listing, ai.obj
  OutBuffer out; ///< the rewritten listing, ai_fixed.obj
  std::int32_t Lx = 0;
  std::int32_t Sx = 0;
  std::string aux;         ///< scratch for a looked-up replacement line
  ProgressLine line_count; ///< the passes of the main loop, kept as the progress line that shows them
  TableStatuses tables;    ///< what the run learns of each reference table
  RuleDoubts doubts;       ///< lines the rules may not have handled as meant
};

/// Writes `line`, a LineReader's, to the rewritten listing, ended by CR LF.
inline void write_line(RunState &st, byte_scan::Padded line) {
  st.out.put_padded(line);
  st.out.end_line();
}

} // namespace tarvello
