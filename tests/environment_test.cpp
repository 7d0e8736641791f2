// Whole runs in a misbehaving environment: links, closed descriptors, signals,
// FIFOs and failing calls, the last injected with strace. POSIX only.
#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace tarvello {
namespace {

namespace fs = std::filesystem;
using testing::crlf;
using testing::listing_of;
using testing::run_tool;
using testing::ScratchDir;
using testing::screen_after;
using testing::Shell;

const std::string kCall = "\tfunc_call\t0x0001\tOpenGate";
const std::string kCallFixed = "\tfunc_call\t0x0105\tOpenGate";
const testing::Expected kNotChecked = testing::Expected::not_checked();
const std::string kBannerAndPrompt = screen_after(0).substr(0, screen_after(0).find("(Lxx): ") + 7);

struct EnvironmentCase {
  const char *name;
  std::string listing;
  std::function<void(const ScratchDir &, Shell &)> setup;
  int status;
  std::string err;
  testing::Expected fixed; // ai_fixed.obj afterwards
  std::function<void(const ScratchDir &, const testing::ToolRun &)> then = [](const ScratchDir &,
                                                                              const testing::ToolRun &) {};
  int new_files_left = 0; ///< only SIGKILL leaves the run's new file
};

/// stderr without the note strace makes of each path it resolves, and the
/// shell's own word on a command that a signal ended.
std::string without_strace_notes(const std::string &err) {
  std::string kept;
  for (std::size_t at = 0, end = 0; at < err.size(); at = end) {
    end = std::min(err.find('\n', at), err.size() - 1) + 1;
    const std::string line = err.substr(at, end - at);
    if (line.rfind("strace: ", 0) != 0 && line.rfind("Real-time signal ", 0) != 0 && line != "Terminated\n" &&
        line != "Quit\n" && line != "Killed\n" && line != "Aborted\n") {
      kept += line;
    }
  }
  return kept;
}

/// What `command` prints, run in `dir`.
std::string output_of(const ScratchDir &dir, const std::string &command) {
  std::string printed;
  if (FILE *pipe = popen(("cd " + dir.path().string() + " && " + command).c_str(), "r")) {
    for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) {
      printed += static_cast<char>(c);
    }
    pclose(pipe);
  }
  return printed;
}

class Environment : public ::testing::TestWithParam<EnvironmentCase> {};

TEST_P(Environment, KeepsEveryPromise) {
  const EnvironmentCase &c = GetParam();
  const ScratchDir dir;
  dir.write("ai.obj", c.listing);
  dir.write_tables(crlf({kCallFixed}));
  Shell shell;
  c.setup(dir, shell);
  const auto run = run_tool(dir, "10 5\n", shell);
  EXPECT_EQ(run.status, c.status);
  EXPECT_EQ(without_strace_notes(run.err), c.err);
  EXPECT_EQ(dir.read("ai.obj"), c.listing);
  EXPECT_EQ(dir.read("vars/function.txt"), crlf({kCallFixed}));
  c.fixed.check(dir, "ai_fixed.obj");
  EXPECT_EQ(testing::new_files_left(dir), c.new_files_left);
  c.then(dir, run);
}

/// strace as the tool's wrapper, injecting `fault` into calls, or only into
/// those on `file` when one is named. LeakSanitizer cannot run under ptrace;
/// the other sanitizers still do.
std::string strace(const std::string &fault, const std::string &file = "") {
  return "ASAN_OPTIONS=detect_leaks=0 strace -qq -o /dev/null " + (file.empty() ? "" : "-P " + file + " ") +
         "-e inject=" + fault;
}

const testing::Expected kAbsent = testing::Expected::absent();

/// A run over an old ai_fixed.obj in which the system call `fault` fails.
void failing_over_old(const ScratchDir &dir, Shell &shell, const std::string &fault) {
  dir.write("ai_fixed.obj", "old");
  shell.wrapper = strace(fault);
}

/// A run over an old ai_fixed.obj that `signal` stops mid-run, at its fourth
/// write to the screen: the first block of progress lines, after the banner and
/// both prompts, when the new file is being written.
void stopped_by(const ScratchDir &dir, Shell &shell, const std::string &signal) {
  dir.write("ai_fixed.obj", "old");
  shell.setup = "ulimit -c 0;";
  shell.output = ">screen.txt";
  shell.wrapper = strace("write:signal=" + signal + ":when=4", "screen.txt");
}

/// The same where the folder can hold no unnamed file, so the new file has a name mid-run.
void stopped_in_named_file(const ScratchDir &dir, Shell &shell, const std::string &signal) {
  stopped_by(dir, shell, signal);
  shell.wrapper += " -P . -e inject=openat:error=EOPNOTSUPP:when=1..3+2";
}

