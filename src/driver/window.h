#pragma once

#include "io/out_buffer.h"
#include "platform/platform.h"

#include <cstddef>

namespace tarvello {

/// True when the console window was made for this process alone, as when the
/// tool is started by a double-click, and a person types into it: the window
/// would close, with any error in it, the moment the tool exits. Never true
/// in a console started by the user, with redirected input, or off Windows.
bool should_keep_window_open(const platform::ConsoleFacts &facts);

/// The keys typed into the console window itself, apart from standard input,
/// which may have ended (Ctrl-Z) or hold keys typed while the tool worked.
class ConsoleKeys {
public:
  ConsoleKeys() = default;
  ConsoleKeys(const ConsoleKeys &) = delete;
  ConsoleKeys &operator=(const ConsoleKeys &) = delete;
  virtual ~ConsoleKeys() = default;
  /// Drops what was typed and not yet read.
  virtual void drop_typed_ahead() { platform::drop_console_input(); }
  /// Reads typed bytes as the console hands them out; -1 when it cannot.
  virtual long read(char *data, std::size_t size) { return platform::read_console_input(data, size); }
};

/// Asks for Enter and waits for one typed after the question, whatever was
/// typed before it or how standard input ended. Returns at once when the
/// console cannot be read, as no one could answer.
void wait_for_enter(ConsoleKeys &keys, OutBuffer &screen);

} // namespace tarvello
