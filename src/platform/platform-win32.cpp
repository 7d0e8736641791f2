#include "platform/platform.h"

#include <windows.h>

#include <shellapi.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <iostream>
#include <streambuf>
#include <string>
#include <sys/stat.h>

namespace tarvello::platform {

namespace {

/// Error codes of the system are its own; an errno of the C runtime for a
/// failure the system did not report is kept apart, above every system code.
constexpr int kFromErrno = 1 << 24;

int from_errno(int err) { return kFromErrno + err; }

/// The code of the failure the C runtime just reported: the system's own when
/// it came from the system, as _doserrno then holds it, else its errno.
int crt_failure() { return _doserrno != 0 ? static_cast<int>(_doserrno) : from_errno(errno); }

/// Calls a C runtime function with _doserrno cleared, so crt_failure() tells
/// a failure of the system from one of the runtime alone.
template <typename Call> auto fresh(Call call) {
  _doserrno = 0;
  return call();
}

HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

/// A standard descriptor with no handle: closed, or never given one (-2, as a
/// process started without standard handles has).
bool has_no_handle(int fd) {
  const intptr_t handle = _get_osfhandle(fd);
  return handle == -1 || handle == -2;
}

int hold_if_closed(int fd) {
  if (!has_no_handle(fd)) {
    return 0;
  }
  const int stand_in = fresh([] { return _open("NUL", _O_RDONLY | _O_BINARY | _O_NOINHERIT); });
  if (stand_in < 0) {
    return crt_failure();
  }
  if (stand_in != fd) {
    const int moved = fresh([&] { return _dup2(stand_in, fd); });
    const int err = moved != 0 ? crt_failure() : 0;
    _close(stand_in);
    return err;
  }
  return 0;
}

/// Asks the system by the calls that also answer for a handle that another
/// system handed down, as wine's standard handles are.
FileId id_of(HANDLE handle) {
  FILE_ID_INFO info{};
  if (GetFileType(handle) != FILE_TYPE_DISK ||
      GetFileInformationByHandleEx(handle, FileIdInfo, &info, sizeof info) == 0) {
    return {};
  }
  std::uint64_t halves[2];
  std::memcpy(halves, info.FileId.Identifier, sizeof halves);
  return {info.VolumeSerialNumber, halves[0] ^ halves[1], true};
}

/// The run's new file, which a stop removes while `armed`. The handler runs on
/// a thread of its own, so it waits while the run names a new file and only
/// then looks; the file is open with delete sharing, so it can be removed
/// while the run still writes it, and ending the process closes it.
char removed_on_stop[64];
volatile LONG armed = 0;
SRWLOCK naming = SRWLOCK_INIT;

BOOL WINAPI stop(DWORD event) {
  AcquireSRWLockExclusive(&naming);
  if (armed == 0 || !console_event_ends_run(event)) {
    ReleaseSRWLockExclusive(&naming);
    return FALSE; // the system's own handling ends the process
  }
  DeleteFileA(removed_on_stop);
  TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

/// Marks the file open as `handle` to be deleted when it is closed, or takes the mark back.
bool set_vanishing(HANDLE handle, bool vanishing) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = vanishing ? TRUE : FALSE;
  return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

Stamp stamp_of_handle(HANDLE handle) {
  FILE_BASIC_INFO info{};
  LARGE_INTEGER size{};
  if (GetFileType(handle) != FILE_TYPE_DISK ||
      GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info) == 0 ||
      (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || GetFileSizeEx(handle, &size) == 0) {
    return {};
  }
  const std::int64_t ticks = info.LastWriteTime.QuadPart; // 100-nanosecond steps from 1601
  return {size.QuadPart, ticks / 10000000, ticks % 10000000 * 100, true};
}

/// Windows refuses to open a directory as a denied access; say what it is.
int open_failure(const char *path) {
  const int err = crt_failure();
  const DWORD attributes = GetFileAttributesA(path);
  const bool directory =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return directory ? from_errno(EISDIR) : err;
}

unsigned chunk(std::size_t size) { return static_cast<unsigned>(size < INT_MAX ? size : INT_MAX); }

int write_some(int fd, std::string_view &bytes) {
  const int put = fresh([&] { return _write(fd, bytes.data(), chunk(bytes.size())); });
  if (put < 0) {
    return crt_failure();
  }
  if (put == 0) {
    return ERROR_WRITE_FAULT; // no progress and no reason: retrying could spin forever
  }
  bytes.remove_prefix(static_cast<std::size_t>(put));
  return 0;
}

/// Text of the system, read as wide characters, in UTF-8: every message is
/// UTF-8 until a console window shows it.
std::string utf8_of(const wchar_t *text, int size) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
  std::string converted(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, size, converted.data(), bytes, nullptr, nullptr);
  return converted;
}

/// Standard error in a console window: each flushed line, UTF-8, is written
/// as wide characters, so a name in any script shows as Explorer shows it.
/// Redirected, standard error keeps its bytes, which are UTF-8.
class ConsoleErrors : public std::streambuf {
protected:
  int overflow(int c) override {
    text_ += static_cast<char>(c);
    return c;
  }
  std::streamsize xsputn(const char *text, std::streamsize size) override {
    text_.append(text, static_cast<std::size_t>(size));
    return size;
  }
  int sync() override {
    const int size = static_cast<int>(text_.size());
    std::wstring wide(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text_.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text_.data(), size, wide.data(), static_cast<int>(wide.size()));
    DWORD written = 0;
    const bool whole = WriteConsoleW(GetStdHandle(STD_ERROR_HANDLE), wide.data(),
                                     static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
    text_.clear();
    return whole ? 0 : -1;
  }

private:
  std::string text_;
};

/// Standard input in a console window, read as wide characters and handed on
/// as UTF-8, so an answer typed in any script is shown as typed. As the C
/// runtime reads a console: CR LF ends a line as LF, and Ctrl-Z ends the input.
long read_typed(char *data, std::size_t size) {
  static bool ended = false;
  std::wstring wide(size / 3, L'\0'); // three bytes of UTF-8 at most for each
  DWORD got = 0;
  if (ended || wide.empty()) {
    return 0;
  }
  if (ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), wide.data(), static_cast<DWORD>(wide.size()), &got,
                   nullptr) == 0) {
    return -static_cast<long>(GetLastError());
  }
  wide.resize(got);
  if (const std::size_t stop = wide.find(L'\x1a'); stop != std::wstring::npos) {
    wide.resize(stop);
    ended = true;
  }
  for (std::size_t cr = wide.find(L"\r\n"); cr != std::wstring::npos; cr = wide.find(L"\r\n", cr)) {
    wide.erase(cr, 1);
  }
  const std::string text = utf8_of(wide.data(), static_cast<int>(wide.size()));
  std::memcpy(data, text.data(), text.size());
  return static_cast<long>(text.size());
}

/// The console window's own input, opened once: standard input may be a file
/// or have ended.
HANDLE console_input() {
  static const HANDLE input =
      CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  return input;
}

} // namespace