/// A handler table that only a reader going past its first 4 KiB finds the line in.
const std::string kLongHandlers =
    listing_of(200, "\thandler 0x01 OnFiller_____") + "\thandler 0x2A OnOpen\r\n";

INSTANTIATE_TEST_SUITE_P(
    Posix, Environment,
    ::testing::Values(EnvironmentCase{"OutputIsASymbolicLinkToATable", "H\r\n",
                                      [](const ScratchDir &d, Shell &) {
                                        fs::create_symlink("vars/function.txt", d.path() / "ai_fixed.obj");
                                      },
                                      1, "tarvello: ai_fixed.obj is the same file as vars/function.txt\n",
                                      kNotChecked},
                      EnvironmentCase{
                          "OutputIsAHardLinkToATable", "H\r\n",
                          [](const ScratchDir &d, Shell &) {
                            fs::create_hard_link(d.path() / "vars/function.txt", d.path() / "ai_fixed.obj");
                          },
                          1, "tarvello: ai_fixed.obj is the same file as vars/function.txt\n", kNotChecked},
                      // Longer than a block, so a listing read as standard input would still hold
                      // answers.
                      EnvironmentCase{"StdinClosed", listing_of(25000, "7"),
                                      [](const ScratchDir &, Shell &s) { s.input = "<&-"; }, 1,
                                      "tarvello: standard input ended before a number was given\n",
                                      kNotChecked},
                      EnvironmentCase{"StdinAndStdoutClosed", "H\r\nL1",
                                      [](const ScratchDir &, Shell &s) {
                                        s.input = "<&-";
                                        s.output = ">&-";
                                      },
                                      1, "tarvello: cannot write standard output: Bad file descriptor\n", ""},
                      EnvironmentCase{"StdinFailsToRead", "H\r\nL1",
                                      [](const ScratchDir &d, Shell &s) {
                                        fs::create_directory(d.path() / "dir");
                                        s.input = "<dir";
                                      },
                                      1, "tarvello: cannot read standard input: Is a directory\n",
                                      kNotChecked},
                      EnvironmentCase{"PipeClosedEarly", listing_of(20000, "L1"),
                                      [](const ScratchDir &, Shell &s) { s.output = "| head -c 1"; }, 1,
                                      "tarvello: cannot write standard output: Broken pipe\n", kNotChecked},
                      EnvironmentCase{
                          "FileSizeLimit", listing_of(200, std::string(500, 'x')),
                          [](const ScratchDir &, Shell &s) { s.setup = "ulimit -f 8;"; }, 1,
                          "tarvello: cannot write ai_fixed.obj: File too large; ai_fixed.obj is now empty\n",
                          kNotChecked},
                      EnvironmentCase{"FifoTableMisses", crlf({"H", "\thandler 0x03 OnOpen"}),
                                      [](const ScratchDir &d, Shell &s) {
                                        fs::remove(d.path() / "vars/handler.txt");
                                        ASSERT_EQ(mkfifo((d.path() / "vars/handler.txt").c_str(), 0644), 0);
                                        s.wrapper = "timeout 20";
                                      },
                                      0,
                                      "tarvello: warning: vars/handler.txt: not a regular file\n"
                                      "tarvello: warning: vars/handler.txt: 1 reference line was "
                                      "kept, as the table "
                                      "cannot be read (not a regular file): ai.obj:2\n",
                                      crlf({"H", "\thandler 0x03 OnOpen", ""})},
                      EnvironmentCase{"TableLinksToTheOutputBeforeItExists", "H\r\n",
                                      [](const ScratchDir &d, Shell &) {
                                        fs::remove(d.path() / "vars/handler.txt");
                                        fs::create_symlink("../ai_fixed.obj", d.path() / "vars/handler.txt");
                                      },
                                      1, "tarvello: ai_fixed.obj is the same file as vars/handler.txt\n",
                                      kAbsent},
                      EnvironmentCase{"TableLinksThroughALinkToTheOutput", "H\r\n",
                                      [](const ScratchDir &d, Shell &) {
                                        fs::remove(d.path() / "vars/handler.txt");
                                        fs::create_symlink("../link", d.path() / "vars/handler.txt");
                                        fs::create_symlink("ai_fixed.obj", d.path() / "link");
                                      },
                                      1, "tarvello: ai_fixed.obj is the same file as vars/handler.txt\n",
                                      kAbsent},
                      EnvironmentCase{"OutputLinksToAMissingTable", "H\r\n",
                                      [](const ScratchDir &d, Shell &) {
                                        fs::remove(d.path() / "vars/handler.txt");
                                        fs::create_symlink("vars/handler.txt", d.path() / "ai_fixed.obj");
                                      },
                                      1, "tarvello: cannot replace ai_fixed.obj: a symbolic link\n",
                                      kNotChecked,
                                      [](const ScratchDir &d, const testing::ToolRun &) {
                                        EXPECT_FALSE(fs::exists(d.path() / "vars/handler.txt"));
                                      }},
                      // The output becomes a link to the listing while its replacement is held up.
                      EnvironmentCase{"OutputSwappedForALinkIsReplacedNotFollowed", "H\r\n",
                                      [](const ScratchDir &d, Shell &s) {
                                        d.write("ai_fixed.obj", "old");
                                        s.setup = "(sleep 0.5; ln -sf ai.obj ai_fixed.obj) &";
                                        s.wrapper = strace("rename:delay_enter=2000000:when=1");
                                      },
                                      0, "", "H\r\n\r\n"},
                      EnvironmentCase{"FifoOutputIsRefusedUnopened", "H\r\n",
                                      [](const ScratchDir &d, Shell &s) {
                                        ASSERT_EQ(mkfifo((d.path() / "ai_fixed.obj").c_str(), 0644), 0);
                                        s.wrapper = "timeout 20";
                                      },
                                      1, "tarvello: cannot replace ai_fixed.obj: not a regular file\n",
                                      kNotChecked,
                                      [](const ScratchDir &d, const testing::ToolRun &) {
                                        EXPECT_TRUE(fs::is_fifo(d.path() / "ai_fixed.obj"));
                                      }},
                      EnvironmentCase{"AnswersThatAreTheOutputAreRefused", "H\r\n",
                                      [](const ScratchDir &d, Shell &s) {
                                        d.write("answers.txt", "10 5\n");
                                        fs::create_hard_link(d.path() / "answers.txt",
                                                             d.path() / "ai_fixed.obj");
                                        s.input = "<answers.txt";
                                      },
                                      1, "tarvello: standard input is the same file as ai_fixed.obj\n",
                                      "10 5\n"},
                      // The report follows the last progress line where both go to one file.
                      EnvironmentCase{"ReportFollowsTheProgress", crlf({"H", "\tfunc_call\t0x1\tNone"}),
                                      [](const ScratchDir &, Shell &s) {
                                        s.output = ">>screen.txt";
                                        s.error = "2>>screen.txt";
                                      },
                                      0, "", crlf({"H", "\tfunc_call\t0x1\tNone", ""}),
                                      [](const ScratchDir &d, const testing::ToolRun &) {
                                        const std::string screen = d.read("screen.txt");
                                        EXPECT_EQ(screen.substr(screen.find("line 2")),
                                                  "line 2 done \ntarvello: warning: vars/function.txt: 1 "
                                                  "reference line found no match and was kept: ai.obj:2\n");
                                      }},
                      // All but the set-user-ID bit, which would pass a superuser's rights on.
                      EnvironmentCase{"ModeIsCarriedOver", "H\r\n",
                                      [](const ScratchDir &d, Shell &) {
                                        d.write("ai_fixed.obj", "old");
                                        fs::permissions(d.path() / "ai_fixed.obj", fs::perms(04640));
                                      },
                                      0, "", "H\r\n\r\n",
                                      [](const ScratchDir &d, const testing::ToolRun &) {
                                        EXPECT_EQ(fs::status(d.path() / "ai_fixed.obj").permissions(),
                                                  fs::perms(0640));
                                      }},
                      EnvironmentCase{"StdoutAppendsToTheListing", "H\r\n",
                                      [](const ScratchDir &, Shell &s) { s.output = ">>ai.obj"; }, 1,
                                      "tarvello: standard output is the same file as ai.obj\n", kAbsent},
                      // ">ai.obj" empties the listing before the tool starts: the error says so.
                      EnvironmentCase{"StdoutEmptiedTheListing", "",
                                      [](const ScratchDir &, Shell &s) { s.output = ">ai.obj"; }, 1,
                                      "tarvello: standard output is the same file as ai.obj; the redirection "
                                      "emptied ai.obj before the tool started\n",
                                      kAbsent},
                      EnvironmentCase{
                          "StderrIsATable", "H\r\n",
                          [](const ScratchDir &, Shell &s) { s.error = "2>vars/handler.txt"; }, 1, "",
                          kAbsent,
                          [](const ScratchDir &d, const testing::ToolRun &run) {
                            EXPECT_EQ(run.out,
                                      "tarvello: standard error is the same file as vars/handler.txt\n");
                            EXPECT_EQ(d.read("vars/handler.txt"), "");
                          }},
                      // With both console streams in a table, the error goes nowhere rather than into it.
                      EnvironmentCase{"BothStreamsAreATable", "H\r\n",
                                      [](const ScratchDir &d, Shell &s) {
                                        d.write("vars/handler.txt", "kept\r\n");
                                        s.output = ">>vars/handler.txt";
                                        s.error = "2>>vars/handler.txt";
                                      },
                                      1, "", kAbsent,
                                      [](const ScratchDir &d, const testing::ToolRun &) {
                                        EXPECT_EQ(d.read("vars/handler.txt"), "kept\r\n");
                                      }},
                      // The names a new file took from the process number, planted ahead of the run.
                      EnvironmentCase{"PlantedNamesAreNoHindrance", crlf({"H", "L1"}),
                                      [](const ScratchDir &, Shell &s) {
                                        s.wrapper = "sh -c 'touch ai_fixed.obj.$$.part; for n in $(seq 99); "
                                                    "do touch ai_fixed.obj.$$-$n.part; done; exec \"$0\"'";
                                      },
                                      0, "", crlf({"H", "L11", ""}),
                                      [](const ScratchDir &, const testing::ToolRun &) {}, 100},
                      // Another program appends a line while the run waits at the table check.
                      EnvironmentCase{"ListingThatGrowsIsRefused", crlf({"H", "L1", "L2"}),
                                      [](const ScratchDir &d, Shell &s) {
                                        d.write("ai.obj", crlf({"H", "L1"}));
                                        s.setup = "(sleep 0.5; printf 'L2\\r\\n' >>ai.obj) &";
                                        s.wrapper =
                                            strace("openat:delay_enter=2000000:when=1", "vars/function.txt");
                                      },
                                      1, "tarvello: ai.obj changed while it was read\n", ""},
                      // A new file is made for this user alone, and widened only when whole.
                      EnvironmentCase{"NewFileIsOwnerOnly", crlf({"H", "L1"}),
                                      [](const ScratchDir &, Shell &s) {
                                        s.setup = "umask 000;";
                                        s.wrapper =
                                            "ASAN_OPTIONS=detect_leaks=0 strace -qq -o ../made.txt -e "
                                            "trace=openat,open,creat";
                                      },
                                      0, "", crlf({"H", "L11", ""}),
                                      [](const ScratchDir &d, const testing::ToolRun &) {
                                        std::ifstream made(d.path().string() + "/../made.txt");
                                        int creates = 0;
                                        for (std::string call; std::getline(made, call);) {
                                          if (call.find("O_CREAT") != std::string::npos ||
                                              call.find("O_TMPFILE") != std::string::npos) {
                                            ++creates;
                                            EXPECT_NE(call.find(", 0600) = "), std::string::npos) << call;
                                          }
                                        }
                                        EXPECT_GE(creates, 2);
                                        EXPECT_EQ(fs::status(d.path() / "ai_fixed.obj").permissions(),
                                                  fs::perms(0666));
                                      }},
                      // An access list and an extended attribute come through a run; one the system sets does
                      // not.
                      EnvironmentCase{"AccessListAndAttributesAreKept", "H\r\n",
                                      [](const ScratchDir &d, Shell &s) {
                                        d.write("ai_fixed.obj", "old");
                                        fs::permissions(d.path() / "ai_fixed.obj", fs::perms(0640));
                                        s.setup = "setfacl -m u:nobody:rw ai_fixed.obj && "
                                                  "setfattr -n user.note -v kept ai_fixed.obj && "
                                                  "setfattr -n security.note -v gone ai_fixed.obj && ";
                                      },
                                      0, "", "H\r\n\r\n",
                                      [](const ScratchDir &d, const testing::ToolRun &) {
                                        EXPECT_EQ(output_of(d, "getfacl -cp ai_fixed.obj"),
                                                  "user::rw-\nuser:nobody:rw-\ngroup::r--\nmask::rw-\n"
                                                  "other::---\n\n");
                                        EXPECT_EQ(
                                            output_of(d, "getfattr --only-values -n user.note ai_fixed.obj"),
                                            "kept");
                                        EXPECT_EQ(output_of(d, "getfattr --only-values -n security.note "
                                                               "ai_fixed.obj 2>/dev/null"),
                                                  "");
                                      }},
                      // The reader starts late, so the pipe fills and a write finds it full.
                      EnvironmentCase{"NonBlockingStdoutIsWaitedOn", listing_of(30000, "L1"),
                                      [](const ScratchDir &, Shell &s) {
                                        s.wrapper = TARVELLO_NONBLOCKING;
                                        s.output = "| (sleep 1; cat)";
                                      },
                                      0, "", listing_of(30000, "L11") + "\r\n"},
                      // The answers come late, so the first read of standard input finds nothing yet.
                      EnvironmentCase{"NonBlockingStdinIsWaitedOn", crlf({"H", "L1"}),
                                      [](const ScratchDir &, Shell &s) {
                                        s.setup = "(sleep 1; echo 10 5) |";
                                        s.wrapper = TARVELLO_NONBLOCKING;
                                        s.input = " ";
                                      },
                                      0, "", crlf({"H", "L11", ""})},
                      // With no old file, the new one has the rights that the umask leaves.
                      EnvironmentCase{"NewFileFollowsTheUmask", crlf({"H"}),
                                      [](const ScratchDir &, Shell &s) { s.setup = "umask 027;"; }, 0, "",
                                      crlf({"H", ""}),
                                      [](const ScratchDir &d, const testing::ToolRun &) {
                                        EXPECT_EQ(fs::status(d.path() / "ai_fixed.obj").permissions(),
                                                  fs::perms(0640));
                                      }},
                      EnvironmentCase{"OutputLockedByAnotherProgram", "H\r\n",
                                      [](const ScratchDir &d, Shell &s) {
                                        d.write("ai_fixed.obj", "old");
                                        s.wrapper = "flock ai_fixed.obj";
                                      },
                                      0, "", "H\r\n\r\n"},
                      EnvironmentCase{"SmallStack", crlf({"H", kCall}),
                                      [](const ScratchDir &, Shell &s) { s.setup = "ulimit -s 128;"; }, 0, "",
                                      crlf({"H", kCallFixed, ""})}),
    [](const auto &info) { return info.param.name; });

