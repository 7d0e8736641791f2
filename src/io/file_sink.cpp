#include "io/fatal.h"
#include "io/message.h"
#include "io/out_buffer.h"

#include <filesystem>

namespace tarvello {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void lost(const char *name, int err) {
  throw Fatal(message::cannot("write", name, Cause::system(err)));
}

/// Where a chain of links that ends nowhere would make its file.
std::string end_of_links(const char *path) {
  fs::path at = path;
  std::error_code failed;
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(at, failed)); ++hops) {
    const fs::path next = fs::read_symlink(at, failed);
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  return at.string();
}

/// Opens `path` without emptying it, or creates it. Returns 0 or the errno,
/// and sets `created` to the path of a file it made.
int open_or_create(const char *path, int &fd, std::string &created) {
  int err = platform::open_for_writing(path, false, fd);
  if (err != ENOENT) {
    return err;
  }
  std::string target = path;
  err = platform::open_for_writing(path, true, fd);
  if (err == EEXIST) { // a link that leads nowhere: make its file, and know its path
    target = end_of_links(path);
    err = platform::open_for_writing(target.c_str(), true, fd);
  }
  if (err == 0) {
    created = target;
  }
  return err;
}

} // namespace

void FileSink::open(const char *path) {
  name_ = path;
  if (const int err = open_or_create(path, fd_, created_); err != 0) {
    throw Fatal(message::cannot("create", path, Cause::system(err)));
  }
  owned_ = true;
}

void FileSink::give_up() {
  release();
  if (!created_.empty()) {
    platform::remove_file(created_.c_str()); // this run's own empty file: nothing else is lost
  }
}

void FileSink::lock() {
  const int err = platform::lock_file(fd_);
  if (err == platform::kLockedElsewhere) {
    release(); // the other run may have made the file: it stays
    throw Fatal(message::written_by_another_run(name_));
  }
  if (err != 0) {
    give_up();
    throw Fatal(message::cannot("lock", name_, Cause::system(err)));
  }
}

void FileSink::empty() {
  if (const int err = platform::empty_file(fd_); err != 0) {
    give_up();
    throw Fatal(message::cannot("empty", name_, Cause::system(err)));
  }
  emptied_ = true;
  platform::empty_on_stop(fd_);
}

FileSink::~FileSink() {
  if (owned_ && emptied_) {
    platform::empty_on_stop(-1);
    platform::empty_file(fd_); // the run did not finish; its error is reported already
  }
  release();
}

void FileSink::write(std::string_view bytes) {
  if (const int err = platform::write_all(fd_, bytes); err != 0) {
    lost(name_, err);
  }
}

void FileSink::close() {
  if (emptied_) {
    platform::empty_on_stop(-1); // the file is whole: a stop from now on keeps it
  }
  emptied_ = false;
  if (!owned_) {
    return;
  }
  owned_ = false;
  if (const int err = platform::close_descriptor(fd_); err != 0) {
    lost(name_, err);
  }
}

void FileSink::release() {
  if (owned_) {
    platform::close_descriptor(fd_); // untouched or emptied: nothing in it can be lost
  }
  owned_ = false;
}

} // namespace tarvello
