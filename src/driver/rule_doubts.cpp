#include "driver/rule_doubts.h"

namespace tarvello {

void RuleDoubts::note_taken_entry(std::string_view line, Rule rule, std::int64_t number) {
  for (std::size_t i = 0; i < std::size(rule_texts); ++i) {
    if (rule_texts[i].rule == rule && line.find(rule_texts[i].text) != std::string_view::npos) {
      taking_texts |= 1U << i;
      break;
    }
  }
  taken_entries.add(number);
}

} // namespace tarvello