// A system call that fails, or comes back short or interrupted.
INSTANTIATE_TEST_SUITE_P(
    PosixFailingCalls, Environment,
    ::testing::Values(EnvironmentCase{"ListingReadFailsMidRun", crlf({"H", "L1"}),
                                      [](const ScratchDir &, Shell &s) {
                                        s.wrapper = strace("read:error=EIO:when=2", "ai.obj");
                                      },
                                      1, "tarvello: cannot read ai.obj: Input/output error\n", ""},
                      EnvironmentCase{"FailedMarkIsRefused", "H\r\n",
                                      [](const ScratchDir &d, Shell &s) {
                                        failing_over_old(d, s, "utimensat:error=EPERM:when=1");
                                      },
                                      1, "tarvello: cannot replace ai_fixed.obj: Operation not permitted\n",
                                      "old"},
                      // As a kernel that knows no unnamed files refuses one.
                      EnvironmentCase{"NoUnnamedFilesTakesAName", crlf({"H", "L1"}),
                                      [](const ScratchDir &, Shell &s) {
                                        s.wrapper = strace("openat:error=EISDIR:when=1..3+2", ".");
                                      },
                                      0, "", crlf({"H", "L11", ""})},
                      EnvironmentCase{
                          "StandInThatCannotBeMadeEndsTheRun", "H\r\n",
                          [](const ScratchDir &, Shell &s) {
                            s.input = "<&-";
                            // The tool's own pipe alone: a sanitizer checks memory through pipes of its own.
                            s.wrapper = strace("pipe,pipe2:error=EMFILE:when=1");
                          },
                          1, "tarvello: cannot hold a closed standard descriptor: Too many open files\n",
                          kAbsent},

                      EnvironmentCase{
                          "TableFailsMidRun", crlf({"H", kCall, kCall}),
                          [](const ScratchDir &, Shell &s) {
                            s.wrapper = strace("openat:error=EIO:when=3", "vars/function.txt");
                          },
                          1, "tarvello: ai.obj:3: cannot read vars/function.txt: Input/output error\n", ""},
                      EnvironmentCase{
                          "TableReadFailsMidRun", crlf({"H", kCall, kCall}),
                          [](const ScratchDir &, Shell &s) {
                            s.wrapper = strace("read:error=EIO:when=4", "vars/function.txt");
                          },
                          1, "tarvello: ai.obj:3: cannot read vars/function.txt: Input/output error\n", ""},
                      EnvironmentCase{"FailedSyncLeavesItEmpty", crlf({"H", "L1"}),
                                      [](const ScratchDir &d, Shell &s) {
                                        failing_over_old(d, s, "fsync:error=EIO:when=3");
                                      },
                                      1,
                                      "tarvello: cannot write ai_fixed.obj: Input/output error; ai_fixed.obj "
                                      "is now empty\n",
                                      ""},
                      EnvironmentCase{"FailedFolderSyncSaysTheResultMayNotLast", crlf({"H", "L1"}),
                                      [](const ScratchDir &d, Shell &s) {
                                        failing_over_old(d, s, "fsync:error=EIO:when=4");
                                      },
                                      1,
                                      "tarvello: cannot sync the folder of ai_fixed.obj: Input/output error; "
                                      "the new ai_fixed.obj may not last through a loss of power\n",
                                      crlf({"H", "L11", ""})},
                      // As a file system that cannot sync a folder says.
                      EnvironmentCase{"FolderThatCannotBeSyncedIsNoFault", crlf({"H", "L1"}),
                                      [](const ScratchDir &d, Shell &s) {
                                        failing_over_old(d, s, "fsync:error=EINVAL:when=4");
                                      },
                                      0, "", crlf({"H", "L11", ""})},
                      EnvironmentCase{"WritesThatMakeNoProgressEndTheRun", crlf({"H", "L1"}),
                                      [](const ScratchDir &, Shell &s) {
                                        s.output = ">screen.txt";
                                        s.wrapper = strace("write:retval=0", "screen.txt");
                                        s.wrapper.insert(s.wrapper.find("strace"),
                                                         "timeout 20 "); // not forever
                                      },
                                      1, "tarvello: cannot write standard output: Input/output error\n", ""},
                      EnvironmentCase{
                          "UnreadableTableIsAWarning", crlf({"H", "\thandler 0x03 OnOpen"}),
                          [](const ScratchDir &, Shell &s) {
                            s.wrapper = strace("openat:error=EACCES:when=1", "vars/handler.txt");
                          },
                          0,
                          "tarvello: warning: vars/handler.txt: Permission denied\n"
                          "tarvello: warning: vars/handler.txt: 1 reference line was kept, as the "
                          "table cannot be read (Permission denied): ai.obj:2\n",
                          crlf({"H", "\thandler 0x03 OnOpen", ""})},
                      EnvironmentCase{"OutputThatCannotBeLookedAtIsRefused", "H\r\n",
                                      [](const ScratchDir &d, Shell &s) {
                                        d.write("ai_fixed.obj", "old");
                                        s.wrapper = strace("statx:error=EIO:when=1", "ai_fixed.obj");
                                      },
                                      1, "tarvello: cannot replace ai_fixed.obj: Input/output error\n",
                                      "old"},
                      EnvironmentCase{"TakenNewNameIsRetried", crlf({"H", "L1"}),
                                      [](const ScratchDir &, Shell &s) {
                                        s.wrapper = strace("linkat:error=EEXIST:when=1");
                                      },
                                      0, "", crlf({"H", "L11", ""})},
                      // A close that reports a lost write, as NFS may.
                      EnvironmentCase{"FailedCloseIsAnError", crlf({"H", "L1"}),
                                      [](const ScratchDir &d, Shell &s) {
                                        d.write("ai_fixed.obj", "old");
                                        s.wrapper = "ASAN_OPTIONS=verify_asan_link_order=0 "
                                                    "LD_PRELOAD=" TARVELLO_FAILING_CLOSE;
                                      },
                                      1, "tarvello: cannot write ai_fixed.obj: Input/output error\n", "old"},
                      EnvironmentCase{"FailedReplacementLeavesItEmpty", crlf({"H", "L1"}),
                                      [](const ScratchDir &d, Shell &s) {
                                        failing_over_old(d, s, "rename:error=EIO:when=2");
                                      },
                                      1,
                                      "tarvello: cannot replace ai_fixed.obj: Input/output error; "
                                      "ai_fixed.obj is now empty\n",
                                      ""},
                      EnvironmentCase{"ShortReadsAreNoEnd", crlf({"H", "\thandler 0x03 OnOpen"}),
                                      [](const ScratchDir &d, Shell &s) {
                                        d.write("vars/handler.txt", kLongHandlers);
                                        s.wrapper = "ASAN_OPTIONS=verify_asan_link_order=0 "
                                                    "LD_PRELOAD=" TARVELLO_SHORT_READS;
                                      },
                                      0, "", crlf({"H", "\thandler 0x2A OnOpen", ""})},
                      // Progress that fails to show, after the result is whole, still leaves no result.
                      EnvironmentCase{"ProgressThatFailsLeavesItEmpty", crlf({"H", "L1"}),
                                      [](const ScratchDir &d, Shell &s) {
                                        d.write("ai_fixed.obj", "old");
                                        s.output = ">screen.txt";
                                        s.wrapper = strace("write:error=EIO:when=3+", "screen.txt");
                                      },
                                      1, "tarvello: cannot write standard output: Input/output error\n", ""},
                      EnvironmentCase{"TooManyOpenFilesAtTheCheck", crlf({"H", "L1"}),
                                      [](const ScratchDir &, Shell &s) {
                                        s.wrapper = strace("openat:error=EMFILE:when=1", "vars/handler.txt");
                                      },
                                      1, "tarvello: cannot read vars/handler.txt: Too many open files\n", ""},
                      EnvironmentCase{"StdinClosedWithoutDevNull", listing_of(25000, "7"),
                                      [](const ScratchDir &, Shell &s) {
                                        s.input = "<&-";
                                        s.wrapper = strace("openat:error=ENOENT", "/dev/null");
                                      },
                                      1, "tarvello: standard input ended before a number was given\n", ""},
                      EnvironmentCase{"InterruptedCallsAreRetried", crlf({"H", kCall, "L1"}),
                                      [](const ScratchDir &, Shell &s) {
                                        s.output = ">screen.txt";
                                        s.wrapper = strace("read:error=EINTR:when=1..3", "ai.obj") +
                                                    " -P screen.txt -e inject=write:error=EINTR:when=1..3";
                                      },
                                      0, "", crlf({"H", kCallFixed, "L11", ""})}),
    [](const auto &info) { return info.param.name; });

