#include "io/output_file.h"

#include "io/fatal.h"
#include "io/message.h"

#include <exception>
#include <utility>

namespace tarvello {

namespace {

/// Names tried after "TARGET.PID.part" when one is taken, as by a file that a
/// killed run of the same number left.
constexpr int kNames = 100;

} // namespace

OutputFile::~OutputFile() { abandon(); }

void OutputFile::empty_target(const platform::NameFacts &old) {
  old_ = old;
  start();
  close();
  put_in_place();
  // Else a loss of power could bring back an earlier result, which might pass for this run's.
  if (old.kind == platform::NameFacts::Kind::regular) {
    if (const int err = platform::sync_working_folder(); err != 0) {
      fail("replace", err);
    }
  }
}

void OutputFile::write(std::string_view bytes) {
  if (const int err = platform::write_all(fd_, bytes); err != 0) {
    fail("write", err);
  }
}

void OutputFile::commit() {
  if (const int err = platform::sync_file(fd_); err != 0) {
    fail("write", err);
  }
  close();
  put_in_place();
}

void OutputFile::start() {
  const std::string stem = std::string(target_) + "." + std::to_string(platform::process_id());
  int err = 0;
  for (int n = 0; n < kNames; ++n) {
    path_ = stem + (n == 0 ? "" : "-" + std::to_string(n)) + ".part";
    err = platform::create_new_file(path_.c_str(), fd_);
    if (!platform::already_exists(err)) {
      break;
    }
  }
  if (err != 0) {
    path_.clear();
    fail("create", err);
  }
  platform::remove_on_stop(path_.c_str());
  if (old_.kind == platform::NameFacts::Kind::regular) {
    if (const int carried = platform::carry_over(fd_, old_); carried != 0) {
      fail("replace", carried);
    }
  }
}

/// A failed close may report a lost write.
void OutputFile::close() {
  if (const int err = platform::close_descriptor(std::exchange(fd_, -1)); err != 0) {
    fail("write", err);
  }
}

void OutputFile::put_in_place() {
  if (const int err = platform::replace_file(path_.c_str(), target_); err != 0) {
    fail("replace", err);
  }
  platform::remove_on_stop(nullptr); // a stop in between removes a name that is gone
  path_.clear();
}

void OutputFile::fail(std::string_view verb, int err) {
  throw Fatal(message::cannot(verb, target_, Cause::system(err)));
}

void OutputFile::abandon() noexcept {
  if (fd_ >= 0) {
    platform::close_descriptor(std::exchange(fd_, -1)); // what it holds is dropped
  }
  if (path_.empty()) {
    return;
  }
  const int err = platform::remove_file(path_.c_str());
  platform::remove_on_stop(nullptr);
  try {
    if (err != 0) {
      message::print_warning(warnings_, message::cannot("remove", path_, Cause::system(err)));
    }
  } catch (const std::exception &) {
    // Out of memory as the run ends: the error that ends it is still shown.
  }
  path_.clear();
}

} // namespace tarvello
