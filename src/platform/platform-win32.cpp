#include "platform/platform.h"

#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace tarvello::platform {

namespace {

void hold_if_closed(int fd) {
  if (_get_osfhandle(fd) != -1) {
    return;
  }
  const int stand_in = _open("NUL", _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (stand_in != fd && stand_in >= 0) {
    _dup2(stand_in, fd);
    _close(stand_in);
  }
}

/// Windows refuses to open a directory as a denied access; say what it is.
int open_failure(const char *path) {
  const int err = errno;
  const DWORD attributes = GetFileAttributesA(path);
  const bool directory =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return directory ? EISDIR : err;
}

unsigned chunk(std::size_t size) { return static_cast<unsigned>(size < INT_MAX ? size : INT_MAX); }

} // namespace

void prepare_process() {
  for (int fd = 0; fd <= 2; ++fd) {
    hold_if_closed(fd);
  }
  // Error lines end in a bare LF, as everywhere; stdout keeps the console's CR LF.
  _setmode(_fileno(stderr), _O_BINARY);
}

int open_for_reading(const char *path, bool /*no_wait*/, int &fd) {
  fd = _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  return fd < 0 ? open_failure(path) : 0;
}

int create_for_writing(const char *path, int &fd) {
  fd = _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  return fd < 0 ? open_failure(path) : 0;
}

long read_some(int fd, char *data, std::size_t size) {
  for (;;) {
    const int got = _read(fd, data, chunk(size));
    if (got >= 0) {
      return got;
    }
    if (errno != EINTR) {
      return -errno;
    }
  }
}

int write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const int put = _write(fd, bytes.data(), chunk(bytes.size()));
    if (put < 0 && errno != EINTR) {
      return errno;
    }
    if (put == 0) {
      return EIO;
    }
    bytes.remove_prefix(put > 0 ? static_cast<std::size_t>(put) : 0);
  }
  return 0;
}

int close_descriptor(int fd) { return _close(fd) == 0 ? 0 : errno; }

/// A real console only: _isatty also holds for the NUL device.
bool is_terminal(int fd) {
  DWORD mode = 0;
  return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), &mode) != 0;
}

std::string describe_error(int err) { return std::strerror(err); }

ConsoleFacts console_facts() {
  DWORD ids[2];
  ConsoleFacts facts;
  facts.processes_on_console = GetConsoleProcessList(ids, 2);
  facts.input_is_console = is_terminal(kStdin);
  return facts;
}

bool is_native_help_switch(std::string_view arg) { return arg == "/?"; }

} // namespace tarvello::platform
