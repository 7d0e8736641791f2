#pragma once

#include <string_view>
#include <vector>

namespace tarvello {

/// Makes the folder that the one argument that is no option names the
/// working folder, as if the tool had been started there: the argument
/// itself, or the folder of the ai.obj it names, as when a folder or the
/// listing is dropped on the tool. Does nothing without such an argument.
/// Throws Fatal, with nothing touched, for an argument that is neither, for
/// more than one, and for a folder that cannot be entered.
void enter_folder_given(const std::vector<std::string_view> &args, const char *listing);

} // namespace tarvello
