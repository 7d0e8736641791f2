#pragma once

#include "io/byte_scan.h"

#include <string_view>

namespace tarvello {

/// The rules of the rule table, in the order they are tried: the first whose
/// test holds is the one applied. The functions below are the only code that
/// knows this order.
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

/// Of two rules whose tests hold for one line, the one that applies.
constexpr Rule earlier(Rule a, Rule b) { return a < b ? a : b; }
/// Whether no other rule can take a line that this one's test holds for.
constexpr bool is_first(Rule rule) { return rule == Rule::function; }
/// Whether the rule is chosen by a text anywhere in the line, and so comes
/// before those that look at its first character.
constexpr bool is_chosen_by_text(Rule rule) { return rule < Rule::label_entry; }

/// A text whose presence anywhere in a line chooses a rule. Where the text
/// holds a blank or a tab, the same text with other blanks or tabs there is a
/// near miss.
struct RuleText {
  std::string_view text;
  Rule rule;
};

/// Every text of rules 1 to 6: the rule choice is made from this table alone.
inline constexpr RuleText rule_texts[] = {
    {"func_call", Rule::function},         {"handler ", Rule::handler},
    {"push_event\t//", Rule::push_event},  {"fetch_i\t//", Rule::fetch_id},
    {"branch_false", Rule::label_operand}, {"branch_true", Rule::label_operand},
    {"jump L", Rule::label_operand},       {"push_string", Rule::string_operand},
};

/// The first rule whose test holds for `line`. One pass over the line, many
/// bytes a step, finds the places where a text's first two bytes stand; only
/// there are the texts compared.
Rule choose_rule(byte_scan::Padded line);

} // namespace tarvello
