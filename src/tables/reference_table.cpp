#include "tables/reference_table.h"

#include "driver/fatal.h"
#include "driver/line_reader.h"

#include <algorithm>
#include <ostream>

namespace tarvello {

namespace {

bool matches(std::string_view s1, std::string_view s2, std::size_t search_start) {
  return s1.find(s2, search_start) != std::string_view::npos;
}

/// The scan tests for the end before each line, so a last line with no line
/// break after it is never tried.
bool scan(LineReader &file, const ReferenceTable &table, std::string_view s2, std::string &result) {
  std::string_view s1 = file.read_line();
  while (!file.at_end()) {
    if (matches(s1, s2, table.search_start)) {
      result.assign(table.shape == TableShape::same_line ? s1 : file.read_line());
      return true;
    }
    s1 = file.read_line();
  }
  return false;
}

} // namespace

bool lookup_reference(const ReferenceTable &table, std::string_view line, std::string &result) {
  const std::string_view s2 = line.substr(std::min(table.key_cut, line.size()));
  if (s2.empty() && table.shape == TableShape::same_line) {
    return false; // an empty key would match any long enough line: no reference at all
  }
  LineReader file;
  if (file.open(table.path) != 0) {
    return false;
  }
  try {
    return scan(file, table, s2, result);
  } catch (const ReadFailure &) {
    return false;
  }
}

void replace_reference_line(RunState &st, const ReferenceTable &table) {
  write_line(st, lookup_reference(table, st.s, st.aux) ? std::string_view(st.aux) : st.s);
}

void replace_following_line(RunState &st, const ReferenceTable &table) {
  write_line(st, st.s);
  if (lookup_reference(table, st.s, st.aux)) {
    write_line(st, st.aux);
    st.s = st.in.read_line();
  } else {
    st.s = st.in.read_line();
    write_line(st, st.s);
  }
}

void warn_unreadable_tables(std::ostream &err) {
  for (const ReferenceTable &table : reference_tables) {
    LineReader file;
    if (const int cause = file.open(table.path); cause != 0) {
      err << "tarvello: warning: " << table.path << ": " << describe_error(cause) << '\n';
    }
  }
  err.flush();
}

} // namespace tarvello
