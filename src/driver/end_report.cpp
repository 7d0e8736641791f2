#include "driver/end_report.h"

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

/// One warning, `text` of `lines`, when there are any.
template <typename Text> void warn_of(std::ostream &err, const LineTally &lines, Text text) {
  if (lines.count > 0) {
    message::print_warning(err, text());
  }
}

} // namespace

void report_end(const TableStatuses &tables, const RuleDoubts &doubts, const char *listing,
                std::ostream &err) {
  for (const ReferenceTable &table : reference_tables) {
    const TableStatus &status = tables.of(table);
    warn_of(err, status.misses,
            [&] { return message::misses(table.path, status.misses, status.unreadable, listing); });
    warn_of(err, status.unended_misses, [&] {
      return message::unended_misses(table.path, status.unended_line, status.unended_misses, listing);
    });
  }
  for (const ReferenceTable &table : reference_tables) {
    const LineTally &partial = tables.of(table).partial_names;
    warn_of(err, partial, [&] { return message::partial_names(table.path, partial, listing); });
  }
  warn_of(err, doubts.taken_entries, [&] {
    return message::taken_entries(doubts.taken_entries, texts_named(doubts.taking_texts), listing);
  });
  warn_of(err, doubts.near_misses, [&] { return message::near_misses(doubts.near_misses, listing); });
}

} // namespace tarvello
