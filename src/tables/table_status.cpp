#include "tables/table_status.h"

#include "driver/fatal.h"
#include "driver/line_reader.h"
#include "tables/reference_table.h"

#include <filesystem>
#include <ostream>

namespace tarvello {

namespace {

/// 0 for a regular file that opens and reads, or why not. A FIFO, a device or
/// a socket is never opened: it could block the run or never end.
int readability(const char *path) {
  std::error_code ignored;
  if (std::filesystem::is_other(path, ignored)) {
    return kNotRegularFile;
  }
  LineReader file;
  return file.open(path, ReadMode::table);
}

void list_positions(const TableStatus &status, const char *listing, std::ostream &err) {
  const auto shown = std::min<std::int64_t>(status.misses, TableStatus::kShown);
  for (std::int64_t i = 0; i < shown; ++i) {
    err << (i == 0 ? ": " : ", ") << listing << ':' << status.first_misses[static_cast<std::size_t>(i)];
  }
  if (status.misses > shown) {
    err << ", and " << status.misses - shown << " more";
  }
}

} // namespace

void check_tables(TableStatuses &statuses, std::ostream &err) {
  for (const ReferenceTable &table : reference_tables) {
    const int cause = readability(table.path);
    statuses[table.slot].unreadable = cause;
    if (cause != 0) {
      err << "tarvello: warning: " << table.path << ": " << describe_error(cause) << '\n';
    }
  }
  err.flush();
}

void report_misses(const TableStatuses &statuses, const char *listing, std::ostream &err) {
  for (const ReferenceTable &table : reference_tables) {
    const TableStatus &status = statuses[table.slot];
    if (status.misses == 0) {
      continue;
    }
    const bool one = status.misses == 1;
    err << "tarvello: warning: " << table.path << ": " << status.misses
        << (one ? " reference line " : " reference lines ");
    if (status.unreadable != 0) {
      err << (one ? "was" : "were") << " kept, as the table cannot be read ("
          << describe_error(status.unreadable) << ')';
    } else {
      err << "found no match and " << (one ? "was" : "were") << " kept";
    }
    list_positions(status, listing, err);
    err << '\n';
  }
  err.flush();
}

} // namespace tarvello
