#include "platform/platform.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

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

/// Calls `call` again while a signal interrupts it, as every call here but
/// close is: a close that failed so has released its descriptor all the same.
template <typename Call> auto retried(Call call) {
  auto result = call();
  while (result == -1 && errno == EINTR) {
    result = call();
  }
  return result;
}

/// Every signal whose default action ends the process and that a handler can
/// catch, but SIGPIPE and SIGXFSZ, which the run ignores.
sigset_t stops() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : {SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT,   SIGBUS,  SIGFPE, SIGUSR1,
                           SIGSEGV,   SIGUSR2, SIGALRM, SIGTERM, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,  SIGSYS,
#ifdef SIGSTKFLT
                           SIGSTKFLT,
#endif
#ifdef SIGPWR
                           SIGPWR,
#endif
                           SIGRTMIN}) {
    sigaddset(&set, signal);
  }
  for (int signal = SIGRTMIN + 1; signal <= SIGRTMAX; ++signal) {
    sigaddset(&set, signal);
  }
  return set;
}

/// The run's new file, which a stop removes while `armed`.
char removed_on_stop[64];
volatile std::sig_atomic_t armed = 0;

extern "C" void stop(int signal) {
  if (armed != 0) {
    (void)unlink(removed_on_stop); // async-signal-safe, as is all of this
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal); // delivered once this returns, as the signal is blocked here
}

/// A stack for the handler, so that even a stack overflow removes the new file.
char stop_stack[64 * 1024];

void install_stops() {
  stack_t stack{};
  stack.ss_sp = stop_stack;
  stack.ss_size = sizeof stop_stack;
  sigaltstack(&stack, nullptr);
  const sigset_t set = stops();
  for (int signal = 1; signal <= SIGRTMAX; ++signal) {
    struct sigaction action {};
    // Only where the signal would end the process: one ignored stays ignored,
    // and a handler that a host program installed stays its own.
    if (sigismember(&set, signal) == 1 && sigaction(signal, nullptr, &action) == 0 &&
        action.sa_handler == SIG_DFL) {
      action.sa_handler = stop;
      sigfillset(&action.sa_mask); // one stop at a time
      action.sa_flags = SA_ONSTACK;
      sigaction(signal, &action, nullptr);
    }
  }
}

/// Runs `make`, which gives the new file the name `path`, with every stop held
/// back until the handler knows the name: no moment leaves the file behind.
template <typename Make> int named_while_held(const char *path, Make make) {
  if (std::strlen(path) >= sizeof removed_on_stop) {
    return ENAMETOOLONG;
  }
  const sigset_t held = stops();
  sigset_t before;
  sigprocmask(SIG_BLOCK, &held, &before);
  const int err = make();
  if (err == 0) {
    std::strcpy(removed_on_stop, path);
    armed = 1;
  }
  sigprocmask(SIG_SETMASK, &before, nullptr);
  return err;
}

/// The name under /proc of the file open as `fd`, through which it can be linked.
struct ProcName {
  explicit ProcName(int fd) { std::snprintf(text, sizeof text, "/proc/self/fd/%d", fd); }
  char text[32];
};

/// What the system holds of the name `path` (or of `fd` when `path` is
/// empty), fresh from the file system, or nothing.
bool fresh_facts(int fd, const char *path, int flags, struct statx &info) {
  const unsigned mask = STATX_TYPE | STATX_SIZE | STATX_MTIME;
  return retried([&] { return statx(fd, path, flags | AT_STATX_FORCE_SYNC, mask, &info); }) == 0;
}

Stamp stamp_from(int fd, const char *path, int flags) {
  struct statx info {};
  if (!fresh_facts(fd, path, flags, info) || !S_ISREG(info.stx_mode)) {
    return {};
  }
  return {static_cast<std::int64_t>(info.stx_size), info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec, true};
}

