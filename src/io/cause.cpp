#include "io/cause.h"

#include "platform/platform.h"

namespace tarvello {

std::string Cause::text() const {
  switch (own_) {
  case Own::not_regular_file:
    return "not a regular file";
  case Own::symbolic_link:
    return "a symbolic link";
  case Own::another_users_file:
    return "another user's file";
  case Own::mount_point:
    return "a file mounted there; mount its folder instead";
  case Own::utf16:
    return "UTF-16 text; save it as plain (ANSI or UTF-8) text";
  case Own::none:
    break;
  }
  return platform::describe_error(err_);
}

bool Cause::lies_with_the_system() const { return own_ == Own::none && platform::lies_with_the_system(err_); }

bool Cause::missing() const { return own_ == Own::none && err_ != 0 && platform::is_missing(err_); }

} // namespace tarvello
