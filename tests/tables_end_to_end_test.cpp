// Whole runs of the tool in which reference lines are fixed from vars/.
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tarvello {
namespace {

using testing::crlf;
using testing::listing_of;
using testing::run_tool;
using testing::ScratchDir;
using testing::screen_after;
using namespace std::string_literals;

const std::string kCall = "\tfunc_call\t0x0001\tOpenGate";
const std::string kCallFixed = "\tfunc_call\t0x0105\tOpenGate";
const std::string kHandler = "\thandler 0x03 OnOpen";
const std::string kHandlerFixed = "\thandler 0x2A OnOpen";
const std::string kAlarm = "\tpush_event\t// OnAlarm";
const std::string kLast = "\tpush_event\t// OnLast";
const std::string kNoise = "\tpush_event\t// OnNoise";
const std::string kGuard = "\tfetch_i\t// guard_id";

void write_tables(const ScratchDir &dir) {
  dir.write_tables(crlf({"\tfunc_call\t0x0042\tSleep", kCallFixed, "\tfunc_call\t0x0099\tRingBellLoud"}),
                   crlf({kHandlerFixed, "\thandler 0x2C OnShutDown"}),
                   crlf({"\tpush_event\t// OnRingOut", "\tpush_int\t7", kAlarm, "\tpush_int\t21", kLast}),
                   crlf({kGuard, "\tpush_int\t118"}));
}

struct TableRunCase {
  const char *name;
  std::string listing;
  std::string fixed;
  int passes;
  std::string err; // the report of misses
};

std::string report(const std::string &table, const std::string &what) {
  return "tarvello: warning: vars/" + table + ": " + what + "\n";
}

class TableRun : public ::testing::TestWithParam<TableRunCase> {};

TEST_P(TableRun, FixesReferencesWithLabels10AndStrings5) {
  const TableRunCase &c = GetParam();
  const ScratchDir dir;
  dir.write("ai.obj", c.listing);
  write_tables(dir);
  const auto run = run_tool(dir, "10 5\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, c.err);
  EXPECT_EQ(run.out, screen_after(c.passes));
  EXPECT_EQ(dir.read("ai_fixed.obj"), c.fixed);
}

INSTANTIATE_TEST_SUITE_P(
    Listings, TableRun,
    ::testing::Values(
        TableRunCase{"AllFourRulesHit",
                     crlf({"H", kCall, kHandler, kAlarm, "L3", kGuard, "\tpush_int\t0", "L1"}),
                     crlf({"H", kCallFixed, kHandlerFixed, kAlarm, "\tpush_int\t21", kGuard,
                           "\tpush_int\t118", "L11", ""}),
                     6, ""},
        TableRunCase{"MissesKeepEveryLine",
                     crlf({"H", "\tfunc_call\t0x0002\tWander", "\thandler 0x04 OnClose", kNoise, "L3",
                           "\tfetch_i\t// cat_id", "S1.x"}),
                     crlf({"H", "\tfunc_call\t0x0002\tWander", "\thandler 0x04 OnClose", kNoise, "L3",
                           "\tfetch_i\t// cat_id", "S1.x", ""}),
                     5,
                     report("function.txt", "1 reference line found no match and was kept: ai.obj:2") +
                         report("handler.txt", "1 reference line found no match and was kept: ai.obj:3") +
                         report("push_event.txt", "1 reference line found no match and was kept: ai.obj:4") +
                         report("fetch_id.txt", "1 reference line found no match and was kept: ai.obj:6")},
        TableRunCase{"MoreThanTenMisses", listing_of(12, "\tfunc_call\t0x0002\tWander"),
                     listing_of(12, "\tfunc_call\t0x0002\tWander") + "\r\n", 13,
                     report("function.txt", "12 reference lines found no match and were kept: ai.obj:2, "
                                            "ai.obj:3, ai.obj:4, ai.obj:5, ai.obj:6, ai.obj:7, ai.obj:8, "
                                            "ai.obj:9, ai.obj:10, ai.obj:11, and 2 more")},
        TableRunCase{"EventOnTheLastEndedLine", crlf({"H", kAlarm}), crlf({"H", kAlarm, "\tpush_int\t21"}), 1,
                     ""},
        TableRunCase{"FetchOnTheLastUnendedLine", "H\r\n" + kGuard, crlf({"H", kGuard, "\tpush_int\t118"}), 1,
                     ""},
        TableRunCase{"MissOnTheLastLineWritesAnEmptyLine", crlf({"H", kNoise}), crlf({"H", kNoise, ""}), 1,
                     report("push_event.txt", "1 reference line found no match and was kept: ai.obj:2")},
        TableRunCase{"MatchOnTheTablesLastLine", crlf({"H", kLast, "L1", "L2"}),
                     crlf({"H", kLast, "", "L12", ""}), 3, ""},
        TableRunCase{"FunctionCallBeforeJump", crlf({"H", kCall + "\tjump L1"}),
                     crlf({"H", kCall + "\tjump L1", ""}), 2,
                     report("function.txt", "1 reference line found no match and was kept: ai.obj:2")},
        TableRunCase{"HandlerBeforeLabelEntry", crlf({"H", "Lhandler 0x03OnOpen"}),
                     crlf({"H", kHandlerFixed, ""}), 2,
                     "tarvello: warning: 1 line that begins with L or S was taken by \"handler \" and not "
                     "renumbered as an entry: ai.obj:2\n"},
        TableRunCase{"FetchIdIsNoTrigger", crlf({"H", "\tfetch_id\t// guard_id", "L1"}),
                     crlf({"H", "\tfetch_id\t// guard_id", "L11", ""}), 3, ""},
        TableRunCase{"EmptyKeyIsKept", crlf({"H", "\tfunc_call"}), crlf({"H", "\tfunc_call", ""}), 2,
                     report("function.txt", "1 reference line found no match and was kept: ai.obj:2")},
        TableRunCase{"EntriesTakenByEarlierRules", listing_of(12, "S0.Press jump Left"),
                     listing_of(12, "S0.Press jump L10") + "\r\n", 13,
                     "tarvello: warning: 12 lines that begin with L or S were taken by \"jump L\" and not "
                     "renumbered as entries: ai.obj:2, ai.obj:3, ai.obj:4, ai.obj:5, ai.obj:6, ai.obj:7, "
                     "ai.obj:8, ai.obj:9, ai.obj:10, ai.obj:11, and 2 more\n"},
        TableRunCase{
            "TakingTextWithATabShowsIt", crlf({"H", "Lfetch_i\t// guard", "x"}),
            crlf({"H", "Lfetch_i\t// guard", "x", ""}), 2,
            report("fetch_id.txt", "1 reference line found no match and was kept: ai.obj:2") +
                "tarvello: warning: 1 line that begins with L or S was taken by \"fetch_i\\t//\" and "
                "not renumbered as an entry: ai.obj:2\n"},
        // Each line names the first text of its rule, and three texts are still few enough to name.
        TableRunCase{"ThreeTakingTextsAreNamed",
                     crlf({"H", "S1 branch_true jump L1", "L1 push_string S1", "S2 branch_false L2"}),
                     crlf({"H", "S1 branch_true jump L11", "L1 push_string S6", "S2 branch_false L12", ""}),
                     4,
                     "tarvello: warning: 3 lines that begin with L or S were taken by \"branch_false\", "
                     "\"branch_true\" or \"push_string\" and not renumbered as entries: ai.obj:2, ai.obj:3, "
                     "ai.obj:4\n"},
        TableRunCase{
            "FourTakingTextsAreNotNamed",
            crlf({"H", "S1 branch_true L1", "L1 push_string S1", "S2 branch_false L2", "L2 jump L3"}),
            crlf({"H", "S1 branch_true L11", "L1 push_string S6", "S2 branch_false L12", "L2 jump L13", ""}),
            5,
            "tarvello: warning: 4 lines that begin with L or S were taken by other rules and not "
            "renumbered as entries: ai.obj:2, ai.obj:3, ai.obj:4, ai.obj:5\n"},
        TableRunCase{
            "NearMissesAreNamed", listing_of(11, "\tjump\tL0"), listing_of(11, "\tjump\tL0") + "\r\n", 12,
            "tarvello: warning: 11 lines differ from a rule's text only in white space and were copied "
            "unchanged: ai.obj:2, ai.obj:3, ai.obj:4, ai.obj:5, ai.obj:6, ai.obj:7, ai.obj:8, "
            "ai.obj:9, ai.obj:10, ai.obj:11, and 1 more\n"},
        TableRunCase{
            "MatchesOnlyTheStartOfALongerName",
            crlf({"H", "\tfunc_call\t0x0000\tRingBell", "\thandler 0x05 OnShut", "\tpush_event\t// OnRing",
                  "L1"}),
            crlf({"H", "\tfunc_call\t0x0099\tRingBellLoud", "\thandler 0x2C OnShutDown",
                  "\tpush_event\t// OnRing", "\tpush_int\t7", ""}),
            4,
            report("function.txt", "1 reference line matched only the start of a longer name: ai.obj:2") +
                report("handler.txt", "1 reference line matched only the start of a longer name: ai.obj:3") +
                report("push_event.txt",
                       "1 reference line matched only the start of a longer name: ai.obj:4")},
        TableRunCase{"FirstLineIsNotLookedUp", crlf({kCall, kCall}), crlf({kCall, kCallFixed, ""}), 2, ""}),
    [](const auto &info) { return info.param.name; });

TEST(TableRun, WarnsAboutEachTableThatCannotBeReadAndGoesOn) {
  const ScratchDir dir;
  dir.write("ai.obj", crlf({"H", kCall, kAlarm, "L1"}));
  dir.write("vars/function.txt", crlf({kCallFixed}));
  std::filesystem::create_directory(dir.path() / "vars/handler.txt");
  const auto run = run_tool(dir, "10 5\n");
  EXPECT_EQ(run.status, 0);
  const std::string missing = testing::cause("No such file or directory", "File not found");
  EXPECT_EQ(run.err, "tarvello: warning: vars/handler.txt: " + testing::cause("Is a directory", "a folder") +
                         "\ntarvello: warning: vars/push_event.txt: " + missing +
                         "\ntarvello: warning: vars/fetch_id.txt: " + missing + "\n" +
                         report("push_event.txt", "1 reference line was kept, as the table cannot be read (" +
                                                      missing + "): ai.obj:3"));
  EXPECT_EQ(run.out, screen_after(3));
  EXPECT_EQ(dir.read("ai_fixed.obj"), crlf({"H", kCallFixed, kAlarm, "L1", ""}));
}

TEST(TableRun, AMissingTableNamesOneWithAnotherExtension) {
  const ScratchDir dir;
  dir.write("ai.obj", crlf({"H", kHandler}));
  write_tables(dir);
  std::filesystem::rename(dir.path() / "vars/handler.txt", dir.path() / "vars/handler.txt.txt");
  const auto run = run_tool(dir, "10 5\n");
  const std::string missing = testing::cause("No such file or directory", "File not found");
  EXPECT_EQ(run.err,
            report("handler.txt", missing + " (there is a " + std::string("vars/handler.txt.txt") +
                                      ": Windows may hide its last extension)") +
                report("handler.txt", "1 reference line was kept, as the table cannot be read (" + missing +
                                          "; there is a vars/handler.txt.txt: Windows may "
                                          "hide its last extension): ai.obj:2"));
}

// A table saved without a line break after its last line: the report says why that line's reference missed.
TEST(TableRun, AMissOnTheUnendedLastLineSaysHowToMendIt) {
  const ScratchDir dir;
  dir.write("ai.obj", crlf({"H", kCall, kHandler}));
  write_tables(dir);
  dir.write("vars/function.txt", "\tfunc_call\t0x0042\tSleep\r\n" + kCallFixed);
  const auto run = run_tool(dir, "10 5\n");
  EXPECT_EQ(run.err,
            report("function.txt:2", "the last line has no line break and is never tried") +
                report("function.txt", "1 reference line was kept, as its match stands on the last line, "
                                       "vars/function.txt:2, which has no line break and is never "
                                       "tried; add a line break after it: ai.obj:2"));
}

TEST(TableRun, TableOfOnlyAByteOrderMarkIsEmpty) {
  const ScratchDir dir;
  dir.write("ai.obj", crlf({"H", kHandler}));
  write_tables(dir);
  dir.write("vars/handler.txt", "\xEF\xBB\xBF");
  const auto run = run_tool(dir, "10 5\n");
  EXPECT_EQ(run.err, report("handler.txt", "1 reference line found no match and was kept: ai.obj:2"));
}

TEST(TableRun, ReadsTablesAsTheirEditorsSaveThem) {
  const ScratchDir dir;
  dir.write("ai.obj", crlf({"H", kCall, kHandler, kGuard, "\tpush_int\t0", kAlarm, "\tpush_int\t0"}));
  write_tables(dir);
  dir.write("vars/function.txt", "\xEF\xBB\xBF" + crlf({kCallFixed}));        // a UTF-8 mark
  dir.write("vars/handler.txt", "\xFF\xFE\t\0h\0\r\0\n\0"s);                  // UTF-16
  dir.write("vars/fetch_id.txt", crlf({kGuard, "\tpush_int\t118"}) + "last"); // an unended match line
  dir.write("vars/push_event.txt", crlf({kAlarm}) + "\tpush_int\t21");        // an unended replacement line
  const auto run = run_tool(dir, "10 5\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            "tarvello: warning: vars/handler.txt: UTF-16 text; save it as plain (ANSI or UTF-8) text\n"
            "tarvello: warning: vars/fetch_id.txt:3: the last line has no line break and is never tried\n" +
                report("handler.txt", "1 reference line was kept, as the table cannot be read (UTF-16 "
                                      "text; save it as plain (ANSI or UTF-8) text): ai.obj:3"));
  EXPECT_EQ(dir.read("ai_fixed.obj"),
            crlf({"H", kCallFixed, kHandler, kGuard, "\tpush_int\t118", kAlarm, "\tpush_int\t21", ""}));
}

TEST(TableRun, AMissingTableFolderIsOneWarning) {
  const ScratchDir dir;
  dir.write("ai.obj", crlf({"H", kCall}));
  const auto run = run_tool(dir, "10 5\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            "tarvello: warning: no folder vars in " + testing::folder_as_written(dir) +
                ", so every reference line is kept\n" +
                report("function.txt", "1 reference line was kept, as the table cannot be read (" +
                                           testing::cause("No such file or directory", "Path not found") +
                                           "): ai.obj:2"));
}

TEST(TableRun, TableLineTooLongStopsTheRunWithoutAReport) {
  const ScratchDir dir;
  dir.write("ai.obj", crlf({"H", "\thandler 0x04 OnClose", kCall, "L2"}));
  write_tables(dir);
  dir.write("vars/function.txt", crlf({std::string(1000, 'x'), kCallFixed}));
  const auto run = run_tool(dir, "10 5\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "tarvello: vars/function.txt:1: line longer than 999 characters\n");
  EXPECT_EQ(run.out, screen_after(1));
  EXPECT_EQ(dir.read("ai_fixed.obj"), ""); // a run that fails leaves nothing that looks finished
}

} // namespace
} // namespace tarvello