int prepare_process() {
  for (int fd = 0; fd <= kStderr; ++fd) {
    if (const int err = hold_if_closed(fd); err != 0) {
      return err;
    }
  }
  // Standard error stays in text mode: its lines end in CR LF, as standard output's do.
  DWORD mode = 0;
  if (GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0) {
    static ConsoleErrors console_errors;
    std::cerr.rdbuf(&console_errors);
  }
  return 0;
}

int open_for_reading(const char *path, bool /*no_wait*/, int &fd) {
  fd = fresh([&] { return _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT); });
  return fd < 0 ? open_failure(path) : 0;
}

int create_unnamed_file(int &) { return ERROR_NOT_SUPPORTED; } // every file here has a name

bool no_unnamed_files(int err) { return err == ERROR_NOT_SUPPORTED; }

int create_new_file(const char *path, int &fd) {
  if (std::strlen(path) >= sizeof removed_on_stop) {
    return ERROR_FILENAME_EXCED_RANGE;
  }
  static const bool installed = SetConsoleCtrlHandler(stop, TRUE) != 0;
  (void)installed;                  // without it, an event ends the process as the system would
  AcquireSRWLockExclusive(&naming); // a console event now waits until the handler knows the name
  const HANDLE handle = CreateFileA(path, GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  int err = handle == INVALID_HANDLE_VALUE ? static_cast<int>(GetLastError()) : 0;
  // Gone when its handle closes, however the process ends. Where the file system cannot, a stop still removes
  // it.
  (void)(err == 0 && set_vanishing(handle, true));
  if (err == 0) {
    fd = fresh([&] { return _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY); });
    err = fd < 0 ? crt_failure() : 0;
  }
  if (err == 0) {
    std::strcpy(removed_on_stop, path);
    armed = 1;
  } else if (handle != INVALID_HANDLE_VALUE) {
    CloseHandle(handle);
  }
  ReleaseSRWLockExclusive(&naming);
  return err;
}

