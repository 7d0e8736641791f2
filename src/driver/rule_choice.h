#pragma once

#include <string_view>

namespace tarvello {

/// The rules of the rule table, in the order they are tried.
enum class Rule {
  function,       ///< contains "func_call"
  handler,        ///< contains "handler "
  push_event,     ///< contains "push_event\t//"
  fetch_id,       ///< contains "fetch_i\t//"
  label_operand,  ///< contains "branch_false", "branch_true" or "jump L"
  string_operand, ///< contains "push_string"
  label_entry,    ///< begins with "L"
  string_entry,   ///< begins with "S"
  copy,           ///< none of the above
};

/// The first rule whose test holds for `line`. One pass over the line finds
/// every test text at once, rather than one search of the line per text.
Rule choose_rule(std::string_view line);

} // namespace tarvello
