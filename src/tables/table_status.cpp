#include "tables/table_status.h"

#include "io/byte_order_mark.h"
#include "io/fatal.h"
#include "io/line_reader.h"

#include <algorithm>
#include <filesystem>

namespace tarvello {

namespace {

/// Reads `file` through, and keeps in `status` the number of its last line
/// when no line break ends it, and that line's first characters.
void find_unended_line(LineReader &file, TableStatus &status) {
  std::int64_t breaks = 0;
  std::string tail; // what follows the last line break so far
  do {
    const std::string_view block = file.pending();
    breaks += breaks_in(block);
    const std::size_t last = block.rfind('\n');
    if (last != std::string_view::npos) {
      tail.assign(block.substr(last + 1));
    } else if (tail.size() <= kMaxLine) { // a longer line is refused by the first lookup that reaches it
      tail.append(block.substr(0, kMaxLine + 1 - tail.size()));
    }
    file.skip_bytes(block.size());
  } while (file.read_more());
  status.unended_line = tail.empty() ? 0 : breaks + 1;
  status.unended_text = std::move(tail);
}

/// Reads the table at `path` through, before the first lookup. A FIFO, a
/// device or a socket is never opened: it could block the run or never end.
void check_table(const char *path, TableStatus &status) {
  std::error_code ignored;
  if (std::filesystem::is_other(path, ignored)) {
    status.unreadable = Cause::own(Cause::Own::not_regular_file);
    return;
  }
  LineReader file;
  status.unreadable = file.open(path, ReadMode::no_wait);
  const Mark mark = status.unreadable.failed() ? Mark::none : file.mark();
  if (mark == Mark::utf16) {
    status.unreadable = Cause::own(Cause::Own::utf16);
  } else if (mark == Mark::utf8) {
    file.skip_mark(); // a table of only the mark is empty, and has no last line
  }
  if (!status.unreadable.failed()) {
    find_unended_line(file, status);
    status.unreadable = file.failure();
  }
}

/// Whether the tables' folder is missing: then one warning says so, not one for each table.
bool folder_missing(const std::filesystem::path &folder) {
  std::error_code unknown;
  return std::filesystem::status(folder, unknown).type() == std::filesystem::file_type::not_found;
}

} // namespace

void check_tables(TableStatuses &statuses, std::ostream &err) {
  const std::string folder = std::filesystem::path(function_table.path).parent_path().generic_string();
  const bool no_folder = folder_missing(folder);
  if (no_folder) {
    message::print_warning(err, message::no_table_folder(folder));
  }
  for (const ReferenceTable &table : reference_tables) {
    TableStatus &status = statuses.of(table);
    check_table(table.path, status);
    if (status.unreadable.lies_with_the_system()) {
      throw Fatal(message::cannot("read", table.path, status.unreadable));
    }
    if (status.unreadable.failed() && !no_folder) {
      message::print_warning(err, message::table_unusable(table.path, status.unreadable));
    } else if (status.unended_line > 0 &&
               (table.shape == TableShape::same_line || status.unended_line % 2 == 1)) {
      // A pair table's even line is a replacement, which is read whole at the end: only a match line is lost.
      message::print_warning(err, message::unended_last_line(table.path, status.unended_line));
    } else {
      status.unended_text.clear();
    }
  }
}

} // namespace tarvello