// A stop mid-run, while the new file is written.
INSTANTIATE_TEST_SUITE_P(
    PosixStops, Environment,
    ::testing::Values(
        EnvironmentCase{"TerminatedMidRunLeavesItEmpty", listing_of(40000, "L1"),
                        [](const ScratchDir &d, Shell &s) { stopped_by(d, s, "TERM"); }, 143, "", ""},
        EnvironmentCase{"InterruptedMidRunLeavesItEmpty", listing_of(40000, "L1"),
                        [](const ScratchDir &d, Shell &s) { stopped_by(d, s, "INT"); }, 130, "", ""},
        EnvironmentCase{"QuitMidRunLeavesItEmpty", listing_of(40000, "L1"),
                        [](const ScratchDir &d, Shell &s) { stopped_by(d, s, "QUIT"); }, 131, "", ""},
        // The new file has no name until it is whole, so nothing is left.
        EnvironmentCase{"KilledMidRunLeavesNothing", listing_of(40000, "L1"),
                        [](const ScratchDir &d, Shell &s) { stopped_by(d, s, "KILL"); }, 137, "", ""},
        EnvironmentCase{"AbortedMidRunLeavesNothing", listing_of(40000, "L1"),
                        [](const ScratchDir &d, Shell &s) { stopped_in_named_file(d, s, "ABRT"); }, 134, "",
                        ""},
        // A stop that the process was started ignoring, as nohup starts it, ends nothing.
        EnvironmentCase{"IgnoredHangupIsNoStop", listing_of(40000, "L1"),
                        [](const ScratchDir &d, Shell &s) {
                          stopped_by(d, s, "HUP");
                          s.setup += "trap '' HUP;";
                        },
                        0, "", kNotChecked},
        EnvironmentCase{"RealTimeSignalMidRunLeavesNothing", listing_of(40000, "L1"),
                        [](const ScratchDir &d, Shell &s) { stopped_in_named_file(d, s, "40"); }, 168, "",
                        ""}),
    [](const auto &info) { return info.param.name; });

