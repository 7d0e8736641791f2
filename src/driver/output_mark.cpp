#include "driver/output_mark.h"

#include "io/fatal.h"
#include "io/message.h"
#include "platform/platform.h"
#include "tables/reference_table.h"

#include <array>

namespace tarvello {

namespace {

using platform::Stamp;

constexpr std::size_t kStreams = 3;
constexpr std::size_t kRoutes = 1 + reference_tables.size() + kStreams;
constexpr const char *kStreamNames[kStreams] = {"standard input", "standard output", "standard error"};

/// Every route as it is now, fresh from the file system: the listing, the tables, the console streams.
std::array<Stamp, kRoutes> look(const LineReader &listing) {
  std::array<Stamp, kRoutes> now{};
  now[0] = listing.stamp();
  for (std::size_t i = 0; i < reference_tables.size(); ++i) {
    now[1 + i] = platform::stamp_of(reference_tables[i].path);
  }
  for (int fd = 0; fd < static_cast<int>(kStreams); ++fd) {
    now[kRoutes - kStreams + static_cast<std::size_t>(fd)] = platform::stamp_of(fd);
  }
  return now;
}

/// 1990-01-01 and a nanosecond count that `old` has not: no clock sets this time now.
Stamp mark_for(const Stamp &old) {
  Stamp mark = old;
  mark.seconds = 631152000;
  mark.nanoseconds = old.seconds == mark.seconds && old.nanoseconds == 123456789 ? 987654321 : 123456789;
  return mark;
}

/// The routes that show `mark` now and did not before it was set.
std::array<bool, kRoutes> marked(const std::array<Stamp, kRoutes> &before,
                                 const std::array<Stamp, kRoutes> &after, const Stamp &mark) {
  std::array<bool, kRoutes> shown{};
  for (std::size_t i = 0; i < kRoutes; ++i) {
    shown[i] = mark.known && after[i] == mark && before[i] != mark;
  }
  return shown;
}

/// The error for the first route that reached `output`, shown where it harms nothing.
void refuse(const char *output, const char *listing, const std::array<bool, kRoutes> &shared) {
  for (std::size_t i = 0; i < kRoutes - kStreams; ++i) {
    if (shared[i]) {
      throw Fatal(message::same_file(output, i == 0 ? listing : reference_tables[i - 1].path));
    }
  }
  const bool *streams = &shared[kRoutes - kStreams];
  if (streams[2]) {
    throw Fatal(message::same_file(kStreamNames[2], output),
                streams[1] ? Fatal::Shown::nowhere : Fatal::Shown::on_stdout);
  }
  for (std::size_t fd = 0; fd < 2; ++fd) {
    if (streams[fd]) {
      throw Fatal(message::same_file(kStreamNames[fd], output));
    }
  }
}

} // namespace

void refuse_marked_routes(const char *output, const LineReader &listing) {
  const Stamp old = platform::stamp_of(output);
  if (!old.known) {
    return; // nothing stands there to lose
  }
  const std::array<Stamp, kRoutes> before = look(listing);
  if (const int err = platform::set_modification_time(output, mark_for(old)); err != 0) {
    throw Fatal(message::cannot("replace", output, Cause::system(err)));
  }
  const Stamp mark = platform::stamp_of(output); // as the file system keeps it, maybe to the second only
  const std::array<bool, kRoutes> shared = marked(before, look(listing), mark);
  const int restored = platform::set_modification_time(output, old);
  refuse(output, listing.path(), shared);
  if (restored != 0) {
    throw Fatal(message::cannot("replace", output, Cause::system(restored)));
  }
}

} // namespace tarvello