int name_new_file(int, const char *) { return ERROR_NOT_SUPPORTED; } // never unnamed: nothing to name

int keep_new_file(int fd) {
  return set_vanishing(handle_of(fd), false) ? 0 : static_cast<int>(GetLastError());
}

void forget_new_file() {
  AcquireSRWLockExclusive(&naming);
  armed = 0;
  ReleaseSRWLockExclusive(&naming);
}

NameFacts examine_name(const char *path) {
  NameFacts facts;
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const int err = static_cast<int>(GetLastError());
    facts.err = is_missing(err) ? 0 : err;
  } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    facts.kind = NameFacts::Kind::link; // a symbolic link or a junction
  } else if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    facts.kind = NameFacts::Kind::other;
    facts.err = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? from_errno(EISDIR) : 0;
  } else {
    facts.kind = NameFacts::Kind::regular;
    facts.err = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? ERROR_ACCESS_DENIED : 0;
  }
  return facts;
}

Carry carry_over(int, const NameFacts &) { return {}; } // a new file takes its folder's permissions

int replace_file(const char *from, const char *to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0
             ? 0
             : static_cast<int>(GetLastError());
}

int sync_file(int fd) {
  return fresh([&] { return _commit(fd); }) == 0 ? 0 : crt_failure();
}

int sync_working_folder() { return 0; } // the replacement was written through

int remove_file(const char *path) {
  return fresh([&] { return _unlink(path); }) == 0 ? 0 : crt_failure();
}

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

Stamp stamp_of(int fd) { return stamp_of_handle(handle_of(fd)); }

Stamp stamp_of(const char *path) {
  const HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return {};
  }
  const Stamp stamp = stamp_of_handle(handle);
  CloseHandle(handle);
  return stamp;
}

