// Runs the built tool in a scratch folder and checks its console, its exit
// status and the exact bytes of ai_fixed.obj.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace tarvello {
namespace {

using testing::crlf;
using testing::listing_of;
using testing::run_tool;
using testing::ScratchDir;
using testing::screen_after;
using testing::Shell;
using namespace std::string_literals;

const std::string kBanner = screen_after(0).substr(0, screen_after(0).find("Start"));
const std::string kAskL = "Start writing from entry (Lxx): ";
const std::string kAskS = "Start writing from entry (Sxx): ";

struct RunCase {
  const char *name;
  std::string listing;
  std::string answers;
  std::string fixed;
  std::string screen;
  std::string args;
  std::string err;
};

class Run : public ::testing::TestWithParam<RunCase> {};

TEST_P(Run, RewritesTheListingAndExitsZero) {
  const RunCase &c = GetParam();
  const ScratchDir dir;
  dir.write("ai.obj", c.listing);
  dir.write_tables();
  Shell shell;
  shell.args = c.args;
  const auto run = run_tool(dir, c.answers, shell);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, c.err);
  EXPECT_EQ(run.out, c.screen);
  EXPECT_EQ(dir.read("ai_fixed.obj"), c.fixed);
  EXPECT_EQ(dir.read("ai.obj"), c.listing);
}

const std::string k999(999, 'x');

INSTANTIATE_TEST_SUITE_P(
    Listings, Run,
    ::testing::Values(
        RunCase{"EndsWithLineBreak", crlf({"HEADER", "L0", "S0.text"}), "100\n50\n",
                crlf({"HEADER", "L100", "S50.text", ""}), screen_after(3), "", ""},
        RunCase{"LastLineUnended", "HEADER\r\nL0\r\nS0.text", "100\n50\n",
                crlf({"HEADER", "L100", "S50.text"}), screen_after(2), "", ""},
        RunCase{"OneLineUnended", "L5", "1\n1\n", crlf({"L5"}), screen_after(0), "", ""},
        RunCase{"OneLineEnded", "L5\r\n", "1\n1\n", crlf({"L5", ""}), screen_after(1), "", ""},
        RunCase{"Empty", "", "1\n1\n", crlf({""}), screen_after(0), "", ""},
        RunCase{"FirstLineCopiedAsItStands", "L0\r\nL0", "7 0", crlf({"L0", "L7"}), screen_after(1), "", ""},
        RunCase{"EmptyLineInTheMiddle", "H\r\n\r\nL1", "100 0", crlf({"H", "", "L101"}), screen_after(2), "",
                ""},
        RunCase{"BareLineFeedsComeOutAsCrLf", "H\nL1\nS1.x\n", "1 1", crlf({"H", "L2", "S2.x", ""}),
                screen_after(3), "", ""},
        RunCase{"BytesKeptExactly", "H\r\n\ta\0b\r\x80\xff\r\nS1.\0\r\n"s, "0\n0\n",
                "H\r\n\ta\0b\r\x80\xff\r\nS1.\0\r\n\r\n"s, screen_after(3), "", ""},
        // The last line ends where bytes of an earlier block stand after it, digits here.
        RunCase{"LastNumberEndsWithTheListing", listing_of(7000, "L1234567") + "x\r\nL1", "0 0",
                listing_of(7000, "L1234567") + "x\r\nL1\r\n", screen_after(7002), "", ""},
        RunCase{"LongestLine", "H\r\n" + k999, "0 0", crlf({"H", k999}), screen_after(1), "", ""},
        RunCase{"AllRenumberingRules", crlf({"H", "\tjump L3", "\tpush_string\tS2", "L1", "S1.a", "\tret"}),
                "10\n5\n", crlf({"H", "\tjump L13", "\tpush_string\tS7", "L11", "S6.a", "\tret", ""}),
                screen_after(6), "", ""},
        RunCase{"TextLeftAfterTheAnswersIsNamed", "H\r\nL1", "1 1 7 \t\n", crlf({"H", "L2"}), screen_after(1),
                "", "tarvello: warning: ignored after the answers: \"7\"\n"},
        RunCase{"DotIsTheWorkingFolder", "H\r\nL1", "1 1", crlf({"H", "L2"}), screen_after(1), ".", ""},
        RunCase{"BareListingIsInTheWorkingFolder", "H\r\nL1", "1 1", crlf({"H", "L2"}), screen_after(1),
                "ai.obj", ""}),
    [](const auto &info) { return info.param.name; });

