#pragma once

#include <filesystem>
#include <vector>

namespace tarvello::bench {

/// The least that any rewriter of a listing must do, run in the benchmark's
/// own process so the tool can be measured against it.
struct Floor {
  /// The table (0 to 3, in the order function, handler, push_event, fetch_id)
  /// that each reference line of the listing looks up, in listing order.
  std::vector<int> lookups;
  /// Whether progress lines are part of the floor (a listing without references).
  bool progress = false;
};

/// The lookups of the listing in `dir`, found by the tool's rule order.
Floor floor_of(const std::filesystem::path &dir, bool progress);

/// In `dir`: one streaming copy of ai.obj to a scratch file, synced to disk
/// as a result that must outlast a loss of power is; then, for each
/// lookup, a bare open of its table, reads until one finds nothing, and a close; and with `progress`,
/// one progress line a line, counted in place, to standard output.
void run_floor(const Floor &floor, const std::filesystem::path &dir);

} // namespace tarvello::bench
