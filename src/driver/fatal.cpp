#include "driver/fatal.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tarvello {

std::string describe_error(int err) { return std::strerror(err); }

int last_error() { return errno != 0 ? errno : EIO; }

int open_failure(const char *path) {
  const int err = last_error();
  std::error_code ignored;
  return std::filesystem::is_directory(path, ignored) ? EISDIR : err;
}

} // namespace tarvello
