#include "tables/table_status.h"

#include "io/fatal.h"
#include "io/line_reader.h"

#include <algorithm>
#include <filesystem>

namespace tarvello {

namespace {

/// No failure for a regular file that opens and reads, or why not. A FIFO, a
/// device or a socket is never opened: it could block the run or never end.
Cause readability(const char *path) {
  std::error_code ignored;
  if (std::filesystem::is_other(path, ignored)) {
    return Cause::own(Cause::Own::not_regular_file);
  }
  LineReader file;
  return file.open(path, ReadMode::table);
}

} // namespace

void check_tables(TableStatuses &statuses, std::ostream &err) {
  for (const ReferenceTable &table : reference_tables) {
    TableStatus &status = statuses.of(table);
    status.unreadable = readability(table.path);
    if (status.unreadable.lies_with_the_system()) {
      throw Fatal(message::cannot("read", table.path, status.unreadable));
    }
    if (status.unreadable.failed()) {
      message::print_warning(err, message::table_unusable(table.path, status.unreadable));
    }
  }
}

void report_misses(const TableStatuses &statuses, const char *listing, std::ostream &err) {
  for (const ReferenceTable &table : reference_tables) {
    const TableStatus &status = statuses.of(table);
    if (status.misses > 0) {
      const auto shown = static_cast<std::size_t>(std::min<std::int64_t>(status.misses, TableStatus::kShown));
      message::print_warning(err, message::misses(table.path, status.misses, status.unreadable, listing,
                                                  status.first_misses.data(), shown));
    }
  }
}

} // namespace tarvello
