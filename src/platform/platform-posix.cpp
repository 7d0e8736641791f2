#include "platform/platform.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvello::platform {

namespace {

/// A stand-in for a closed descriptor: the read end of a pipe whose write end
/// is closed, so reading finds the end at once and writing fails with EBADF,
/// as it would have. It needs no file, so it works where /dev/null is missing.
int hold_if_closed(int fd) {
  if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
    return 0;
  }
  int ends[2];
  if (pipe(ends) != 0) {
    return errno;
  }
  close(ends[1]);
  if (ends[0] != fd) { // the lowest free numbers: fd itself, as the lower ones are held
    const int moved = dup2(ends[0], fd);
    close(ends[0]);
    if (moved != fd) {
      return errno;
    }
  }
  return 0;
}

/// Waits until `fd`, a standard descriptor handed out non-blocking, is ready.
bool waited(int fd, short events) {
  if ((errno != EAGAIN && errno != EWOULDBLOCK) || fd > kStderr) {
    return false;
  }
  pollfd ready{fd, events, 0};
  while (poll(&ready, 1, -1) < 0 && errno == EINTR) {
  }
  return true;
}

volatile std::sig_atomic_t emptied_on_stop = -1;
constexpr int kStops[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void stop(int signal) {
  if (emptied_on_stop >= 0) {
    (void)ftruncate(emptied_on_stop, 0); // async-signal-safe, as is all of this
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

FileId id_of(const struct stat &info) {
  const bool file = S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode);
  return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino), file};
}

} // namespace

int prepare_process() {
  for (int fd = 0; fd <= kStderr; ++fd) {
    if (const int err = hold_if_closed(fd); err != 0) {
      return err;
    }
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  return 0;
}

int open_for_reading(const char *path, bool no_wait, int &fd) {
  fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | (no_wait ? O_NONBLOCK : 0));
  return fd < 0 ? errno : 0;
}

int open_for_writing(const char *path, bool create, int &fd) {
  fd = open(path, O_WRONLY | O_CLOEXEC | O_NOCTTY | (create ? O_CREAT | O_EXCL : 0), 0666);
  return fd < 0 ? errno : 0;
}

int empty_file(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    return errno;
  }
  return !S_ISREG(info.st_mode) || ftruncate(fd, 0) == 0 ? 0 : errno;
}

int lock_file(int fd) {
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) {
      return kLockedElsewhere;
    }
    if (errno != EINTR) {
      return errno;
    }
  }
  return 0;
}

int remove_file(const char *path) { return unlink(path) == 0 ? 0 : errno; }

FileId file_id(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 ? id_of(info) : FileId{};
}

FileId file_id(const char *path) {
  struct stat info {};
  return stat(path, &info) == 0 ? id_of(info) : FileId{};
}

void empty_on_stop(int fd) {
  emptied_on_stop = fd;
  static bool installed = false;
  if (installed || fd < 0) {
    return;
  }
  installed = true;
  for (const int signal : kStops) {
    struct sigaction action {};
    if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_IGN) {
      action.sa_handler = stop;
      sigemptyset(&action.sa_mask);
      action.sa_flags = 0;
      sigaction(signal, &action, nullptr);
    }
  }
}

long read_some(int fd, char *data, std::size_t size) {
  for (;;) {
    const ssize_t got = read(fd, data, size);
    if (got >= 0) {
      return static_cast<long>(got);
    }
    if (errno != EINTR && !waited(fd, POLLIN)) {
      return -errno;
    }
  }
}

int write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno != EINTR && !waited(fd, POLLOUT)) {
      return errno;
    }
    if (put == 0) {
      return EIO; // no progress and no reason: retrying could spin forever
    }
    bytes.remove_prefix(put > 0 ? static_cast<std::size_t>(put) : 0);
  }
  return 0;
}

/// Not retried on EINTR: the descriptor is released whatever close returns.
int close_descriptor(int fd) { return close(fd) == 0 ? 0 : errno; }

bool is_terminal(int fd) { return isatty(fd) == 1; }

std::string describe_error(int err) { return std::strerror(err); }

bool is_missing(int err) { return err == ENOENT; }

bool already_exists(int err) { return err == EEXIST; }

bool lies_with_the_system(int err) {
  switch (err) {
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

std::string native_path(std::string_view path) { return std::string(path); }

std::string working_folder() {
  std::string folder(256, '\0');
  while (getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE) {
      return {};
    }
    folder.resize(folder.size() * 2);
  }
  folder.resize(std::strlen(folder.c_str()));
  return folder;
}

HelpWords help_words() {
  return {"Usage: tarvello [--help | -h | --version]",
          "man tarvello, or the README that comes with the tool"};
}

ConsoleFacts console_facts() { return {}; }

void drop_console_input() {}

long read_console_input(char *, std::size_t) { return -1; } // the window never waits here

bool is_native_help_switch(std::string_view) { return false; }

bool is_option(std::string_view arg) { return !arg.empty() && arg.front() == '-'; }

} // namespace tarvello::platform
