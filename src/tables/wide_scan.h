#pragma once

// The wide pass of the key search, in one file for each kind of processor;
// the build picks one: wide_scan-x86.cpp (AVX2) or wide_scan-generic.cpp.

#include <cstddef>
#include <string_view>

namespace tarvello {

class KeyFinder;

struct WideScan {
  bool found;     ///< the key stands at `at`
  std::size_t at; ///< or: where the narrower search goes on
};

/// Whether this processor runs the wide pass.
bool wide_scan_available();

/// Tests the places from `from` on, sixty-four a step, while a whole step
/// fits before `last_start`, the last place the key can begin.
WideScan wide_scan(const KeyFinder &finder, std::string_view text, std::size_t from, std::size_t last_start);

} // namespace tarvello