int set_modification_time(const char *path, const Stamp &time) {
  const HANDLE handle =
      CreateFileA(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return static_cast<int>(GetLastError());
  }
  const auto ticks = static_cast<std::uint64_t>(time.seconds * 10000000 + time.nanoseconds / 100);
  const FILETIME written{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  const int err = SetFileTime(handle, nullptr, nullptr, &written) != 0 ? 0 : static_cast<int>(GetLastError());
  CloseHandle(handle);
  return err;
}

long read_some(int fd, char *data, std::size_t size) {
  if (fd == kStdin && is_terminal(kStdin)) {
    return read_typed(data, size);
  }
  const int got = fresh([&] { return _read(fd, data, chunk(size)); });
  if (got >= 0) {
    return got;
  }
  // A pipe whose writer has gone is the end of the input, as on POSIX.
  return _doserrno == ERROR_BROKEN_PIPE ? 0 : -static_cast<long>(crt_failure());
}

int write_all(int fd, std::string_view bytes) {
  int err = 0;
  while (!bytes.empty() && err == 0) {
    err = write_some(fd, bytes);
  }
  return err;
}

int close_descriptor(int fd) {
  return fresh([&] { return _close(fd); }) == 0 ? 0 : crt_failure();
}

/// A real console only: _isatty also holds for the NUL device.
bool is_terminal(int fd) {
  DWORD mode = 0;
  return GetConsoleMode(handle_of(fd), &mode) != 0;
}

std::string describe_error(int err) {
  if (err == from_errno(EISDIR)) {
    return "a folder"; // which Windows refuses as a denied access, with no word of its own
  }
  if (err >= kFromErrno) {
    return std::strerror(err - kFromErrno);
  }
  wchar_t *text = nullptr;
  const DWORD size = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(err), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
  std::string described = size > 0 ? utf8_of(text, static_cast<int>(size)) : "";
  LocalFree(text);
  while (!described.empty() && (described.back() == '\n' || described.back() == '\r' ||
                                described.back() == ' ' || described.back() == '.')) {
    described.pop_back(); // one line, and no full stop before what follows it
  }
  return described.empty() ? "error " + std::to_string(err) : described;
}

bool is_missing(int err) {
  return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == from_errno(ENOENT);
}

bool may_be_held_open(int err) { return err == ERROR_ACCESS_DENIED || err == ERROR_SHARING_VIOLATION; }

bool already_exists(int err) {
  return err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS || err == from_errno(EEXIST);
}

bool lies_with_the_system(int err) {
  switch (err) {
  case 0:
  case ERROR_FILE_NOT_FOUND:
  case ERROR_PATH_NOT_FOUND:
  case ERROR_ACCESS_DENIED:
  case ERROR_SHARING_VIOLATION:
  case ERROR_LOCK_VIOLATION:
  case ERROR_INVALID_NAME:
  case ERROR_FILENAME_EXCED_RANGE:
  case ERROR_DIRECTORY:
  case ERROR_CANT_RESOLVE_FILENAME:
  case kFromErrno + ENOENT:
  case kFromErrno + EACCES:
  case kFromErrno + EISDIR:
    return false;
  default:
    return true;
  }
}

std::string native_path(std::string_view path) {
  std::string native(path);
  for (char &c : native) {
    c = c == '/' ? '\\' : c;
  }
  return native;
}

std::string working_folder() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(size, L'\0');
  const DWORD got = size > 0 ? GetCurrentDirectoryW(size, folder.data()) : 0;
  return got > 0 && got < size ? utf8_of(folder.data(), static_cast<int>(got)) : std::string();
}

int change_folder(const char *path) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path, -1, wide.data(), size);
  return SetCurrentDirectoryW(wide.c_str()) != 0 ? 0 : static_cast<int>(GetLastError());
}

std::vector<std::string> arguments(int argc, const char *const *argv) {
  int count = 0;
  wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {
    return {argv + (argc > 0 ? 1 : 0), argv + argc}; // the system's own reading, in its code page
  }
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) {
    args.push_back(utf8_of(wide[i], static_cast<int>(std::wcslen(wide[i]))));
  }
  LocalFree(wide);
  return args;
}

HelpWords help_words() {
  return {"Usage: tarvello [FOLDER | FOLDER\\ai.obj] | [--help | -h | /? | --version]",
          "README.txt, which comes with the tool"};
}

ConsoleFacts console_facts() {
  DWORD ids[2];
  ConsoleFacts facts;
  facts.processes_on_console = GetConsoleProcessList(ids, 2);
  facts.input_is_console = is_terminal(kStdin);
  return facts;
}

void drop_console_input() {
  if (console_input() != INVALID_HANDLE_VALUE) {
    FlushConsoleInputBuffer(console_input());
  }
}

long read_console_input(char *data, std::size_t size) {
  DWORD got = 0;
  if (console_input() == INVALID_HANDLE_VALUE ||
      ReadConsoleA(console_input(), data, static_cast<DWORD>(size), &got, nullptr) == 0) {
    return -1;
  }
  return static_cast<long>(got);
}

bool is_native_help_switch(std::string_view arg) { return arg == "/?"; }

bool is_option(std::string_view arg) { return !arg.empty() && (arg.front() == '-' || arg.front() == '/'); }

} // namespace tarvello::platform
