#pragma once

#include "driver/rule_doubts.h"
#include "tables/table_status.h"

#include <iosfwd>

namespace tarvello {

/// After a run that reached the end of `listing`, the report on `err`, one
/// warning for each kind of line the run could not fix or may have got
/// wrong, with its count and first positions: each table's misses (those
/// whose key stands on its unended last line apart), each table's matches
/// that continue into a longer name, the entries that earlier rules took, and
/// the lines that miss a rule's text only by their white space.
void report_end(const TableStatuses &tables, const RuleDoubts &doubts, const char *listing,
                std::ostream &err);

} // namespace tarvello
