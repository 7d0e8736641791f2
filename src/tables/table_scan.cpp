#include "tables/table_scan.h"

#include "io/fatal.h"
#include "io/message.h"
#include "tables/key_finder.h"

#include <algorithm>
#include <cctype>

namespace tarvello {

namespace {

/// Holds each line of `text` before `to`, which follows a line break, to
/// kMaxLine characters. Lines are counted only to name one that is too long.
void check_lines(std::string_view text, std::size_t to, const LineReader &file) {
  for (std::size_t from = 0; from + kMaxLine + 1 < to;) {
    // A line break among the next kMaxLine + 1 bytes ends every line that begins before it in time.
    const std::size_t last = text.substr(from, kMaxLine + 1).rfind('\n');
    if (last != std::string_view::npos) {
      from += last + 1;
      continue;
    }
    const std::size_t end = text.find('\n', from); // a long line: only a CR before its break may pass
    if (line_size(text.data() + from, end - from) > kMaxLine) {
      const std::int64_t before = breaks_in(text.substr(0, from));
      throw Fatal(message::line_too_long(file.path(), file.line_number() + before + 1));
    }
    from = end + 1;
  }
}

/// The end of the line's own text in [start, end): a CR before its break is not part of it.
std::size_t text_end(std::string_view text, std::size_t start, std::size_t end) {
  return start + line_size(text.data() + start, end - start);
}

/// A hit's line, as [start, break), and where the key ends in it.
struct Hit {
  std::size_t start;
  std::size_t end;
  std::size_t key_end;
};

/// Searches the whole lines of `lines` for a hit that lies inside one line at
/// `search_start` or later. Returns its line, or a start of npos.
Hit find_line(byte_scan::Padded lines, const KeyFinder &finder, std::size_t key_size,
              std::size_t search_start) {
  for (std::size_t from = 0;;) {
    const std::size_t at = finder.find(lines, from);
    if (at == std::string_view::npos) {
      return {std::string_view::npos, 0, 0};
    }
    const std::size_t start = at == 0 ? 0 : lines.text().rfind('\n', at - 1) + 1; // npos + 1 is 0
    const std::size_t end = lines.text().find('\n', at);
    if (at - start >= search_start && at + key_size <= text_end(lines, start, end)) {
      return {start, end, at + key_size};
    }
    from = at + 1; // the same line may hold the key again, later
  }
}

bool is_name_byte(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

} // namespace

Match scan_table(LineReader &file, std::string_view key, std::size_t search_start, bool next_line,
                 std::string &result) {
  const KeyFinder finder(key);
  for (;;) {
    const byte_scan::Padded pending = file.pending();
    const std::size_t last_break = pending.text().rfind('\n');
    if (last_break == std::string_view::npos) {
      if (pending.size() > kMaxLine + 1 || !file.read_more()) {
        file.read_line(); // the last line, never tried, or one too long: read_line decides
        return Match::none;
      }
      continue;
    }
    const byte_scan::Padded lines = pending.substr(0, last_break + 1);
    const auto [start, end, key_end] = find_line(lines, finder, key.size(), search_start);
    if (start == std::string_view::npos) {
      check_lines(lines, lines.size(), file);
      file.skip_bytes(lines.size());
      file.read_more();
      continue;
    }
    check_lines(lines, end + 1, file);
    // A name byte after the key continues a name where the key's own last byte is one too;
    // a pair table's key is a whole reference line, and any name byte after it continues it.
    const bool longer = key_end < text_end(lines, start, end) && is_name_byte(lines[key_end]) &&
                        (next_line || (!key.empty() && is_name_byte(key.back())));
    if (next_line) {
      file.skip_bytes(end + 1);
      result.assign(file.read_line());
    } else {
      result.assign(lines.text().substr(start, text_end(lines, start, end) - start));
    }
    return longer ? Match::name_start : Match::whole;
  }
}

} // namespace tarvello
