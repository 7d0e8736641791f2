// --help and --version answer before any file is touched; the Windows window
// stays open only when a double-click made it.
#include "driver/window.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

const std::string kUsage = "Usage: tarvello [--help | -h | --version]\n\nRewrites the script listing ai.obj";

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

INSTANTIATE_TEST_SUITE_P(ConsoleFacts, Window,
                         ::testing::Values(WindowCase{1, true, true},    // a console made for the tool
                                           WindowCase{2, true, false},   // started from cmd or PowerShell
                                           WindowCase{1, false, false},  // input redirected
                                           WindowCase{0, false, false},  // no console at all
                                           WindowCase{0, true, false})); // a terminal elsewhere

} // namespace
} // namespace tarvello
