#pragma once

#include "driver/rule_choice.h"
#include "io/reported_lines.h"

#include <cstdint>
#include <string_view>

namespace tarvello {

/// Lines the rules handled as they stand but that may not be what the user
/// meant: entries that an earlier rule took, and lines copied unchanged that
/// hold a rule's text with other white space. Their size is fixed, however
/// long the listing.
struct RuleDoubts {
  LineTally taken_entries;
  unsigned taking_texts = 0; ///< one bit for each of rule_texts that took an entry
  LineTally near_misses;

  /// Notes `line`, number `number`, which begins with L or S, if `rule`, one
  /// of rules 1 to 6, took it.
  void note_taken_entry(std::string_view line, Rule rule, std::int64_t number);
};

} // namespace tarvello
