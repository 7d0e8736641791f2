#pragma once

// Everything the tool asks of the operating system, behind plain functions.
// platform-posix.cpp and platform-win32.cpp hold the two versions; the build
// picks one, and no other file tests which platform it is built for.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvello::platform {

constexpr int kStdin = 0;
constexpr int kStdout = 1;

/// Makes the process safe to run however it was started: a closed standard
/// descriptor is held by a stand-in, so no file the run opens can take its
/// place (input reads as ended, output fails to write); a write to a pipe
/// whose reader has gone, or past the file-size limit, fails like any other
/// write instead of ending the process; and error lines are written as bytes.
void prepare_process();

/// Opens `path` for reading as bytes, not inherited by child processes. With
/// `no_wait`, the open returns at once even for a FIFO with no writer. Returns
/// 0 and sets `fd`, or returns the errno of the failure; a directory fails
/// with EISDIR here or at its first read.
int open_for_reading(const char *path, bool no_wait, int &fd);

/// Creates or empties `path` for writing as bytes. Returns 0 or the errno.
int create_for_writing(const char *path, int &fd);

/// Reads up to `size` bytes, retrying a call interrupted by a signal. Returns
/// the count (0 at the end) or minus the errno.
long read_some(int fd, char *data, std::size_t size);

/// Writes all of `bytes`, retrying interrupted and partial writes. Returns 0
/// or the errno.
int write_all(int fd, std::string_view bytes);

/// Closes `fd`. Returns 0 or the errno, which may report a lost write.
int close_descriptor(int fd);

/// True when `fd` is a terminal, where a person can answer again.
bool is_terminal(int fd);

/// The system's description of an errno value.
std::string describe_error(int err);

/// What decides whether a double-clicked tool keeps its window open.
struct ConsoleFacts {
  unsigned processes_on_console = 0; ///< 0 when there is no console to ask
  bool input_is_console = false;
};
ConsoleFacts console_facts();

/// True for an argument that asks for help in this platform's own spelling
/// besides --help, such as /? on Windows.
bool is_native_help_switch(std::string_view arg);

} // namespace tarvello::platform