/// A run whose input is ai_fixed.obj reached through a second mount of the
/// folder, which shows the file under other device and index numbers.
struct RouteCase {
  const char *name;
  std::string fixed; ///< what ai_fixed.obj holds, and must still hold
  /// Leads an input through `route`, the folder mounted again.
  std::function<void(const ScratchDir &, const std::string &route, Shell &)> setup;
  std::string err;
};

class SecondRoute : public ::testing::TestWithParam<RouteCase> {};

TEST_P(SecondRoute, IsRefusedAndChangesNothing) {
  const RouteCase &c = GetParam();
  const ScratchDir dir;
  const std::string route = dir.path().string() + ".route";
  fs::create_directory(route);
  if (std::system(("bindfs " + dir.path().string() + " " + route + " 2>/dev/null").c_str()) != 0) {
    fs::remove(route);
    GTEST_SKIP() << "bindfs cannot mount here";
  }
  dir.write("ai.obj", "H\r\nL1\r\n");
  dir.write_tables();
  dir.write("ai_fixed.obj", c.fixed);
  const auto time = fs::last_write_time(dir.path() / "ai_fixed.obj");
  Shell shell;
  c.setup(dir, route, shell);
  const auto run = run_tool(dir, "10 5\n", shell);
  const std::string unmount =
      "fusermount -u " + route + " || fusermount3 -u " + route + " || umount " + route;
  EXPECT_EQ(std::system(unmount.c_str()), 0);
  fs::remove(route);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, c.err);
  EXPECT_EQ(dir.read("ai_fixed.obj"), c.fixed);
  EXPECT_EQ(fs::last_write_time(dir.path() / "ai_fixed.obj"), time); // the mark put back
}

