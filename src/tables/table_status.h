#pragma once

#include "io/message.h"
#include "io/reported_lines.h"
#include "tables/reference_table.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

namespace tarvello {

/// What one run learns of a reference table: whether it could be read at the
/// check before the first line, and which reference lines it could not fix.
struct TableStatus {
  Cause unreadable;              ///< why the table could not be read at the check, if it could not
  std::int64_t unended_line = 0; ///< the number of its last line when no line break ends it
  std::string unended_text;      ///< that line, when it is one a lookup would have tried to match
  LineTally misses;              ///< the listing lines it could not fix
  LineTally unended_misses;      ///< those of them whose key stands on the unended last line
  LineTally partial_names;       ///< the listing lines fixed from a match that continues into a longer name
};

/// One status for each reference table.
class TableStatuses {
public:
  TableStatus &of(const ReferenceTable &table) { return statuses_[table.index]; }
  const TableStatus &of(const ReferenceTable &table) const { return statuses_[table.index]; }

private:
  std::array<TableStatus, reference_tables.size()> statuses_{};
};

/// Checks that each table is a regular file that can be read, and warns on
/// `err` about each that is not; the lookups of such a table miss. A table
/// that cannot be read for a reason of the system, such as too many open
/// files, ends the run with Fatal instead: its misses would be no fault of it.
void check_tables(TableStatuses &statuses, std::ostream &err);

} // namespace tarvello
