#pragma once

#include "io/console_input.h"
#include "io/out_buffer.h"
#include "platform/platform.h"

namespace tarvello {

/// True when the console window was made for this process alone, as when the
/// tool is started by a double-click, and a person types into it: the window
/// would close, with any error in it, the moment the tool exits. Never true
/// in a console started by the user, with redirected input, or off Windows.
bool should_keep_window_open(const platform::ConsoleFacts &facts);

/// Asks for Enter and waits for it, ignoring what was typed before.
void wait_for_enter(ConsoleInput &in, OutBuffer &screen);

} // namespace tarvello
