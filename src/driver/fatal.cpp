#include "driver/fatal.h"

#include "platform/platform.h"

namespace tarvello {

std::string describe_error(int err) {
  return err == kNotRegularFile ? "not a regular file" : platform::describe_error(err);
}

} // namespace tarvello
