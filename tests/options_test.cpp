// --help and --version answer before any file is touched; the Windows window
// stays open only when a double-click made it.
#include "driver/conversion.h"
#include "driver/window.h"
#include "platform/platform.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <new>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tarvello {
namespace {

using testing::run_tool;
using testing::ScratchDir;
using testing::Shell;

struct InformationCase {
  const char *name;
  std::string args;
  bool files; // ai.obj and an old ai_fixed.obj are present
  std::string begins;
};

class Information : public ::testing::TestWithParam<InformationCase> {};

TEST_P(Information, IsPrintedAndNoFileIsTouched) {
  const InformationCase &c = GetParam();
  const ScratchDir dir;
  if (c.files) {
    dir.write("ai.obj", "L1\r\n");
    dir.write("ai_fixed.obj", "old\r\n");
  }
  Shell shell;
  shell.args = c.args;
  const auto run = run_tool(dir, "", shell);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out.rfind(c.begins, 0), 0U) << run.out;
  if (c.files) {
    EXPECT_EQ(dir.read("ai_fixed.obj"), "old\r\n");
  } else {
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "ai_fixed.obj"));
  }
}

const std::string kUsage =
    std::string("Usage: tarvello [FOLDER | FOLDER") +
    (testing::windows_build() ? "\\ai.obj] | [--help | -h | /? | " : "/ai.obj] | [--help | -h | ") +
    "--version]\n\nRewrites the script listing ai.obj";

INSTANTIATE_TEST_SUITE_P(Arguments, Information,
                         ::testing::Values(InformationCase{"Help", "--help", true, kUsage},
                                           InformationCase{"HelpInAnEmptyFolder", "--help", false, kUsage},
                                           InformationCase{"ShortHelp", "-h", true, kUsage},
                                           InformationCase{"Version", "--version", true,
                                                           "tarvello " TARVELLO_VERSION "\n"},
                                           InformationCase{"FirstRequestWins", "x --version --help", false,
                                                           "tarvello " TARVELLO_VERSION "\n"}),
                         [](const auto &info) { return info.param.name; });

TEST(Options, AnUnknownOneIsAnErrorBeforeAnyFileIsTouched) {
  const ScratchDir dir;
  dir.write("ai.obj", "L1\r\n");
  dir.write("ai_fixed.obj", "old\r\n");
  Shell shell;
  shell.args = "x --hlep";
  const auto run = run_tool(dir, "1 1", shell);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "tarvello: unknown option \"--hlep\"; see tarvello --help\n");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(dir.read("ai_fixed.obj"), "old\r\n");
}

TEST(Options, HelpFitsThePlatform) {
  const ScratchDir dir;
  Shell shell;
  shell.args = "--help";
  const std::string help = run_tool(dir, "", shell).out;
  const bool windows = testing::windows_build();
  EXPECT_NE(help.find(windows ? "[--help | -h | /? | --version]" : "[--help | -h | --version]"),
            std::string::npos);
  EXPECT_NE(help.find(windows ? "vars\\function.txt" : "vars/function.txt"), std::string::npos);
  EXPECT_NE(help.find(windows ? "Full documentation: README.txt"
                              : "Full documentation: the man page, man tarvello"),
            std::string::npos);
}

/// A console whose output cannot be had: the allocation for it fails.
struct NoMemory : Sink {
  void write(std::string_view) override { throw std::bad_alloc(); }
};

TEST(Memory, AFailedAllocationIsOneErrorLine) {
  TextInput in("");
  NoMemory out;
  std::ostringstream err;
  EXPECT_EQ(run_conversion(Console{in, out, err, false}, {"--version"}), 1);
  EXPECT_EQ(err.str(), "tarvello: out of memory\n");
}

struct WindowCase {
  unsigned processes;
  bool input_is_console;
  bool keep_open;
};

class Window : public ::testing::TestWithParam<WindowCase> {};

TEST_P(Window, StaysOpenOnlyForADoubleClick) {
  const WindowCase &c = GetParam();
  EXPECT_EQ(should_keep_window_open({c.processes, c.input_is_console}), c.keep_open);
}

// Every console event that ends the program removes the run's new file first.
TEST(Window, EveryEventThatEndsTheProgramEndsTheRun) {
  for (const unsigned long code : {0UL, 1UL, 2UL, 5UL, 6UL}) {
    EXPECT_TRUE(platform::console_event_ends_run(code)) << code;
  }
  for (const unsigned long code : {3UL, 4UL, 7UL}) {
    EXPECT_FALSE(platform::console_event_ends_run(code)) << code;
  }
}

INSTANTIATE_TEST_SUITE_P(ConsoleFacts, Window,
                         ::testing::Values(WindowCase{1, true, true},    // a console made for the tool
                                           WindowCase{2, true, false},   // started from cmd or PowerShell
                                           WindowCase{1, false, false},  // input redirected
                                           WindowCase{0, false, false},  // no console at all
                                           WindowCase{0, true, false})); // a terminal elsewhere

/// A console that hands out what was typed before the question, until it is
/// dropped, then each of `typed` in turn, then fails as a closed console does.
struct TypedKeys : ConsoleKeys {
  std::string ahead;
  std::vector<std::string> typed;
  std::size_t reads = 0;
  void drop_typed_ahead() override { ahead.clear(); }
  long read(char *data, std::size_t) override {
    const std::string next = !ahead.empty()         ? std::exchange(ahead, "")
                             : reads < typed.size() ? typed[reads++]
                                                    : "";
    std::copy(next.begin(), next.end(), data);
    return next.empty() ? -1 : static_cast<long>(next.size());
  }
};

struct WaitCase {
  const char *name;
  std::string ahead;
  std::vector<std::string> typed;
  std::size_t reads; // of `typed` before the wait ends
};

class WaitForEnter : public ::testing::TestWithParam<WaitCase> {};

TEST_P(WaitForEnter, EndsOnlyAtAnEnterTypedAfterTheQuestion) {
  TypedKeys keys;
  keys.ahead = GetParam().ahead;
  keys.typed = GetParam().typed;
  TextSink screen;
  {
    OutBuffer out(screen);
    wait_for_enter(keys, out);
  }
  EXPECT_EQ(screen.text, "Press Enter to close this window.");
  EXPECT_EQ(keys.reads, GetParam().reads);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, WaitForEnter,
    ::testing::Values(WaitCase{"EnterTypedAheadIsDropped", "\r\n", {"x", "\r\n", "later\r\n"}, 2},
                      WaitCase{"CtrlZIsNoEnter", "", {"\x1a", "\r\n"}, 2},
                      WaitCase{"AConsoleThatCannotBeReadEndsIt", "", {}, 0}),
    [](const auto &info) { return info.param.name; });

} // namespace
} // namespace tarvello