// A folder or its ai.obj given as the argument is where the run works, as if
// started there; any other file, or a second argument, is refused untouched.
TEST(Arguments, NameTheFolderToWorkIn) {
  const ScratchDir dir;
  const std::string name = dir.path().filename().string();
  const struct {
    std::string args;
    int status;
    std::string err;
  } cases[] = {
      {name, 0, ""},
      {name + "/ai.obj", 0, ""},
      {name + "/vars/function.txt", 1,
       "tarvello: " + name + "/vars/function.txt: the listing is always ai.obj; give its folder instead\n"},
      {name + " " + name, 1, "tarvello: " + name + ": give one folder only\n"},
  };
  for (const auto &c : cases) {
    dir.write("ai.obj", "H\r\nL1\r\n");
    dir.write_tables();
    std::filesystem::remove(dir.path() / "ai_fixed.obj");
    Shell shell;
    shell.setup = "cd .. &&";
    shell.args = c.args;
    const auto run = run_tool(dir, "1 1", shell);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_EQ(run.err, c.err) << c.args;
    EXPECT_EQ(std::filesystem::exists(dir.path() / "ai_fixed.obj"), c.status == 0) << c.args;
  }
}

struct ErrorCase {
  const char *name;
  std::function<void(const ScratchDir &)> setup;
  std::string answers;
  std::string err;
  std::string screen;
  testing::Expected fixed;                                                  // ai_fixed.obj afterwards
  std::function<void(const ScratchDir &)> then = [](const ScratchDir &) {}; // further checks of the folder
};

const testing::Expected kAbsent = testing::Expected::absent();
/// The error for a missing listing, which names the folder looked in.
const std::string kNoListing = "tarvello: cannot read ai.obj in <folder>: " +
                               testing::cause("No such file or directory", "File not found") + "\n";

/// `text` with the scratch folder, as the tool writes it, for "<folder>".
std::string in_folder(std::string text, const ScratchDir &dir) {
  const std::size_t at = text.find("<folder>");
  return at == std::string::npos ? text : text.replace(at, 8, testing::folder_as_written(dir));
}

class Error : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(Error, IsOneLineOnStderrAndExitStatusOne) {
  const ErrorCase &c = GetParam();
  const ScratchDir dir;
  c.setup(dir);
  const auto run = run_tool(dir, c.answers);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, in_folder(c.err, dir));
  EXPECT_EQ(run.out, c.screen);
  c.fixed.check(dir, "ai_fixed.obj");
  EXPECT_EQ(testing::new_files_left(dir), 0);
  c.then(dir);
}

void listing(const ScratchDir &dir, const std::string &text) {
  dir.write("ai.obj", text);
  dir.write("ai_fixed.obj", "old output\r\n");
  dir.write_tables();
}