/// The extended attributes at `path` that a new file may carry: not the
/// security ones, which the system sets itself (a label, or capabilities that
/// must never pass to another file).
std::vector<std::pair<std::string, std::string>> attributes_of(const char *path) {
  std::vector<std::pair<std::string, std::string>> attributes;
  const ssize_t needed = retried([&] { return llistxattr(path, nullptr, 0); });
  std::string names(needed > 0 ? static_cast<std::size_t>(needed) : 0, '\0');
  const ssize_t size = needed > 0 ? retried([&] { return llistxattr(path, names.data(), names.size()); }) : 0;
  for (std::size_t at = 0; size > 0 && at < static_cast<std::size_t>(size);
       at += std::strlen(&names[at]) + 1) {
    const char *name = &names[at];
    const ssize_t length = std::strncmp(name, "security.", 9) == 0 ? -1 : lgetxattr(path, name, nullptr, 0);
    if (length >= 0) {
      std::string value(static_cast<std::size_t>(length), '\0');
      const ssize_t got = lgetxattr(path, name, value.data(), value.size());
      attributes.emplace_back(name, value.substr(0, got > 0 ? static_cast<std::size_t>(got) : 0));
    }
  }
  return attributes;
}

/// A part that could not be carried over, for the error a call just set.
Carry lost(Carry::Part part, const std::string &attribute = "") { return {part, errno, attribute}; }

mode_t new_file_mode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

/// Gives `fd` the group of `from` where this user may; else fails only when
/// the group may use the file, as another group would then use it.
Carry carry_owner(int fd, const NameFacts &from) {
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    return lost(Carry::Part::owner);
  }
  if (info.st_uid == from.owner && info.st_gid == from.group) {
    return {};
  }
  if (geteuid() == 0) {
    return retried([&] { return fchown(fd, from.owner, from.group); }) == 0 ? Carry{}
                                                                            : lost(Carry::Part::owner);
  }
  const bool kept = retried([&] { return fchown(fd, static_cast<uid_t>(-1), from.group); }) == 0;
  return kept || (from.mode & 070) == 0 ? Carry{} : lost(Carry::Part::group);
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
  install_stops();
  return 0;
}

/// Apart from open_for_reading, which each lookup calls: a loop there costs
/// every lookup more than the retry it makes.
[[gnu::noinline, gnu::cold]] int opened_again(const char *path, int flags) {
  return retried([&] { return open(path, flags); });
}

int open_for_reading(const char *path, bool no_wait, int &fd) {
  const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | (no_wait ? O_NONBLOCK : 0);
  fd = open(path, flags);
  if (fd < 0 && errno == EINTR) {
    fd = opened_again(path, flags);
  }
  return fd < 0 ? errno : 0;
}

