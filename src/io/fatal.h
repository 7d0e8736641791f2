#pragma once

#include <stdexcept>
#include <string>

namespace tarvello {

/// An error that ends the run. Thrown anywhere, caught once in run_conversion,
/// which prints it as one line on stderr and exits with status 1. Its text is
/// built by the message module.
class Fatal : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

/// A file that could not be opened or read other than at its end. Its message
/// is "cannot read PATH: CAUSE"; a lookup puts the listing line before it.
class ReadFailure : public Fatal {
public:
  using Fatal::Fatal;
};

/// An error found when a console stream is itself one of the run's files.
/// Its line goes to standard error only when that is safe, else to standard
/// output when that is, else nowhere: never into a file of the run.
class StreamClash : public Fatal {
public:
  StreamClash(const std::string &what, bool stdout_safe, bool stderr_safe)
      : Fatal(what), stdout_safe(stdout_safe), stderr_safe(stderr_safe) {}
  bool stdout_safe;
  bool stderr_safe;
};

} // namespace tarvello
