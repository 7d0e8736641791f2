#pragma once

#include "driver/run_state.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tarvello {

enum class TableShape {
  same_line, ///< the matching table line is itself the replacement
  next_line, ///< the table line after the matching one is the replacement
};

/// One reference table: a text file in vars/ of replacement lines.
struct ReferenceTable {
  const char *path;
  TableShape shape;
  std::size_t key_cut;      ///< characters cut from the front of a reference line to form its key
  std::size_t search_start; ///< where in a table line the key is searched from
  std::size_t slot;         ///< its place in reference_tables and in the run's TableStatuses
};

inline constexpr ReferenceTable function_table{"vars/function.txt", TableShape::same_line, 17, 17, 0};
inline constexpr ReferenceTable handler_table{"vars/handler.txt", TableShape::same_line, 14, 13, 1};
inline constexpr ReferenceTable push_event_table{"vars/push_event.txt", TableShape::next_line, 0, 0, 2};
inline constexpr ReferenceTable fetch_id_table{"vars/fetch_id.txt", TableShape::next_line, 0, 0, 3};
inline constexpr std::array<ReferenceTable, 4> reference_tables{function_table, handler_table,
                                                                push_event_table, fetch_id_table};

/// Finds the replacement for the reference line `line` in `table` and puts it
/// in `result`. Returns false on a miss: no line matches, or the key is empty.
/// The table is opened, scanned from its first line and closed on every call.
/// Throws ReadFailure when it cannot be opened or read, and Fatal for a table
/// line over 999 characters.
bool lookup_reference(const ReferenceTable &table, std::string_view line, std::string &result);

/// A function or handler line: replaced by its table line, or kept on a miss.
/// A miss is counted in the run's status of the table; a table that could not
/// be read at the check misses without being opened, and one that cannot be
/// read now ends the run with the listing line, the table and the cause.
void replace_reference_line(RunState &st, const ReferenceTable &table);

/// A pushed event or fetched id: the line is kept and the listing's next line
/// is replaced by the table line after the match. On a miss the next line is
/// written as read. Either way the next line goes through no rule.
void replace_following_line(RunState &st, const ReferenceTable &table);

} // namespace tarvello
