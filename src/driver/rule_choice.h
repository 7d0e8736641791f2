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
  near_miss,      ///< none of the above, but a text of rules 1 to 5 with other white space: copied
  copy,           ///< none of the above
};

/// A text whose presence anywhere in a line chooses a rule.
struct RuleText {
  std::string_view text;
  Rule rule;
};

/// Every text of rules 1 to 6, which choose_rule finds in one pass.
inline constexpr RuleText rule_texts[] = {
    {"func_call", Rule::function},         {"handler ", Rule::handler},
    {"push_event\t//", Rule::push_event},  {"fetch_i\t//", Rule::fetch_id},
    {"branch_false", Rule::label_operand}, {"branch_true", Rule::label_operand},
    {"jump L", Rule::label_operand},       {"push_string", Rule::string_operand},
};

/// The first rule whose test holds for `line`. One pass over the line finds
/// every test text at once, rather than one search of the line per text.
Rule choose_rule(std::string_view line);

} // namespace tarvello