INSTANTIATE_TEST_SUITE_P(
    Posix, SecondRoute,
    ::testing::Values(RouteCase{"ToTheListing", "H\r\nL1\r\n",
                                [](const ScratchDir &d, const std::string &route, Shell &) {
                                  fs::remove(d.path() / "ai.obj");
                                  fs::create_symlink(route + "/ai_fixed.obj", d.path() / "ai.obj");
                                },
                                "tarvello: ai_fixed.obj is the same file as ai.obj\n"},
                      RouteCase{"ToATable", crlf({kCallFixed}),
                                [](const ScratchDir &d, const std::string &route, Shell &) {
                                  fs::remove(d.path() / "vars/function.txt");
                                  fs::create_symlink(route + "/ai_fixed.obj", d.path() / "vars/function.txt");
                                },
                                "tarvello: ai_fixed.obj is the same file as vars/function.txt\n"},
                      RouteCase{"ToStandardInput", "10 5\n",
                                [](const ScratchDir &, const std::string &route, Shell &s) {
                                  s.input = "<" + route + "/ai_fixed.obj";
                                },
                                "tarvello: standard input is the same file as ai_fixed.obj\n"},
                      // The error would land in ai_fixed.obj either way: it is shown nowhere.
                      RouteCase{"ToBothConsoleStreams", "old",
                                [](const ScratchDir &, const std::string &route, Shell &s) {
                                  s.output = ">>" + route + "/ai_fixed.obj";
                                  s.error = "2>>" + route + "/ai_fixed.obj";
                                },
                                ""}),
    [](const auto &info) { return info.param.name; });

