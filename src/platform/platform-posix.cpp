#include "platform/platform.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tarvello::platform {

namespace {

/// A stand-in for a closed descriptor: /dev/null opened read-only, so reading
/// finds the end at once and writing fails with EBADF, as it would have.
void hold_if_closed(int fd) {
  if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
    return;
  }
  const int stand_in = open("/dev/null", O_RDONLY); // the lowest free number: fd itself
  if (stand_in != fd && stand_in >= 0) {
    dup2(stand_in, fd);
    close(stand_in);
  }
}

} // namespace

void prepare_process() {
  for (int fd = 0; fd <= 2; ++fd) {
    hold_if_closed(fd);
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

int open_for_reading(const char *path, bool no_wait, int &fd) {
  fd = open(path, O_RDONLY | O_CLOEXEC | (no_wait ? O_NONBLOCK : 0));
  return fd < 0 ? errno : 0;
}

int create_for_writing(const char *path, int &fd) {
  fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return fd < 0 ? errno : 0;
}

long read_some(int fd, char *data, std::size_t size) {
  for (;;) {
    const ssize_t got = read(fd, data, size);
    if (got >= 0) {
      return static_cast<long>(got);
    }
    if (errno != EINTR) {
      return -errno;
    }
  }
}

int write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno != EINTR) {
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

ConsoleFacts console_facts() { return {}; }

bool is_native_help_switch(std::string_view) { return false; }

} // namespace tarvello::platform
