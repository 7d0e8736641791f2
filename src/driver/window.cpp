#include "driver/window.h"

#include <array>
#include <cstring>
#include <exception>

namespace tarvello {

bool should_keep_window_open(const platform::ConsoleFacts &facts) {
  return facts.processes_on_console == 1 && facts.input_is_console;
}

void wait_for_enter(ConsoleKeys &keys, OutBuffer &screen) {
  try {
    screen.put("Press Enter to close this window.");
    screen.flush();
  } catch (const std::exception &) {
    return; // the window shows nothing: there is no one to wait for
  }
  keys.drop_typed_ahead();
  std::array<char, 64> typed{};
  for (long got = 0; (got = keys.read(typed.data(), typed.size())) > 0;) {
    if (std::memchr(typed.data(), '\n', static_cast<std::size_t>(got)) != nullptr) {
      return;
    }
  }
}

} // namespace tarvello
