// Whole runs in a misbehaving environment: links, closed descriptors, signals,
// FIFOs and failing calls, the last injected with strace. POSIX only.
#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
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
};

/// stderr without the note strace makes of each path it resolves.
std::string without_strace_notes(const std::string &err) {
  std::string kept;
  for (std::size_t at = 0, end = 0; at < err.size(); at = end) {
    end = std::min(err.find('\n', at), err.size() - 1) + 1;
    if (err.compare(at, 8, "strace: ") != 0) {
      kept += err.substr(at, end - at);
    }
  }
  return kept;
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
}

/// strace as the tool's wrapper, injecting `fault` into calls on `file`.
/// LeakSanitizer cannot run under ptrace; the other sanitizers still do.
std::string strace(const std::string &file, const std::string &fault) {
  return "ASAN_OPTIONS=detect_leaks=0 strace -qq -o /dev/null -P " + file + " -e inject=" + fault;
}

INSTANTIATE_TEST_SUITE_P(
    Posix, Environment,
    ::testing::Values(
        EnvironmentCase{"OutputIsASymbolicLinkToATable", "H\r\n",
                        [](const ScratchDir &d, Shell &) {
                          fs::create_symlink("vars/function.txt", d.path() / "ai_fixed.obj");
                        },
                        1, "tarvello: ai_fixed.obj is the same file as vars/function.txt\n", kNotChecked},
        EnvironmentCase{"OutputIsAHardLinkToATable", "H\r\n",
                        [](const ScratchDir &d, Shell &) {
                          fs::create_hard_link(d.path() / "vars/function.txt", d.path() / "ai_fixed.obj");
                        },
                        1, "tarvello: ai_fixed.obj is the same file as vars/function.txt\n", kNotChecked},
        // Longer than a block, so a listing read as standard input would still hold answers.
        EnvironmentCase{"StdinClosed", listing_of(25000, "7"),
                        [](const ScratchDir &, Shell &s) { s.input = "<&-"; }, 1,
                        "tarvello: standard input ended before a number was given\n", kNotChecked},
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
                        1, "tarvello: cannot read standard input: Is a directory\n", kNotChecked},
        EnvironmentCase{"PipeClosedEarly", listing_of(20000, "L1"),
                        [](const ScratchDir &, Shell &s) { s.output = "| head -c 1"; }, 1,
                        "tarvello: cannot write standard output: Broken pipe\n", kNotChecked},
        EnvironmentCase{"FileSizeLimit", listing_of(200, std::string(500, 'x')),
                        [](const ScratchDir &, Shell &s) { s.setup = "ulimit -f 8;"; }, 1,
                        "tarvello: cannot write ai_fixed.obj: File too large\n", kNotChecked},
        EnvironmentCase{"FifoTableMisses", crlf({"H", "\thandler 0x03 OnOpen"}),
                        [](const ScratchDir &d, Shell &s) {
                          fs::remove(d.path() / "vars/handler.txt");
                          ASSERT_EQ(mkfifo((d.path() / "vars/handler.txt").c_str(), 0644), 0);
                          s.wrapper = "timeout 20";
                        },
                        0,
                        "tarvello: warning: vars/handler.txt: not a regular file\n"
                        "tarvello: warning: vars/handler.txt: 1 reference line was kept, as the table "
                        "cannot be read (not a regular file): ai.obj:2\n",
                        crlf({"H", "\thandler 0x03 OnOpen", ""})},
        EnvironmentCase{"TableFailsMidRun", crlf({"H", kCall, kCall}),
                        [](const ScratchDir &, Shell &s) {
                          s.wrapper = strace("vars/function.txt", "openat:error=EIO:when=3");
                        },
                        1, "tarvello: ai.obj:3: cannot read vars/function.txt: Input/output error\n",
                        crlf({"H", kCallFixed})},
        EnvironmentCase{"TableReadFailsMidRun", crlf({"H", kCall, kCall}),
                        [](const ScratchDir &, Shell &s) {
                          s.wrapper = strace("vars/function.txt", "read:error=EIO:when=3");
                        },
                        1, "tarvello: ai.obj:3: cannot read vars/function.txt: Input/output error\n",
                        crlf({"H", kCallFixed})},
        EnvironmentCase{"InterruptedCallsAreRetried", crlf({"H", kCall, "L1"}),
                        [](const ScratchDir &, Shell &s) {
                          s.wrapper = strace("ai.obj", "read:error=EINTR:when=1..3") +
                                      " -P ai_fixed.obj -e inject=write:error=EINTR:when=1..3";
                        },
                        0, "", crlf({"H", kCallFixed, "L11", ""})}),
    [](const auto &info) { return info.param.name; });

} // namespace
} // namespace tarvello
