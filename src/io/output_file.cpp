#include "io/output_file.h"

#include "io/fatal.h"
#include "io/message.h"

#include <chrono>
#include <cstdint>
#include <exception>
#include <random>
#include <utility>

namespace tarvello {

namespace {

/// Names tried for the new file when one is taken.
constexpr int kNames = 100;

/// "TARGET.RANDOM.part", a name no other program can plant ahead of this run.
std::string new_name(const char *target) {
  std::uint64_t random = 0;
  try {
    std::random_device device;
    random = (std::uint64_t{device()} << 32) ^ device();
  } catch (const std::exception &) { // no source of randomness: the clock, as the names are retried
    random = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string name = std::string(target) + ".";
  for (int i = 0; i < 16; ++i, random >>= 4) {
    name += kDigits[random & 15];
  }
  return name + ".part";
}

} // namespace

OutputFile::~OutputFile() { abandon(); }

void OutputFile::empty_target(const platform::NameFacts &old) {
  old_ = old;
  start();
  put_in_place();
}

void OutputFile::start() {
  const int err = platform::create_unnamed_file(fd_);
  if (err == 0) {
    return;
  }
  if (!platform::no_unnamed_files(err)) {
    fail_with(message::cannot_create_in(platform::working_folder(), Cause::system(err)));
  }
  take_name(false);
}

void OutputFile::write(std::string_view bytes) {
  if (const int err = platform::write_all(fd_, bytes); err != 0) {
    fail("write", err);
  }
}

void OutputFile::commit() { put_in_place(); }

void OutputFile::put_in_place() {
  carry_over();
  if (const int err = platform::sync_file(fd_); err != 0) {
    fail("write", err);
  }
  if (path_.empty()) {
    take_name(true);
  }
  if (const int err = platform::keep_new_file(fd_); err != 0) {
    fail("write", err);
  }
  close();
  if (const int err = platform::replace_file(path_.c_str(), target_); err != 0) {
    fail_with(message::cannot("replace", target_, Cause::system(err)) +
              (platform::may_be_held_open(err) ? message::held_open() : ""));
  }
  platform::forget_new_file(); // a stop in between removes a name that is gone
  path_.clear();
  stage_ = stage_ == Stage::untouched ? Stage::emptied : Stage::replaced;
  // Else a loss of power could bring back what stood there before.
  if (const int err = platform::sync_working_folder(); err != 0) {
    fail("sync the folder of", err);
  }
}

/// Never leaves the new file open to more users than the old one was.
void OutputFile::carry_over() {
  const platform::Carry carried = platform::carry_over(fd_, old_);
  if (carried.part != platform::Carry::Part::none) {
    fail_with(message::not_kept(carried, target_));
  }
}

void OutputFile::take_name(bool link) {
  int err = 0;
  for (int n = 0; n < kNames; ++n) {
    path_ = new_name(target_);
    err = link ? platform::name_new_file(fd_, path_.c_str()) : platform::create_new_file(path_.c_str(), fd_);
    if (!platform::already_exists(err)) {
      break;
    }
  }
  if (err != 0) {
    path_.clear();
    fail_with(message::cannot_create_in(platform::working_folder(), Cause::system(err)));
  }
}

/// A failed close may report a lost write.
void OutputFile::close() {
  if (const int err = platform::close_descriptor(std::exchange(fd_, -1)); err != 0) {
    fail("write", err);
  }
}

void OutputFile::fail(std::string_view verb, int err) {
  fail_with(message::cannot(verb, target_, Cause::system(err)));
}

void OutputFile::fail_with(const std::string &text) {
  switch (stage_) {
  case Stage::untouched:
    throw Fatal(text);
  case Stage::emptied:
    throw Fatal(text + message::now_empty(target_));
  case Stage::replaced:
    throw Fatal(text + message::may_not_last(target_));
  }
  throw Fatal(text);
}

void OutputFile::abandon() noexcept {
  if (fd_ >= 0) {
    platform::close_descriptor(std::exchange(fd_, -1)); // what it holds is dropped
  }
  if (path_.empty()) {
    return;
  }
  const int err = platform::remove_file(path_.c_str());
  platform::forget_new_file();
  try {
    if (err != 0 && !platform::is_missing(err)) { // gone with its handle, where the platform marks it so
      message::print_warning(warnings_, message::cannot("remove", path_, Cause::system(err)));
    }
  } catch (const std::exception &) {
    // Out of memory as the run ends: the error that ends it is still shown.
  }
  path_.clear();
}

} // namespace tarvello
