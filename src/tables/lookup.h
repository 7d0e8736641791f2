#pragma once

#include "driver/run_state.h"
#include "tables/reference_table.h"
#include "tables/table_scan.h"

#include <string>
#include <string_view>

namespace tarvello {

/// Finds the replacement for the reference line `line` in `table` and puts it
/// in `result`. Returns Match::none on a miss: no line matches, or the key is empty.
/// The table is opened, scanned from its first line and closed on every call.
/// Throws ReadFailure when it cannot be opened or read, and Fatal for a table
/// line that is too long.
Match lookup_reference(const ReferenceTable &table, std::string_view line, std::string &result);

/// A function or handler line, `line`: replaced by its table line, or kept on a miss.
/// A miss is counted in the run's status of the table; a table that could not
/// be read at the check misses without being opened, and one that cannot be
/// read now ends the run with the listing line, the table and the cause.
/// `table` is one of reference_tables.
void replace_reference_line(RunState &st, byte_scan::Padded line, const ReferenceTable &table);

/// A pushed event or fetched id: the line is kept and the listing's next line
/// is replaced by the table line after the match. On a miss the next line is
/// written as read. Either way the next line goes through no rule.
void replace_following_line(RunState &st, byte_scan::Padded line, const ReferenceTable &table);

} // namespace tarvello
