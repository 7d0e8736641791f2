#include "plain_model.h"

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

/// The replacement for `line` from `table`, read from its top; nothing on a miss.
std::optional<std::string> look_up(const Table &table, const std::string &line) {
  if (!table.bytes->has_value() || utf16(**table.bytes)) {
    return std::nullopt;
  }
  const std::string key = line.substr(std::min(table.key_cut, line.size()));
  if (key.empty() && !table.next_line) {
    return std::nullopt;
  }
  const std::string text =
      (*table.bytes)->rfind("\xEF\xBB\xBF", 0) == 0 ? (*table.bytes)->substr(3) : **table.bytes;
  Lines lines(text);
  while (lines.next_is_ended()) {
    const std::string candidate = lines.next();
    if (candidate.find(key, table.search_start) != std::string::npos) {
      return table.next_line ? lines.next() : candidate;
    }
  }
  if (!text.empty() && text.back() != '\n') {
    lines.next(); // the unended last line, never tried, but held to its length
  }
  return std::nullopt;
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

/// The listing line `line`'s output, and the line after it for a pushed event or fetched id.
std::string rewrite(const std::string &line, Lines &listing, const std::array<Table, 4> &tables,
                    std::int64_t Lx, std::int64_t Sx, Outcome &outcome) {
  const auto reference = [&](std::size_t t) {
    const std::int64_t at = listing.number();
    const std::optional<std::string> found = look_up(tables[t], line);
    if (!found) {
      outcome.misses[t].push_back(at);
    }
    if (!tables[t].next_line) {
      return found.value_or(line) + "\r\n";
    }
    const std::string next = listing.next();
    return line + "\r\n" + found.value_or(next) + "\r\n";
  };
  const auto operand = [&](char letter, std::int64_t offset) {
    const std::size_t p = line.find(letter, 1);
    return p == std::string::npos ? line : line.substr(0, p + 1) + shifted(line.substr(p + 1), offset);
  };
  if (contains(line, "func_call")) {
    return reference(0);
  }
  if (contains(line, "handler ")) {
    return reference(1);
  }
  if (contains(line, "push_event\t//")) {
    return reference(2);
  }
  if (contains(line, "fetch_i\t//")) {
    return reference(3);
  }
  if (contains(line, "branch_false") || contains(line, "branch_true") || contains(line, "jump L")) {
    return operand('L', Lx) + "\r\n";
  }
  if (contains(line, "push_string")) {
    return operand('S', Sx) + "\r\n";
  }
  if (!line.empty() && line[0] == 'L') {
    return "L" + shifted(line.substr(1), Lx) + "\r\n";
  }
  if (!line.empty() && line[0] == 'S') {
    const std::size_t dot = line.find('.', 1);
    return "S" + shifted(line.substr(1), Sx) + (dot == std::string::npos ? "" : line.substr(dot)) + "\r\n";
  }
  return line + "\r\n";
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
