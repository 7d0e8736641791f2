#include "plain_model.h"

#include <cctype>
#include <cstdlib>
#include <string_view>

namespace tarvello::plain {

namespace {

/// Any failure the run would report: the status is 1.
struct Failed {};

bool utf16(const std::string &text) {
  return text.rfind("\xFF\xFE", 0) == 0 || text.rfind("\xFE\xFF", 0) == 0;
}

/// A file read line by line: the bytes up to LF, less a CR right before it;
/// at the end, the rest, and then the end state.
class Lines {
public:
  explicit Lines(const std::string &text) : text_(text) {}
  bool at_end() const { return at_end_; }
  std::int64_t number() const { return number_; }
  std::string next() {
    ++number_;
    const std::size_t lf = text_.find('\n', at_);
    std::string line = text_.substr(at_, lf == std::string::npos ? std::string::npos : lf - at_);
    if (lf == std::string::npos) {
      at_end_ = true;
      at_ = text_.size();
    } else {
      at_ = lf + 1;
      if (!line.empty() && line.back() == '\r') {
        line.pop_back();
      }
    }
    if (line.size() > 999) {
      throw Failed{};
    }
    return line;
  }
  /// Whether a line break ends the next line.
  bool next_is_ended() const { return text_.find('\n', at_) != std::string::npos; }

private:
  const std::string &text_;
  std::size_t at_ = 0;
  bool at_end_ = false;
  std::int64_t number_ = 0;
};

/// atoi's reading, but for a number outside the signed 32-bit range.
std::int64_t atoi_of(const std::string &text) {
  std::size_t at = 0;
  while (at < text.size() && std::string_view(" \t\n\v\f\r").find(text[at]) != std::string_view::npos) {
    ++at;
  }
  const bool negative = at < text.size() && text[at] == '-';
  at += at < text.size() && (text[at] == '-' || text[at] == '+') ? 1 : 0;
  std::int64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = value * 10 + (text[at] - '0');
    if (value > 2147483648LL) {
      throw Failed{};
    }
  }
  value = negative ? -value : value;
  if (value > 2147483647LL) {
    throw Failed{};
  }
  return value;
}

std::string shifted(const std::string &digits, std::int64_t offset) {
  const std::int64_t sum = atoi_of(digits) + offset;
  if (sum < -2147483648LL || sum > 2147483647LL) {
    throw Failed{};
  }
  return std::to_string(sum);
}

struct Table {
  const std::optional<std::string> *bytes;
  std::size_t key_cut;
  std::size_t search_start;
  bool next_line;
};

bool name_byte(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

/// What a lookup finds: the replacement, if any; whether the key goes on into
/// a longer name there; on a miss, whether the key stands on the unended last line.
struct Found {
  std::optional<std::string> replacement;
  bool longer = false;
  bool on_unended_line = false;
};

/// Looks `line` up in `table`, read from its top.
Found look_up(const Table &table, const std::string &line) {
  Found found;
  if (!table.bytes->has_value() || utf16(**table.bytes)) {
    return found;
  }
  const std::string key = line.substr(std::min(table.key_cut, line.size()));
  if (key.empty() && !table.next_line) {
    return found;
  }
  const std::string text =
      (*table.bytes)->rfind("\xEF\xBB\xBF", 0) == 0 ? (*table.bytes)->substr(3) : **table.bytes;
  Lines lines(text);
  while (lines.next_is_ended()) {
    const std::string candidate = lines.next();
    const std::size_t at = candidate.find(key, table.search_start);
    if (at != std::string::npos) {
      const std::size_t after = at + key.size();
      // A pair table's key is a whole line; a same-line key goes on only from a name byte.
      found.longer = after < candidate.size() && name_byte(candidate[after]) &&
                     (table.next_line || (!key.empty() && name_byte(key.back())));
      found.replacement = table.next_line ? lines.next() : candidate;
      return found;
    }
  }
  if (!text.empty() && text.back() != '\n') {
    const std::string last = lines.next(); // never tried, but held to its length
    // A pair table's even line is a replacement: only an odd one could have matched.
    found.on_unended_line = !key.empty() && last.find(key, table.search_start) != std::string::npos &&
                            (!table.next_line || lines.number() % 2 == 1);
  }
  return found;
}

/// Reads one answer from a file of answers, as the prompts do.
std::int64_t answer(const std::string &answers, std::size_t &at) {
  const auto space = [](char c) { return std::string_view(" \t\n\v\f\r").find(c) != std::string_view::npos; };
  while (at < answers.size() && space(answers[at])) {
    ++at;
  }
  const std::size_t start = at;
  while (at < answers.size() && !space(answers[at])) {
    ++at;
  }
  const std::string word = answers.substr(start, at - start);
  const std::size_t digits = word.empty() || (word[0] != '-' && word[0] != '+') ? 0 : 1;
  if (word.size() <= digits || word.size() > 999 ||
      word.find_first_not_of("0123456789", digits) != std::string::npos) {
    throw Failed{};
  }
  return atoi_of(word);
}

bool contains(const std::string &line, const char *text) { return line.find(text) != std::string::npos; }

/// Whether `line` holds a rule's text with other blanks and tabs, one or more,
/// where the text has its one blank or tab.
bool near_miss(const std::string &line) {
  for (const std::string text : {"handler ", "push_event\t//", "fetch_i\t//", "jump L"}) {
    const std::size_t gap = text.find_first_of(" \t");
    for (std::size_t at = line.find(text.substr(0, gap)); at != std::string::npos;
         at = line.find(text.substr(0, gap), at + 1)) {
      const std::size_t after = std::min(line.find_first_not_of(" \t", at + gap), line.size());
      const std::string white = line.substr(at + gap, after - at - gap);
      if (!white.empty() && white != text.substr(gap, 1) &&
          line.compare(after, text.size() - gap - 1, text.substr(gap + 1)) == 0) {
        return true;
      }
    }
  }
  return false;
}

/// The rule that takes `line`, 1 to 9.
int rule_of(const std::string &line) {
  const char *const texts[] = {"func_call", "handler ", "push_event\t//", "fetch_i\t//"};
  for (int t = 0; t < 4; ++t) {
    if (contains(line, texts[t])) {
      return t + 1;
    }
  }
  if (contains(line, "branch_false") || contains(line, "branch_true") || contains(line, "jump L")) {
    return 5;
  }
  if (contains(line, "push_string")) {
    return 6;
  }
  return line.empty() ? 9 : line[0] == 'L' ? 7 : line[0] == 'S' ? 8 : 9;
}

/// The listing line `line`'s output, and the line after it for a pushed event or fetched id.
std::string rewrite(const std::string &line, Lines &listing, const std::array<Table, 4> &tables,
                    std::int64_t Lx, std::int64_t Sx, Outcome &outcome) {
  const std::int64_t at = listing.number();
  const int rule = rule_of(line);
  if (rule <= 6 && !line.empty() && (line[0] == 'L' || line[0] == 'S')) {
    outcome.taken_entries.push_back(at);
  }
  const auto reference = [&](std::size_t t) {
    const Found found = look_up(tables[t], line);
    if (!found.replacement) {
      (found.on_unended_line ? outcome.unended_misses : outcome.misses)[t].push_back(at);
    } else if (found.longer) {
      outcome.partial_names[t].push_back(at);
    }
    if (!tables[t].next_line) {
      return found.replacement.value_or(line) + "\r\n";
    }
    const std::string next = listing.next();
    return line + "\r\n" + found.replacement.value_or(next) + "\r\n";
  };
  const auto operand = [&](char letter, std::int64_t offset) {
    const std::size_t p = line.find(letter, 1);
    return p == std::string::npos ? line : line.substr(0, p + 1) + shifted(line.substr(p + 1), offset);
  };
  switch (rule) {
  case 1:
  case 2:
  case 3:
  case 4:
    return reference(static_cast<std::size_t>(rule - 1));
  case 5:
    return operand('L', Lx) + "\r\n";
  case 6:
    return operand('S', Sx) + "\r\n";
  case 7:
    return "L" + shifted(line.substr(1), Lx) + "\r\n";
  case 8: {
    const std::size_t dot = line.find('.', 1);
    return "S" + shifted(line.substr(1), Sx) + (dot == std::string::npos ? "" : line.substr(dot)) + "\r\n";
  }
  default:
    if (near_miss(line)) {
      outcome.near_misses.push_back(at);
    }
    return line + "\r\n";
  }
}

} // namespace

Outcome run(const Inputs &inputs) {
  Outcome outcome;
  try {
    if (!inputs.listing || utf16(*inputs.listing) || inputs.fixed_is_directory) {
      throw Failed{};
    }
    const std::string answers =
        inputs.answers.rfind("\xEF\xBB\xBF", 0) == 0 ? inputs.answers.substr(3) : inputs.answers;
    std::size_t at = 0;
    const std::int64_t Lx = answer(answers, at);
    const std::int64_t Sx = answer(answers, at);
    const std::array<Table, 4> tables{{{&inputs.tables[0], 17, 17, false},
                                       {&inputs.tables[1], 14, 13, false},
                                       {&inputs.tables[2], 0, 0, true},
                                       {&inputs.tables[3], 0, 0, true}}};
    Lines listing(*inputs.listing);
    outcome.fixed = listing.next() + "\r\n";
    while (!listing.at_end()) {
      const std::string line = listing.next();
      outcome.fixed += rewrite(line, listing, tables, Lx, Sx, outcome);
    }
    outcome.status = 0;
  } catch (const Failed &) {
    outcome = Outcome{};
  }
  return outcome;
}

} // namespace tarvello::plain
