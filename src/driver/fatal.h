#pragma once

#include <stdexcept>
#include <string>

namespace tarvello {

/// An error that ends the run. Thrown anywhere, caught once in run_conversion,
/// which prints it as one line on stderr and exits with status 1.
class Fatal : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

/// A read that failed other than at the end of a file. A reference lookup
/// treats it as a miss; everywhere else it is fatal.
class ReadFailure : public Fatal {
public:
  using Fatal::Fatal;
};

/// The system's description of an errno value.
std::string describe_error(int err);

/// errno after a failed call, or EIO when the call left it unset.
int last_error();

/// Why `path` could not be opened. A directory is reported as one on every
/// platform, although some refuse it only as a denied access.
int open_failure(const char *path);

} // namespace tarvello
