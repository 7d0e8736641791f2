#pragma once

// Everything the tool asks of the operating system, behind plain functions.
// platform-posix.cpp and platform-win32.cpp hold the two versions; the build
// picks one, and no other file tests which platform it is built for.
//
// An error code here is the platform's own: an errno value on POSIX; on
// Windows the system's error code, or, for a failure that only the C runtime
// saw, its errno value, kept apart. Only these functions read one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvello::platform {

constexpr int kStdin = 0;
constexpr int kStdout = 1;
constexpr int kStderr = 2;

/// Makes the process safe to run however it was started: a closed standard
/// descriptor, or on Windows one with no handle at all, is held by a
/// stand-in, so no file the run opens can take its place (input reads as
/// ended, output fails to write); and a write to a pipe whose reader has gone,
/// or past the file-size limit, fails like any other write instead of ending
/// the process. Returns 0, or the error code of a stand-in that could not be
/// made: the process must then end, as a file it opens could become a
/// standard descriptor.
int prepare_process();

/// Opens `path` for reading as bytes, not inherited by child processes. With
/// `no_wait`, the open returns at once even for a FIFO with no writer. Returns
/// 0 and sets `fd`, or returns the error code of the failure; a directory
/// fails as "Is a directory" here or at its first read.
int open_for_reading(const char *path, bool no_wait, int &fd);

/// Makes a new file with no name in the working folder, for writing as
/// bytes, readable and writable by this user alone, not inherited by child
/// processes: nothing is left of it if the process dies before name_new_file
/// gives it a name. Returns 0 and sets `fd`, or the error code; one that
/// no_unnamed_files() knows where the file system cannot hold such a file.
int create_unnamed_file(int &fd);
bool no_unnamed_files(int err);

/// Makes the new file `path`, as create_unnamed_file does but with a name:
/// never an existing name (not even a link that leads nowhere). A taken name
/// gives an error code that already_exists() knows.
int create_new_file(const char *path, int &fd);
/// Gives the unnamed file open as `fd` the new name `path`. Returns 0 or the
/// error code, as create_new_file does.
int name_new_file(int fd, const char *path);
/// From the moment a new file has a name through create_new_file or
/// name_new_file until forget_new_file(), a stop that would end the process
/// removes it first (the name is shorter than 64 bytes): every signal whose
/// default ends the process, and on Windows every console event that ends
/// it. A signal that was ignored, or had a handler, when the process started
/// keeps it.
void forget_new_file();
/// Keeps the new file open as `fd` once it is closed. On Windows a new file
/// is made to vanish when its handle closes, so that even a process ended
/// from Task Manager leaves nothing; this takes that back just before the
/// rename. Returns 0 or the error code.
int keep_new_file(int fd);

/// What stands at a name, looked at without following a link there.
struct NameFacts {
  enum class Kind { missing, regular, link, other };
  Kind kind = Kind::missing;
  /// Why it may not be replaced when the system says why: a directory, no
  /// permission to write it, or a failure to look at it. 0 otherwise.
  int err = 0;
  bool others = false;      ///< a regular file of another user, whose place this user may not take
  bool mount_point = false; ///< a file mounted there, which no rename can replace
  std::uint32_t mode = 0;   ///< a regular file's permission bits, where the platform has them
  std::uint32_t owner = 0;  ///< its owner and group, where the platform has them
  std::uint32_t group = 0;
  /// Its extended attributes, names and values, the access list among them,
  /// where the platform has them; those the system sets itself are left out.
  std::vector<std::pair<std::string, std::string>> attributes;
};
NameFacts examine_name(const char *path);

/// What carry_over could not give the new file.
struct Carry {
  enum class Part { none, permissions, owner, group, access_list, attribute };
  Part part = Part::none;
  int err = 0;
  std::string attribute; ///< the attribute's name, for Part::attribute
};
/// Gives the new file open as `fd` what the platform keeps of `from`, the
/// regular file it replaces: its permission bits, access list and extended
/// attributes, and its group where this user may set it, or for the
/// superuser its owner and group too. With nothing to replace, the
/// permissions a new file gets here. Never leaves the new file open to more
/// users than `from` was: a group that cannot be kept fails when the group
/// may use the file.
Carry carry_over(int fd, const NameFacts &from);

/// Puts the file `from` in the place of `to` in one step: a name that stands
/// at `to` is replaced, never written through, and its other hard links keep
/// their content. Returns 0 or the error code.
int replace_file(const char *from, const char *to);

/// Makes what the file open as `fd` holds, or the working folder's names,
/// last through a loss of power. Returns 0 or the error code; a folder whose
/// file system cannot do it has nothing to make last.
int sync_file(int fd);
int sync_working_folder();

