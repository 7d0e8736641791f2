#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace tarvello {

/// The text that --help or --version (or the platform's own help switch) asks
/// for, from the first such argument; nothing when no argument asks. Every
/// other argument is ignored.
std::optional<std::string_view> information_requested(const std::vector<std::string_view> &args);

} // namespace tarvello
