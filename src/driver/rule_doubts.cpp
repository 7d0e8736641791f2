#include "driver/rule_doubts.h"

#include "io/message.h"

#include <bitset>
#include <string>

namespace tarvello {

namespace {

/// The texts are named only when they are few; past that, a list helps no one.
constexpr std::size_t kNamed = 3;

/// The rule texts whose bits are set, each quoted with its tab as \t.
std::string texts_named(unsigned bits) {
  std::string named;
  const std::size_t count = std::bitset<32>(bits).count();
  std::size_t done = 0;
  for (std::size_t i = 0; i < std::size(rule_texts) && count <= kNamed; ++i) {
    if ((bits >> i & 1U) == 0) {
      continue;
    }
    named += done == 0 ? "\"" : done + 1 == count ? " or \"" : ", \"";
    for (const char c : rule_texts[i].text) {
      named += c == '\t' ? std::string("\\t") : std::string(1, c);
    }
    named += '"';
    ++done;
  }
  return named;
}

} // namespace

void RuleDoubts::note_taken_entry(std::string_view line, Rule rule, std::int64_t number) {
  for (std::size_t i = 0; i < std::size(rule_texts); ++i) {
    if (rule_texts[i].rule == rule && line.find(rule_texts[i].text) != std::string_view::npos) {
      taking_texts |= 1U << i;
      break;
    }
  }
  taken_entries.add(number);
}

void report_doubts(const RuleDoubts &doubts, const char *listing, std::ostream &err) {
  if (doubts.taken_entries.count > 0) {
    message::print_warning(
        err, message::taken_entries(doubts.taken_entries, texts_named(doubts.taking_texts), listing));
  }
  if (doubts.near_misses.count > 0) {
    message::print_warning(err, message::near_misses(doubts.near_misses, listing));
  }
}

} // namespace tarvello