INSTANTIATE_TEST_SUITE_P(
    Errors, Error,
    ::testing::Values(
        ErrorCase{"ListingMissing", [](const ScratchDir &) {}, "1 1", kNoListing, "", kAbsent},
        ErrorCase{"ListingHiddenBehindAnExtension",
                  [](const ScratchDir &d) {
                    // The first in name order of the names with one more extension.
                    for (const char *name : {"ai.obj.zzz", "ai.obj.a.b", "ai.obj.txt"}) {
                      d.write(name, "H\r\n");
                    }
                  },
                  "1 1",
                  kNoListing.substr(0, kNoListing.size() - 1) +
                      " (there is an ai.obj.txt: Windows may hide its last extension)\n",
                  "", kAbsent},
        ErrorCase{"ListingMissingLeavesOldOutputAlone",
                  [](const ScratchDir &d) { d.write("ai_fixed.obj", "old"); }, "1 1", kNoListing, "", "old"},
        ErrorCase{"ListingIsUtf16", [](const ScratchDir &d) { listing(d, "\xFF\xFEH\0\r\0\n\0"s); }, "1 1",
                  "tarvello: ai.obj is UTF-16 text; save it as plain (ANSI or UTF-8) text\n", "",
                  "old output\r\n"},
        ErrorCase{"ListingIsBigEndianUtf16", [](const ScratchDir &d) { listing(d, "\xFE\xFF\0H\0\r\0\n"s); },
                  "1 1", "tarvello: ai.obj is UTF-16 text; save it as plain (ANSI or UTF-8) text\n", "",
                  "old output\r\n"},
        ErrorCase{"ListingIsADirectory",
                  [](const ScratchDir &d) { std::filesystem::create_directory(d.path() / "ai.obj"); }, "1 1",
                  "tarvello: cannot read ai.obj: " + testing::cause("Is a directory", "a folder") + "\n", "",
                  kAbsent},
        ErrorCase{"OutputIsADirectory",
                  [](const ScratchDir &d) {
                    d.write("ai.obj", "H\r\n");
                    d.write("ai_fixed.obj/kept", "old");
                  },
                  "1 1",
                  "tarvello: cannot replace ai_fixed.obj: " + testing::cause("Is a directory", "a folder") +
                      "\n",
                  "", testing::Expected::not_checked(),
                  [](const ScratchDir &d) {
                    EXPECT_TRUE(std::filesystem::is_directory(d.path() / "ai_fixed.obj"));
                    EXPECT_EQ(d.read("ai_fixed.obj/kept"), "old");
                  }},
        ErrorCase{"OutputIsTheListing",
                  [](const ScratchDir &d) {
                    d.write("ai.obj", "H\r\n");
                    std::filesystem::create_symlink("ai.obj", d.path() / "ai_fixed.obj");
                  },
                  "1 1", "tarvello: ai_fixed.obj is the same file as ai.obj\n", "", "H\r\n"},
        // The tables are checked before the first question, so their warnings come first.
        ErrorCase{"TablesCheckedBeforeTheFirstQuestion",
                  [](const ScratchDir &d) { d.write("ai.obj", "H\r\n"); }, "",
                  "tarvello: warning: no folder vars in <folder>, so every reference line is kept\n"
                  "tarvello: standard input ended before a number was given\n",
                  kBanner + kAskL, ""},
        ErrorCase{"InputEndsAtTheFirstPrompt", [](const ScratchDir &d) { listing(d, "H\r\nL1"); }, "",
                  "tarvello: standard input ended before a number was given\n", kBanner + kAskL, ""},
        ErrorCase{"PipedAnswerIsNoNumber", [](const ScratchDir &d) { listing(d, "H\r\nL1"); }, "12abc\n3\n",
                  "tarvello: \"12abc\" is not a whole number from -2147483648 to 2147483647\n",
                  kBanner + kAskL, ""},
        ErrorCase{"LineTooLong",
                  [](const ScratchDir &d) {
                    listing(d, crlf({"H", "L1", k999 + "x", "L2"}));
                  },
                  "100 0", "tarvello: ai.obj:3: line longer than 999 characters\n", screen_after(1), ""},
        ErrorCase{"FirstLineTooLong", [](const ScratchDir &d) { listing(d, k999 + "xx"); }, "0 0",
                  "tarvello: ai.obj:1: line longer than 999 characters\n", screen_after(0), ""},
        ErrorCase{"NumberOutOfRange",
                  [](const ScratchDir &d) {
                    listing(d, crlf({"H", "L5", "L99999999999"}));
                  },
                  "0 0", "tarvello: ai.obj:3: number outside the range -2147483648 to 2147483647\n",
                  screen_after(1), ""},
        ErrorCase{"SumOutOfRange",
                  [](const ScratchDir &d) {
                    listing(d, crlf({"H", "\tjump L2147483647"}));
                  },
                  "1 0",
                  "tarvello: ai.obj:2: 2147483647 plus the offset 1 is outside -2147483648 to 2147483647\n",
                  screen_after(0), ""},
        ErrorCase{"OutputIsASymbolicLinkToADevice",
                  [](const ScratchDir &d) {
                    d.write("ai.obj", crlf({"H", "L1"}));
                    std::filesystem::create_symlink("/dev/full", d.path() / "ai_fixed.obj");
                  },
                  // wine shows a link as what it leads to, here a device that Windows has no name for
                  "0 0",
                  "tarvello: cannot replace ai_fixed.obj: " +
                      testing::cause("a symbolic link", "Invalid parameter") + "\n",
                  "", testing::Expected::not_checked(),
                  [](const ScratchDir &d) {
                    EXPECT_TRUE(std::filesystem::is_symlink(d.path() / "ai_fixed.obj"));
                  }}),
    [](const auto &info) { return info.param.name; });

