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

} // namespace tarvello
