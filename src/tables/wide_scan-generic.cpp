#include "tables/wide_scan.h"

namespace tarvello {

bool wide_scan_available() { return false; }

WideScan wide_scan(const KeyFinder &, std::string_view, std::size_t from, std::size_t) {
  return {false, from};
}

} // namespace tarvello
