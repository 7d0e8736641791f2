#include "tables/lookup.h"

#include "io/byte_order_mark.h"
#include "io/fatal.h"
#include "io/line_reader.h"
#include "io/message.h"
#include "tables/table_scan.h"

#include <algorithm>
#include <string>

namespace tarvello {

namespace {

/// The block every lookup reads its table through: one for the process, not
/// one on the stack or the heap for each lookup.
char *table_block() {
  static char block[byte_scan::kBlockRoom];
  return block;
}

/// The part of a reference line that its table's lines are searched for.
std::string_view key_of(const ReferenceTable &table, std::string_view line) {
  return line.substr(std::min(table.key_cut, line.size()));
}

/// Whether a missed line's key stands on the table's unended last line, which no lookup tries.
bool on_unended_line(const TableStatus &status, const ReferenceTable &table, std::string_view line) {
  const std::string_view key = key_of(table, line);
  return !key.empty() && status.unended_text.find(key, table.search_start) != std::string::npos;
}

/// Looks the current line up and counts a miss, or a match that continues
/// into a longer name, against its line number.
bool find_replacement(RunState &st, std::string_view line, const ReferenceTable &table) {
  TableStatus &status = st.tables.of(table);
  Match match = Match::none;
  if (!status.unreadable.failed()) {
    try {
      match = lookup_reference(table, line, st.aux);
    } catch (const ReadFailure &e) {
      throw Fatal(message::at_line(st.in.path(), st.in.line_number(), e.what()));
    }
  }
  if (match == Match::name_start) {
    status.partial_names.add(st.in.line_number());
  } else if (match == Match::none) {
    (on_unended_line(status, table, line) ? status.unended_misses : status.misses).add(st.in.line_number());
  }
  return match != Match::none;
}

/// Writes the replacement line, when one was found, or else `line`.
void write_found(RunState &st, bool found, byte_scan::Padded line) {
  if (!found) {
    write_line(st, line);
    return;
  }
  st.out.put(st.aux);
  st.out.end_line();
}

} // namespace

Match lookup_reference(const ReferenceTable &table, std::string_view line, std::string &result) {
  const std::string_view s2 = key_of(table, line);
  if (s2.empty() && table.shape == TableShape::same_line) {
    return Match::none; // an empty key would match any long enough line: no reference at all
  }
  LineReader file(table_block());
  if (const Cause cause = file.open(table.path, ReadMode::no_wait); cause.failed()) {
    throw ReadFailure(message::cannot("read", table.path, cause));
  }
  if (file.mark() == Mark::utf8) {
    file.skip_mark();
  }
  return scan_table(file, s2, table.search_start, table.shape == TableShape::next_line, result);
}

void replace_reference_line(RunState &st, byte_scan::Padded line, const ReferenceTable &table) {
  write_found(st, find_replacement(st, line, table), line);
}

void replace_following_line(RunState &st, byte_scan::Padded line, const ReferenceTable &table) {
  write_line(st, line);
  const bool found = find_replacement(st, line, table);
  write_found(st, found, st.in.read_line());
}

} // namespace tarvello
