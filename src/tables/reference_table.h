#pragma once

#include <array>
#include <cstddef>

namespace tarvello {

enum class TableShape {
  same_line, ///< the matching table line is itself the replacement
  next_line, ///< the table line after the matching one is the replacement
};

/// One reference table: a text file in vars/ of replacement lines.
struct ReferenceTable {
  std::size_t index; ///< its place among reference_tables, where the run keeps what it learns of it
  const char *path;
  TableShape shape;
  std::size_t key_cut;      ///< characters cut from the front of a reference line to form its key
  std::size_t search_start; ///< where in a table line the key is searched from
};

/// The four tables, in the order of the rules that use them.
inline constexpr std::array<ReferenceTable, 4> reference_tables{{
    {0, "vars/function.txt", TableShape::same_line, 17, 17},
    {1, "vars/handler.txt", TableShape::same_line, 14, 13},
    {2, "vars/push_event.txt", TableShape::next_line, 0, 0},
    {3, "vars/fetch_id.txt", TableShape::next_line, 0, 0},
}};
static_assert([] {
  for (std::size_t i = 0; i < reference_tables.size(); ++i) {
    if (reference_tables[i].index != i) {
      return false;
    }
  }
  return true;
}());
inline constexpr const ReferenceTable &function_table = reference_tables[0];
inline constexpr const ReferenceTable &handler_table = reference_tables[1];
inline constexpr const ReferenceTable &push_event_table = reference_tables[2];
inline constexpr const ReferenceTable &fetch_id_table = reference_tables[3];

} // namespace tarvello