/// Removes the file `path`. Returns 0 or the error code.
int remove_file(const char *path);

/// Whether the Windows console event with this code ends the run, which then
/// removes its new file: Ctrl-C (0), Ctrl-Break (1), a closed window (2), a
/// logoff (5) or a shutdown (6). Here, not with the Windows code, so that every
/// build's tests check it.
constexpr bool console_event_ends_run(unsigned long code) { return code <= 2 || code == 5 || code == 6; }

/// A regular file's size and modification time, as the file system itself
/// holds them now, past any cache of its attributes. Unknown for what is not
/// a regular file, and then equal to another unknown.
struct Stamp {
  std::int64_t size = 0;
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;
  bool known = false;
  bool operator==(const Stamp &other) const {
    return known == other.known && size == other.size && seconds == other.seconds &&
           nanoseconds == other.nanoseconds;
  }
  bool operator!=(const Stamp &other) const { return !(*this == other); }
};
Stamp stamp_of(int fd);
/// The same through `path`, following links.
Stamp stamp_of(const char *path);
/// Sets the modification time of the regular file `path` to that of `time`.
/// Returns 0 or the error code.
int set_modification_time(const char *path, const Stamp &time);

/// What tells two names or descriptors of one file: its device and its index
/// there. Unknown (never equal to another) for what is not a file or a FIFO.
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t index = 0;
  bool known = false;
  bool operator==(const FileId &other) const {
    return known && other.known && device == other.device && index == other.index;
  }
};
FileId file_id(int fd);
/// The same through `path`, following links; unknown when it leads nowhere.
FileId file_id(const char *path);

/// Reads up to `size` bytes, retrying a call interrupted by a signal, and
/// waiting on a standard descriptor that was handed out non-blocking. Returns
/// the count (0 at the end) or minus the error code.
long read_some(int fd, char *data, std::size_t size);

/// Writes all of `bytes`, retrying interrupted and partial writes, and waiting
/// on a standard descriptor that was handed out non-blocking. Returns 0 or the
/// error code.
int write_all(int fd, std::string_view bytes);

/// Closes `fd`. Returns 0 or the error code, which may report a lost write.
int close_descriptor(int fd);

/// True when `fd` is a terminal, where a person can answer again.
bool is_terminal(int fd);

/// The system's description of an error code, in its own words.
std::string describe_error(int err);
/// Whether `err` says that a file or a folder on its path does not exist.
bool is_missing(int err);
/// Whether `err`, from a replacement of a file that is not read-only, may mean
/// that another program holds the file open, as Windows then refuses it.
bool may_be_held_open(int err);
/// Whether `err` says that a name exists already.
bool already_exists(int err);
/// Whether `err` lies with the system (too many open files, no memory, a
/// failing disk) rather than with a file, which may be missing, forbidden,
/// held by another program or of the wrong kind.
bool lies_with_the_system(int err);

/// `path`, written with "/" between its parts, as this platform writes it.
std::string native_path(std::string_view path);
/// The working folder in full, as this platform writes it; empty when it
/// cannot be told.
std::string working_folder();

/// Makes `path`, UTF-8, the working folder. Returns 0 or the error code.
int change_folder(const char *path);

/// The command-line arguments after the tool's name, in UTF-8: on Windows
/// read again as wide characters, so a name in any script comes through.
std::vector<std::string> arguments(int argc, const char *const *argv);

/// How --help spells its switches and names the full documentation here.
struct HelpWords {
  std::string_view usage;         ///< such as "Usage: tarvello [--help | -h | --version]"
  std::string_view documentation; ///< where the installed manual is, such as "the man page, man tarvello"
};
HelpWords help_words();

/// What decides whether a double-clicked tool keeps its window open.
struct ConsoleFacts {
  unsigned processes_on_console = 0; ///< 0 when there is no console to ask
  bool input_is_console = false;
};
ConsoleFacts console_facts();

/// Drops what was typed into the console window and not yet read. The
/// console's own input, not standard input: it may have ended or be a file.
void drop_console_input();
/// Reads what is typed into the console window itself. Returns the count of
/// bytes, or -1 when there is no console to read.
long read_console_input(char *data, std::size_t size);

/// True for an argument that asks for help in this platform's own spelling
/// besides --help, such as /? on Windows.
bool is_native_help_switch(std::string_view arg);

/// True for an argument written as an option in this platform's spelling:
/// beginning with "-", or on Windows also "/".
bool is_option(std::string_view arg);

} // namespace tarvello::platform
