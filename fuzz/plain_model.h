#pragma once

// The tool's rules written as plainly as they can be, with none of its speed:
// each rule's text searched for in turn, keys by std::string::find, numbers
// read as atoi reads them, a line as the bytes up to LF less a CR before it,
// and each table read whole for every lookup. The fuzz target runs the real
// tool and this side by side and requires the same result.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvello::plain {

/// One run's inputs: each file's bytes, or nothing where it is missing or a directory.
struct Inputs {
  std::optional<std::string> listing;
  std::array<std::optional<std::string>, 4> tables; ///< function, handler, push_event, fetch_id
  std::string answers;                              ///< from a file: no one answers again
  bool fixed_is_directory = false;                  ///< ai_fixed.obj is a directory, which no run replaces
};

/// Listing lines, in order.
using LineNumbers = std::vector<std::int64_t>;

/// What a run gives: the output and the lines each warning of the end report names.
struct Outcome {
  int status = 1;
  std::string fixed;                         ///< ai_fixed.obj, when the status is 0
  std::array<LineNumbers, 4> misses;         ///< each table's reference lines kept, for no match or no table
  std::array<LineNumbers, 4> unended_misses; ///< those whose key stands on the table's unended last line
  std::array<LineNumbers, 4> partial_names;  ///< those fixed by a match that goes on into a longer name
  LineNumbers taken_entries;                 ///< lines that begin with L or S, taken by an earlier rule
  LineNumbers near_misses;                   ///< lines copied that hold a rule's text with other white space
};

Outcome run(const Inputs &inputs);

} // namespace tarvello::plain
