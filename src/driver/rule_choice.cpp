#include "driver/rule_choice.h"

#include "io/byte_scan.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace tarvello {

namespace {

/// Whether a test text may begin with a byte: most bytes of a line need no more.
constexpr std::array<bool, 256> kStarts = [] {
  std::array<bool, 256> starts{};
  for (const RuleText &t : rule_texts) {
    starts[static_cast<unsigned char>(t.text.front())] = true;
  }
  return starts;
}();

/// The length of the shortest test text: no text begins closer to a line's end.
constexpr std::size_t kShortest = [] {
  std::size_t shortest = rule_texts[0].text.size();
  for (const RuleText &t : rule_texts) {
    shortest = std::min(shortest, t.text.size());
  }
  return shortest;
}();

/// Whether `text` (a literal of 8 to 16 characters) begins at `at`: two
/// overlapping eight-byte comparisons, with no call to memcmp.
template <std::size_t N> bool begins(const char *at, const char *end, const char (&text)[N]) {
  constexpr std::size_t kSize = N - 1;
  static_assert(kSize >= 8 && kSize <= 16);
  return static_cast<std::size_t>(end - at) >= kSize && byte_scan::load8(at) == byte_scan::load8(text) &&
         byte_scan::load8(at + kSize - 8) == byte_scan::load8(text + kSize - 8);
}

/// The same for shorter texts, such as "jump L": the second byte, which rules
/// most places out, is compared before the call.
bool begins_short(const char *at, const char *end, std::string_view text) {
  return static_cast<std::size_t>(end - at) >= text.size() && (text.size() < 2 || at[1] == text[1]) &&
         std::memcmp(at, text.data(), text.size()) == 0;
}

/// Whether `word`, then blanks or tabs other than `exact`, then `then` begin at
/// `at`: a rule's text, but for its white space.
bool near(const char *at, const char *end, std::string_view word, std::string_view exact,
          std::string_view then) {
  if (!begins_short(at, end, word)) {
    return false;
  }
  const char *const gap = at + word.size();
  const char *after = gap;
  while (after < end && (*after == ' ' || *after == '\t')) {
    ++after;
  }
  return after > gap && std::string_view(gap, static_cast<std::size_t>(after - gap)) != exact &&
         begins_short(after, end, then);
}

/// The earliest rule of a test text that begins at `at`, Rule::near_miss for
/// such a text with other white space, or Rule::copy. Its cases must cover
/// every start letter of rule_texts; a test checks each text.
Rule rule_at(const char *at, const char *end) {
  switch (*at) {
  case 'f':
    return begins(at, end, "func_call")           ? Rule::function
           : begins(at, end, "fetch_i\t//")       ? Rule::fetch_id
           : near(at, end, "fetch_i", "\t", "//") ? Rule::near_miss
                                                  : Rule::copy;
  case 'h':
    return begins(at, end, "handler ")    ? Rule::handler
           : begins(at, end, "handler\t") ? Rule::near_miss
                                          : Rule::copy;
  case 'p':
    return begins(at, end, "push_event\t//")         ? Rule::push_event
           : begins(at, end, "push_string")          ? Rule::string_operand
           : near(at, end, "push_event", "\t", "//") ? Rule::near_miss
                                                     : Rule::copy;
  case 'b':
    return begins(at, end, "branch_false") || begins(at, end, "branch_true") ? Rule::label_operand
                                                                             : Rule::copy;
  case 'j':
    return begins_short(at, end, "jump L")   ? Rule::label_operand
           : near(at, end, "jump", " ", "L") ? Rule::near_miss
                                             : Rule::copy;
  default:
    return Rule::copy;
  }
}

} // namespace

Rule choose_rule(std::string_view line) {
  Rule best = Rule::copy;
  const char *const end = line.data() + line.size();
  const char *const last = line.size() < kShortest ? line.data() : end - kShortest + 1;
  for (const char *at = line.data(); at < last && best != Rule::function; ++at) {
    if (kStarts[static_cast<unsigned char>(*at)]) {
      best = std::min(best, rule_at(at, end));
    }
  }
  if (best < Rule::label_entry || line.empty()) {
    return best;
  }
  return line.front() == 'L' ? Rule::label_entry : line.front() == 'S' ? Rule::string_entry : best;
}

} // namespace tarvello
