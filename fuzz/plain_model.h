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

/// What a run gives.
struct Outcome {
  int status = 1;
  std::string fixed;                               ///< ai_fixed.obj, when the status is 0
  std::array<std::vector<std::int64_t>, 4> misses; ///< each table's missed listing lines
};

Outcome run(const Inputs &inputs);

} // namespace tarvello::plain