/// Windows starts the tool with no standard input handle at all, through a
/// launcher; elsewhere standard input is closed, the same case.
TEST(Console, NoStandardInputReadsAsEnded) {
  const ScratchDir dir;
  dir.write("ai.obj", "H\r\nL1\r\n");
  dir.write_tables();
  Shell shell;
  const char *launcher = std::getenv("TARVELLO_NO_STDIN");
  if (launcher != nullptr) {
    shell.program = "\"" + std::string(launcher) + "\"";
  } else {
    shell.input = "<&-";
  }
  const auto run = run_tool(dir, "1 1", shell);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "tarvello: standard input ended before a number was given\n");
}

TEST(Console, StderrIsWrittenInThePlatformsOwnForm) {
  const ScratchDir dir;
  dir.write("ai.obj", "H\r\n");
  dir.write_tables();
  std::filesystem::remove(dir.path() / "vars/handler.txt");
  const auto run = run_tool(dir, "1 1");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.raw_err, testing::windows_build()
                             ? "tarvello: warning: vars\\handler.txt: File not found\r\n"
                             : "tarvello: warning: vars/handler.txt: No such file or directory\n");
}

// With both streams in one file, as in a terminal, the table warnings stand
// between the banner and the first question.
TEST(PosixConsole, TableWarningsFollowTheBanner) {
  const ScratchDir dir;
  dir.write("ai.obj", "H\r\n");
  dir.write_tables();
  std::filesystem::remove(dir.path() / "vars/handler.txt");
  Shell shell;
  shell.output = ">screen.txt 2>&1";
  const auto run = run_tool(dir, "1 1", shell);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(dir.read("screen.txt"), kBanner +
                                        "tarvello: warning: vars/handler.txt: No such file or directory\n" +
                                        screen_after(1).substr(kBanner.size()));
}

// A read-only result is one that Windows will not let the run replace.
TEST(Console, AReadOnlyResultIsRefusedOnWindows) {
  if (!testing::windows_build()) {
    GTEST_SKIP() << "elsewhere the folder's rights decide";
  }
  const ScratchDir dir;
  dir.write("ai.obj", "H\r\n");
  dir.write_tables();
  dir.write("ai_fixed.obj", "old");
  std::filesystem::permissions(dir.path() / "ai_fixed.obj", std::filesystem::perms(0444));
  const auto run = run_tool(dir, "1 1");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "tarvello: cannot replace ai_fixed.obj: Access denied\n");
  EXPECT_EQ(dir.read("ai_fixed.obj"), "old");
}

// A folder named in any script comes out as it is, in UTF-8 when stderr is a file.
TEST(Console, AFolderInAnyScriptIsNamedAsItIs) {
  const ScratchDir dir;
  const std::string name = "\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0 \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 "
                           "\xE6\xB8\xB8\xE6\x88\x8F caf\xC3\xA9"; // Игра Ωμέγα 游戏 café
  std::filesystem::create_directory(dir.path() / std::filesystem::u8path(name));
  Shell shell;
  shell.setup = "cd '" + name + "' &&";
  const auto run = run_tool(dir, "1 1", shell);
  EXPECT_EQ(run.err, "tarvello: cannot read ai.obj in " + testing::folder_as_written(dir) +
                         (testing::windows_build() ? "\\" : "/") + name + ": " +
                         testing::cause("No such file or directory", "File not found") + "\n");
}

} // namespace
} // namespace tarvello
