#include "platform/platform.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
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

/// The run's new file, which a stop removes while `armed`.
char removed_on_stop[64];
volatile std::sig_atomic_t armed = 0;
constexpr int kStops[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT,   SIGALRM,
                          SIGUSR1, SIGUSR2, SIGPROF, SIGVTALRM, SIGXCPU};

extern "C" void stop(int signal) {
  if (armed != 0) {
    (void)unlink(removed_on_stop); // async-signal-safe, as is all of this
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal); // delivered once this returns, as the signal is blocked here
}

void install_stops() {
  static bool installed = false;
  if (installed) {
    return;
  }
  installed = true;
  for (const int signal : kStops) {
    struct sigaction action {};
    // Only where the signal would end the process: one ignored stays ignored,
    // and a handler that a host program installed stays its own.
    if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_DFL) {
      action.sa_handler = stop;
      sigfillset(&action.sa_mask); // one stop at a time
      action.sa_flags = 0;
      sigaction(signal, &action, nullptr);
    }
  }
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

int create_new_file(const char *path, int &fd) {
  fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  return fd < 0 ? errno : 0;
}

NameFacts examine_name(const char *path) {
  NameFacts facts;
  struct stat info {};
  if (lstat(path, &info) != 0) {
    facts.err = errno == ENOENT ? 0 : errno;
    return facts;
  }
  if (S_ISLNK(info.st_mode)) {
    facts.kind = NameFacts::Kind::link;
  } else if (!S_ISREG(info.st_mode)) {
    facts.kind = NameFacts::Kind::other;
    facts.err = S_ISDIR(info.st_mode) ? EISDIR : 0;
  } else {
    facts.kind = NameFacts::Kind::regular;
    facts.mode = info.st_mode & 0777; // never set-user-ID and the like: a superuser's run would pass them on
    facts.owner = info.st_uid;
    facts.group = info.st_gid;
    facts.others = geteuid() != 0 && info.st_uid != geteuid();
    facts.err = faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) == 0 ? 0 : errno;
  }
  return facts;
}

int carry_over(int fd, const NameFacts &from) {
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    return errno;
  }
  if ((info.st_mode & 0777) != from.mode && fchmod(fd, from.mode) != 0) {
    return errno;
  }
  const bool other_owner = info.st_uid != from.owner || info.st_gid != from.group;
  return geteuid() == 0 && other_owner && fchown(fd, from.owner, from.group) != 0 ? errno : 0;
}

int replace_file(const char *from, const char *to) { return rename(from, to) == 0 ? 0 : errno; }

int sync_file(int fd) { return fsync(fd) == 0 ? 0 : errno; }

int sync_working_folder() {
  const int folder = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) {
    return errno;
  }
  const int err = fsync(folder) == 0 || errno == EINVAL ? 0 : errno;
  close(folder);
  return err;
}

int remove_file(const char *path) { return unlink(path) == 0 ? 0 : errno; }

void remove_on_stop(const char *path) {
  armed = 0;
  if (path == nullptr || std::strlen(path) >= sizeof removed_on_stop) {
    return;
  }
  std::strcpy(removed_on_stop, path);
  install_stops();
  armed = 1;
}

unsigned long process_id() { return static_cast<unsigned long>(getpid()); }

FileId file_id(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 ? id_of(info) : FileId{};
}

FileId file_id(const char *path) {
  struct stat info {};
  return stat(path, &info) == 0 ? id_of(info) : FileId{};
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
  return {"Usage: tarvello [--help | -h | --version]", "the man page, man tarvello, installed with the tool"};
}

ConsoleFacts console_facts() { return {}; }

void drop_console_input() {}

long read_console_input(char *, std::size_t) { return -1; } // the window never waits here

bool is_native_help_switch(std::string_view) { return false; }

bool is_option(std::string_view arg) { return !arg.empty() && arg.front() == '-'; }

} // namespace tarvello::platform
