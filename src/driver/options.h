#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvello {

/// The text that --help, -h or --version (or the platform's own help switch)
/// asks for, from the first such argument; nothing when no argument asks.
/// Throws Fatal when an option that is none of these comes first; every
/// argument that is no option is ignored.
std::optional<std::string> information_requested(const std::vector<std::string_view> &args);

} // namespace tarvello
