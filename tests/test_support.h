#pragma once

#include <filesystem>
#include <string>

namespace tarvello::testing {

/// A fresh scratch directory, removed at the end unless the test failed, so a
/// failing end-to-end run can be looked at afterwards.
class ScratchDir {
public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;

  const std::filesystem::path &path() const { return path_; }
  void write(const std::string &name, const std::string &bytes) const;
  std::string read(const std::string &name) const;
  /// Writes the four reference tables, empty unless given.
  void write_tables(const std::string &function = "", const std::string &handler = "",
                    const std::string &push_event = "", const std::string &fetch_id = "") const;

private:
  std::filesystem::path path_;
};

/// What a run must leave in a file: these exact bytes, no file at all, or
/// anything (a device, or a file the case is not about).
class Expected {
public:
  Expected(std::string bytes) : kind_(Kind::bytes), bytes_(std::move(bytes)) {} // NOLINT: cases give text
  Expected(const char *bytes) : Expected(std::string(bytes)) {}                 // NOLINT: the same
  static Expected absent() { return Expected(Kind::absent); }
  static Expected not_checked() { return Expected(Kind::not_checked); }

  /// Checks the file `name` in `dir` as a test expectation.
  void check(const ScratchDir &dir, const std::string &name) const;

private:
  enum class Kind { bytes, absent, not_checked };
  explicit Expected(Kind kind) : kind_(kind) {}
  Kind kind_;
  std::string bytes_;
};

/// How many named new files, "ai_fixed.obj.RANDOM.part", stand in `dir`.
int new_files_left(const ScratchDir &dir);

struct ToolRun {
  int status = -1;
  std::string out;
  /// stderr; from the Windows build read as the other builds write it, with
  /// LF line ends and "/" in the tables' paths, so one expectation serves both
  std::string err;
  std::string raw_err; ///< stderr exactly as written
};

/// Whether the tests run the Windows build (under wine).
bool windows_build();

/// A cause in the words of the system that the tested build runs on.
std::string cause(const std::string &posix, const std::string &windows);

/// The folder `dir` as the tested build writes it.
std::string folder_as_written(const ScratchDir &dir);

/// How the shell starts the tool, beyond its folder and its answers.
struct Shell {
  std::string args;
  std::string setup;   ///< commands before it, such as "ulimit -f 8;"
  std::string wrapper; ///< a command that runs it, such as "timeout 10"
  std::string input;   ///< stdin instead of the answers, such as "<&-" for closed
  std::string output;  ///< stdout instead of a file: ">&-" for closed, or "| head -c 1" for a pipe
  std::string error;   ///< stderr instead of a file, such as "2>vars/handler.txt"
  std::string program; ///< a program that starts the tool instead of the tool itself
};

/// Runs the built tool in `dir` with `answers` on its standard input.
ToolRun run_tool(const ScratchDir &dir, const std::string &answers, const Shell &shell = {});

/// Joins lines, each ended by CR LF, as a listing or table file holds them.
std::string crlf(std::initializer_list<std::string> lines);

/// A listing: the line "H", then `count` times `line`, each ended by CR LF.
std::string listing_of(std::size_t count, const std::string &line);

/// The console output of a run that reached the end: banner, both prompts and
/// `passes` progress messages.
std::string screen_after(int passes);

} // namespace tarvello::testing
