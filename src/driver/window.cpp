#include "driver/window.h"

#include "io/fatal.h"

namespace tarvello {

bool should_keep_window_open(const platform::ConsoleFacts &facts) {
  return facts.processes_on_console == 1 && facts.input_is_console;
}

void wait_for_enter(ConsoleInput &in, OutBuffer &screen) {
  try {
    screen.put("Press Enter to close this window.");
    screen.flush();
    in.drop_pending();
    for (int c = in.get(); c >= 0 && c != '\n'; c = in.get()) {
    }
  } catch (const Fatal &) {
    // The console is gone; there is no one left to wait for.
  }
}

} // namespace tarvello
