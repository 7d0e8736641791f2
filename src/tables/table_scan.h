#pragma once

#include "io/line_reader.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvello {

/// How a table line matched a key.
enum class Match {
  none,
  whole,      ///< nothing that continues a name follows the key
  name_start, ///< a letter, digit or underscore follows it: the line names something longer
};

/// Scans an open table from its current line for the first line, ended by a
/// line break, that holds `key` at `search_start` or later. On a hit, the
/// matching line (or with `next_line`, the line after it, as read_line gives
/// it) goes into `result`. The key is searched across whole blocks, not line
/// by line, yet every line passed over is still held to kMaxLine characters,
/// in file order, so errors name the right line.
Match scan_table(LineReader &file, std::string_view key, std::size_t search_start, bool next_line,
                 std::string &result);

} // namespace tarvello
