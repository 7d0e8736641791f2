#include "io/message.h"

#include "io/line_reader.h"
#include "io/numbers.h"
#include "platform/platform.h"

#include <cerrno>
#include <ostream>

namespace tarvello {

std::string Cause::text() const {
  switch (own_) {
  case Own::not_regular_file:
    return "not a regular file";
  case Own::none:
    break;
  }
  return platform::describe_error(err_);
}

bool Cause::lies_with_the_system() const {
  switch (err_) {
  case 0:
  case ENOENT:
  case ENOTDIR:
  case EACCES:
  case EPERM:
  case EISDIR:
  case ELOOP:
  case ENAMETOOLONG:
    return false;
  default:
    return true;
  }
}

namespace message {

namespace {

std::string joined(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (const std::string_view part : parts) {
    text += part;
  }
  return text;
}

/// The numbers an answer or a listing may hold, and a sum may reach.
const std::string kRange = std::to_string(kLeastNumber) + " to " + std::to_string(kMostNumber);

constexpr std::string_view kTool = "tarvello: ";

void print(std::ostream &err, std::string_view prefix, std::string_view text) {
  err << kTool << prefix << text << '\n';
  err.flush();
}

} // namespace

std::string position(std::string_view path, std::int64_t line) {
  return joined({path, ":", std::to_string(line)});
}

std::string at_line(std::string_view path, std::int64_t line, std::string_view what) {
  return joined({position(path, line), ": ", what});
}

std::string cannot(std::string_view verb, std::string_view name, const Cause &cause) {
  return joined({"cannot ", verb, " ", name, ": ", cause.text()});
}

std::string line_too_long(std::string_view path, std::int64_t line) {
  return at_line(path, line, "line longer than " + std::to_string(kMaxLine) + " characters");
}

std::string number_out_of_range(std::string_view path, std::int64_t line) {
  return at_line(path, line, "number outside the range " + kRange);
}

std::string same_file(std::string_view output, std::string_view input) {
  return joined({output, " is the same file as ", input});
}

std::string input_ended() { return "standard input ended before a number was given"; }

std::string written_by_another_run(std::string_view output) {
  return joined({output, " is being written by another run"});
}

std::string out_of_memory() { return "out of memory"; }

std::string not_a_number(std::string_view shown) {
  return joined({shown, " is not a whole number from ", kRange});
}

std::string table_unusable(std::string_view table, const Cause &cause) {
  return joined({table, ": ", cause.text()});
}

std::string misses(std::string_view table, std::int64_t count, const Cause &unreadable,
                   std::string_view listing, const std::int64_t *lines, std::size_t shown) {
  const bool one = count == 1;
  std::string text =
      joined({table, ": ", std::to_string(count), one ? " reference line " : " reference lines "});
  if (unreadable.failed()) {
    text += joined({one ? "was" : "were", " kept, as the table cannot be read (", unreadable.text(), ")"});
  } else {
    text += joined({"found no match and ", one ? "was" : "were", " kept"});
  }
  for (std::size_t i = 0; i < shown; ++i) {
    text += joined({i == 0 ? ": " : ", ", position(listing, lines[i])});
  }
  if (count > static_cast<std::int64_t>(shown)) {
    text += joined({", and ", std::to_string(count - static_cast<std::int64_t>(shown)), " more"});
  }
  return text;
}

std::string error_line(std::string_view text) { return joined({kTool, text, "\n"}); }

void print_error(std::ostream &err, std::string_view text) { print(err, "", text); }

void print_warning(std::ostream &err, std::string_view text) { print(err, "warning: ", text); }

} // namespace message

} // namespace tarvello