// A file mounted over ai_fixed.obj, as containers do, cannot be renamed over.
TEST(PosixMountedOutput, IsRefusedWithTheWayAround) {
  const ScratchDir dir;
  dir.write("ai.obj", "H\r\n");
  dir.write_tables();
  dir.write("ai_fixed.obj", "old");
  dir.write("elsewhere", "mounted");
  const std::string fixed = (dir.path() / "ai_fixed.obj").string();
  if (std::system(
          ("mount --bind " + (dir.path() / "elsewhere").string() + " " + fixed + " 2>/dev/null").c_str()) !=
      0) {
    GTEST_SKIP() << "cannot mount here";
  }
  const auto run = run_tool(dir, "10 5\n");
  EXPECT_EQ(std::system(("umount " + fixed).c_str()), 0);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "tarvello: cannot replace ai_fixed.obj: a file mounted there; mount its folder instead\n");
  EXPECT_EQ(dir.read("elsewhere"), "mounted");
}

TEST(PosixMessages, NameALongFolderWhole) {
  const ScratchDir dir;
  const std::string folder = std::string(200, 'a') + "/" + std::string(200, 'b');
  fs::create_directories(dir.path() / folder);
  Shell shell;
  shell.setup = "cd a*/b* &&";
  const auto run = run_tool(dir, "", shell);
  EXPECT_EQ(run.err, "tarvello: cannot read ai.obj in " + (dir.path() / folder).string() +
                         ": No such file or directory\n");
}