int create_unnamed_file(int &fd) {
  fd = retried([] { return open(".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600); });
  if (fd < 0) {
    return errno;
  }
  // Its name is given through /proc, which must be there to give it.
  struct stat linked {
  }, open{};
  if (stat(ProcName(fd).text, &linked) != 0 || fstat(fd, &open) != 0 || linked.st_ino != open.st_ino) {
    close(std::exchange(fd, -1));
    return EOPNOTSUPP;
  }
  return 0;
}

bool no_unnamed_files(int err) {
  return err == EOPNOTSUPP || err == EISDIR || err == EINVAL || err == ENOSYS;
}

int create_new_file(const char *path, int &fd) {
  return named_while_held(path, [&] {
    fd = retried([&] { return open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600); });
    return fd < 0 ? errno : 0;
  });
}

int name_new_file(int fd, const char *path) {
  return named_while_held(path, [&] {
    const ProcName from(fd);
    return retried([&] { return linkat(AT_FDCWD, from.text, AT_FDCWD, path, AT_SYMLINK_FOLLOW); }) == 0
               ? 0
               : errno;
  });
}

void forget_new_file() { armed = 0; }

int keep_new_file(int) { return 0; } // a named new file stays unless it is removed

NameFacts examine_name(const char *path) {
  NameFacts facts;
  struct statx info {};
  if (retried([&] { return statx(AT_FDCWD, path, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &info); }) != 0) {
    facts.err = errno == ENOENT ? 0 : errno;
    return facts;
  }
  if (S_ISLNK(info.stx_mode)) {
    facts.kind = NameFacts::Kind::link;
  } else if (!S_ISREG(info.stx_mode)) {
    facts.kind = NameFacts::Kind::other;
    facts.err = S_ISDIR(info.stx_mode) ? EISDIR : 0;
  } else {
    facts.kind = NameFacts::Kind::regular;
    facts.mount_point = (info.stx_attributes & info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0;
    facts.mode = info.stx_mode & 0777; // never set-user-ID and the like: a superuser's run would pass them on
    facts.owner = info.stx_uid;
    facts.group = info.stx_gid;
    facts.others = geteuid() != 0 && info.stx_uid != geteuid();
    facts.err = faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) == 0 ? 0 : errno;
    facts.attributes = attributes_of(path);
  }
  return facts;
}

Carry carry_over(int fd, const NameFacts &from) {
  const bool replaces = from.kind == NameFacts::Kind::regular;
  if (replaces) {
    if (Carry owner = carry_owner(fd, from); owner.part != Carry::Part::none) {
      return owner;
    }
  }
  // Before the access list, whose mask the permission bits would set otherwise.
  if (retried([&] { return fchmod(fd, replaces ? from.mode : new_file_mode()); }) != 0) {
    return lost(Carry::Part::permissions);
  }
  for (const auto &attribute : from.attributes) { // none but a regular file's
    const std::string &name = attribute.first;
    const std::string &value = attribute.second;
    if (retried([&] { return fsetxattr(fd, name.c_str(), value.data(), value.size(), 0); }) != 0) {
      return name == "system.posix_acl_access" ? lost(Carry::Part::access_list)
                                               : lost(Carry::Part::attribute, name);
    }
  }
  return {};
}

int replace_file(const char *from, const char *to) {
  return retried([&] { return rename(from, to); }) == 0 ? 0 : errno;
}

int sync_file(int fd) {
  return retried([&] { return fsync(fd); }) == 0 ? 0 : errno;
}

int sync_working_folder() {
  const int folder = retried([] { return open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
  if (folder < 0) {
    return errno;
  }
  const int err = retried([&] { return fsync(folder); }) == 0 || errno == EINVAL ? 0 : errno;
  close(folder);
  return err;
}

int remove_file(const char *path) {
  return retried([&] { return unlink(path); }) == 0 ? 0 : errno;
}

Stamp stamp_of(int fd) { return stamp_from(fd, "", AT_EMPTY_PATH); }

Stamp stamp_of(const char *path) { return stamp_from(AT_FDCWD, path, 0); }

int set_modification_time(const char *path, const Stamp &time) {
  const timespec times[2] = {{0, UTIME_OMIT}, {time.seconds, time.nanoseconds}};
  return retried([&] { return utimensat(AT_FDCWD, path, times, AT_SYMLINK_NOFOLLOW); }) == 0 ? 0 : errno;
}

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

bool may_be_held_open(int) { return false; } // an open file is replaced all the same

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

int change_folder(const char *path) {
  return retried([&] { return chdir(path); }) == 0 ? 0 : errno;
}

std::vector<std::string> arguments(int argc, const char *const *argv) {
  return {argv + std::min(argc, 1), argv + argc};
}

HelpWords help_words() {
  return {"Usage: tarvello [FOLDER | FOLDER/ai.obj] | [--help | -h | --version]",
          "the man page, man tarvello, installed with the tool"};
}

ConsoleFacts console_facts() { return {}; }

void drop_console_input() {}

long read_console_input(char *, std::size_t) { return -1; } // the window never waits here

bool is_native_help_switch(std::string_view) { return false; }

bool is_option(std::string_view arg) { return !arg.empty() && arg.front() == '-'; }

} // namespace tarvello::platform
