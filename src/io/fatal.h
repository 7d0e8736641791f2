#pragma once

#include <stdexcept>
#include <string>

namespace tarvello {

/// An error that ends the run. Thrown anywhere, caught once in run_conversion,
/// which prints it as one line and exits with status 1. Its text is built by
/// the message module.
class Fatal : public std::runtime_error {
public:
  /// Where the line may go: a console stream that is one of the run's files
  /// must not be written, so the line goes to the other one, or nowhere.
  enum class Shown { on_stderr, on_stdout, nowhere };

  explicit Fatal(const std::string &what, Shown shown = Shown::on_stderr)
      : std::runtime_error(what), shown_(shown) {}
  Shown shown() const { return shown_; }

private:
  Shown shown_;
};

/// A file that could not be opened or read other than at its end. Its message
/// is "cannot read PATH: CAUSE"; a lookup puts the listing line before it.
class ReadFailure : public Fatal {
public:
  using Fatal::Fatal;
};

} // namespace tarvello
