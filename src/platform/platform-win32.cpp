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

int hold_if_closed(int fd) {
  if (_get_osfhandle(fd) != -1) {
    return 0;
  }
  const int stand_in = _open("NUL", _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (stand_in < 0) {
    return errno;
  }
  if (stand_in != fd) {
    const int moved = _dup2(stand_in, fd);
    _close(stand_in);
    if (moved != 0) {
      return errno;
    }
  }
  return 0;
}

HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

bool is_disk_file(int fd) { return GetFileType(handle_of(fd)) == FILE_TYPE_DISK; }

FileId id_of(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(handle) != FILE_TYPE_DISK || GetFileInformationByHandle(handle, &info) == 0) {
    return {};
  }
  return {info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow, true};
}

/// Writes and the emptying at a stop exclude each other, so nothing is
/// written after the output is emptied: the stop runs on a thread of its own.
SRWLOCK writing = SRWLOCK_INIT;
volatile LONG emptied_on_stop = -1;

BOOL WINAPI stop(DWORD event) {
  if (emptied_on_stop < 0 || event > CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  AcquireSRWLockExclusive(&writing); // held until the process ends
  _chsize_s(static_cast<int>(emptied_on_stop), 0);
  TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
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

int prepare_process() {
  for (int fd = 0; fd <= kStderr; ++fd) {
    if (const int err = hold_if_closed(fd); err != 0) {
      return err;
    }
  }
  // Error lines end in a bare LF, as everywhere; stdout keeps the console's CR LF.
  _setmode(_fileno(stderr), _O_BINARY);
  return 0;
}

int open_for_reading(const char *path, bool /*no_wait*/, int &fd) {
  fd = _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  return fd < 0 ? open_failure(path) : 0;
}

int open_for_writing(const char *path, bool create, int &fd) {
  fd = _open(path, _O_WRONLY | _O_BINARY | _O_NOINHERIT | (create ? _O_CREAT | _O_EXCL : 0),
             _S_IREAD | _S_IWRITE);
  return fd < 0 ? open_failure(path) : 0;
}

int empty_file(int fd) { return !is_disk_file(fd) ? 0 : _chsize_s(fd, 0); }

int lock_file(int fd) {
  if (!is_disk_file(fd)) {
    return 0;
  }
  OVERLAPPED from_start{};
  if (LockFileEx(handle_of(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                 &from_start) != 0) {
    return 0;
  }
  return GetLastError() == ERROR_LOCK_VIOLATION ? kLockedElsewhere : ENOLCK;
}

int remove_file(const char *path) { return _unlink(path) == 0 ? 0 : errno; }

FileId file_id(int fd) { return id_of(handle_of(fd)); }

FileId file_id(const char *path) {
  const HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return {};
  }
  const FileId id = id_of(handle);
  CloseHandle(handle);
  return id;
}

void empty_on_stop(int fd) {
  emptied_on_stop = fd;
  static bool installed = false;
  if (!installed && fd >= 0) {
    installed = SetConsoleCtrlHandler(stop, TRUE) != 0;
  }
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

namespace {

int write_some(int fd, std::string_view &bytes) {
  const int put = _write(fd, bytes.data(), chunk(bytes.size()));
  if (put < 0 && errno != EINTR) {
    return errno;
  }
  if (put == 0) {
    return EIO;
  }
  bytes.remove_prefix(put > 0 ? static_cast<std::size_t>(put) : 0);
  return 0;
}

} // namespace

int write_all(int fd, std::string_view bytes) {
  AcquireSRWLockExclusive(&writing);
  int err = 0;
  while (!bytes.empty() && err == 0) {
    err = write_some(fd, bytes);
  }
  ReleaseSRWLockExclusive(&writing);
  return err;
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

bool is_option(std::string_view arg) { return !arg.empty() && (arg.front() == '-' || arg.front() == '/'); }

} // namespace tarvello::platform