TEST(PosixMessages, ShowAFoldersControlBytesAsQuestionMarks) {
  const ScratchDir dir;
  // Controls, bytes that are no UTF-8 and a mark that turns the text around; the letter stays.
  const std::string folder = "a\x1b]0;title\x07\nb\xc2\x9b"
                             "2J\xff\xfe\x9b\xe2\x80\xae\xd0\x96";
  fs::create_directory(dir.path() / folder);
  Shell shell;
  shell.setup = "cd a* &&";
  const auto run = run_tool(dir, "", shell);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "tarvello: cannot read ai.obj in " + dir.path().string() +
                         "/a?]0;title??b?2J????\xd0\x96: No such file or directory\n");
}

// However little memory there is, the run ends with its status and no signal:
// a failed allocation is one error line. Where the loader itself fails (127),
// the tool never started. AddressSanitizer needs more address space than this.
TEST(PosixMemory, EveryLimitEndsInAStatus) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limits tried";
#endif
  const ScratchDir dir;
  dir.write("ai.obj", listing_of(3000, kCall));
  dir.write_tables(crlf({kCallFixed}));
  for (int kib = 2000; kib <= 9000; kib += 40) {
    Shell shell;
    shell.setup = "ulimit -v " + std::to_string(kib) + ";";
    const auto run = run_tool(dir, "10 5\n", shell);
    if (run.status != 127) {
      EXPECT_TRUE(run.status == 0 || (run.status == 1 && run.err == "tarvello: out of memory\n"))
          << kib << " KiB: " << run.status << " " << run.err;
    }
  }
}

} // namespace
} // namespace tarvello
