#pragma once

#include <string>

namespace tarvello {

/// Why a file or a standard stream could not be used: an error the system
/// reports, or a cause the tool finds itself. The default is no failure.
class Cause {
public:
  /// The causes the system has no error number for.
  enum class Own { none, not_regular_file, symbolic_link, another_users_file, mount_point, utf16 };

  Cause() = default;
  static Cause system(int err) { return Cause(err, Own::none); }
  static Cause own(Own what) { return Cause(0, what); }

  bool failed() const { return err_ != 0 || own_ != Own::none; }
  /// Whether the failure lies with the system (too many open files, no
  /// memory, a failing disk) rather than with the file, which may be missing,
  /// forbidden or of the wrong kind.
  bool lies_with_the_system() const;
  /// Whether the file, or a folder on its path, does not exist.
  bool missing() const;
  std::string text() const;

private:
  Cause(int err, Own own) : err_(err), own_(own) {}
  int err_ = 0;
  Own own_ = Own::none;
};

} // namespace tarvello
