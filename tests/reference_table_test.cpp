#include "io/fatal.h"
#include "tables/lookup.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tarvello {
namespace {

using testing::crlf;
using testing::ScratchDir;

const std::string kCall = "\tfunc_call\t0x0001\tOpenGate"; // its key is "\tOpenGate"
const std::string kOnOpen = "\thandler 0x03 OnOpen";       // its key is "OnOpen"
const std::string kAlarm = "\tpush_event\t// OnAlarm";

struct LookupCase {
  const char *name;
  ReferenceTable table; // its path is replaced by the scratch file's
  std::string bytes;    // the table file; "<dir>" makes it a directory, "<none>" leaves it out
  std::string line;
  std::optional<std::string> expected;
};

class Lookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(Lookup, FindsTheReplacementOrMisses) {
  const LookupCase &c = GetParam();
  const ScratchDir dir;
  const std::string path = (dir.path() / "table.txt").string();
  if (c.bytes == "<dir>") {
    std::filesystem::create_directory(path);
  } else if (c.bytes != "<none>") {
    dir.write("table.txt", c.bytes);
  }
  ReferenceTable table = c.table;
  table.path = path.c_str();
  std::string result = "unset";
  try {
    const bool found = lookup_reference(table, c.line, result) != Match::none;
    EXPECT_EQ(found ? std::optional<std::string>(result) : std::nullopt, c.expected);
  } catch (const ReadFailure &) {
    EXPECT_EQ(c.expected, "<cannot read>");
  } catch (const Fatal &e) { // named by its place: the path, then ":line: cause"
    EXPECT_EQ(c.expected, "<error>" + std::string(e.what()).substr(path.size()));
  }
}

INSTANTIATE_TEST_SUITE_P(
    SameLine, Lookup,
    ::testing::Values(
        LookupCase{"FunctionKeyAtSeventeen", function_table,
                   crlf({"\tfunc_call\t0x0007\tSleep", "\tfunc_call\t0x0105\tOpenGate", "end"}), kCall,
                   "\tfunc_call\t0x0105\tOpenGate"},
        LookupCase{"FunctionKeyBeforeSeventeenIsNoMatch", function_table,
                   crlf({"\tOpenGate\t0x0105........", "0123456789abcdef\tOpenGate",
                         "0123456789abcdefg\tOpenGate", "end"}),
                   kCall, "0123456789abcdefg\tOpenGate"},
        LookupCase{"FirstMatchWins", function_table,
                   crlf({"0123456789abcdefg\tOpenGate 1", "0123456789abcdefg\tOpenGate 2", "end"}), kCall,
                   "0123456789abcdefg\tOpenGate 1"},
        LookupCase{"HandlerKeyFromThirteen", handler_table,
                   crlf({"012345678901OnOpen", "0123456789012OnOpen", ""}), kOnOpen, "0123456789012OnOpen"},
        LookupCase{"HandlerKeyAtTwelveIsNoMatch", handler_table, crlf({"012345678901OnOpen", ""}), kOnOpen,
                   std::nullopt},
        LookupCase{"EmptyKeyIsAMiss", function_table, crlf({"a line long enough to hold any key", ""}),
                   "\tfunc_call\t0x0001", std::nullopt},
        LookupCase{"EmptyHandlerKeyIsAMiss", handler_table, crlf({"a line long enough to hold any key", ""}),
                   "\thandler 0x03 ", std::nullopt},
        LookupCase{"NoMatch", function_table, crlf({"\tfunc_call\t0x0007\tSleep", ""}), kCall, std::nullopt},
        LookupCase{"UnendedLastLineIsNeverTried", function_table, "x\r\n\tfunc_call\t0x0105\tOpenGate", kCall,
                   std::nullopt},
        LookupCase{"BareLineFeeds", function_table, "x\n0123456789abcdefg\tOpenGate\n", kCall,
                   "0123456789abcdefg\tOpenGate"},
        LookupCase{"MissingTable", function_table, "<none>", kCall, "<cannot read>"},
        LookupCase{"TableIsADirectory", function_table, "<dir>", kCall, "<cannot read>"},
        LookupCase{"EmptyTable", function_table, "", kCall, std::nullopt}),
    [](const auto &info) { return info.param.name; });

/// `count` short lines that hold no key, then `last` lines as given.
std::string after_filler(std::size_t count, std::initializer_list<std::string> last) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) {
    bytes += "\tfunc_call\t0x0007\tSleep" + std::to_string(i) + "\r\n";
  }
  return bytes + crlf(last);
}

const std::string kMatch = "0123456789abcdefg\tOpenGate";

// Corners of the scan that searches whole blocks rather than line by line.
INSTANTIATE_TEST_SUITE_P(
    BlockScan, Lookup,
    ::testing::Values(LookupCase{"TooEarlyThenValidInOneLine", function_table,
                                 crlf({"\tOpenGate 0123456\tOpenGate", ""}), kCall,
                                 "\tOpenGate 0123456\tOpenGate"},
                      LookupCase{"KeyEndingInCrMissesTheLineBreak", function_table,
                                 crlf({kMatch, kMatch + "\r", ""}), kCall + "\r", kMatch + "\r"},
                      // 2298 filler lines end 4 bytes before 64 KiB, where the block ends.
                      LookupCase{"HitAcrossABlockBoundary", function_table, after_filler(2298, {kMatch, ""}),
                                 kCall, kMatch},
                      LookupCase{"LongestLineWithCrBeforeTheHit", function_table,
                                 crlf({std::string(999, 'x'), kMatch}), kCall, kMatch},
                      LookupCase{"TooLongHitWithNoCr", function_table, std::string(974, 'x') + kMatch + "\n",
                                 kCall, "<error>:1: line longer than 999 characters"},
                      LookupCase{"TooLongLineAfterManyNamesItsLine", function_table,
                                 after_filler(100, {std::string(1000, 'x'), kMatch}), kCall,
                                 "<error>:101: line longer than 999 characters"},
                      LookupCase{"TooLongLineInTheSecondBlockNamesItsLine", function_table,
                                 after_filler(3000, {std::string(1000, 'x'), kMatch}), kCall,
                                 "<error>:3001: line longer than 999 characters"},
                      LookupCase{"TooLongUnendedLastLineAfterAMissNamesItsLine", function_table,
                                 after_filler(3000, {}) + std::string(1000, 'x'), kCall,
                                 "<error>:3001: line longer than 999 characters"}),
    [](const auto &info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    NextLine, Lookup,
    ::testing::Values(
        LookupCase{"ReplacementFollowsTheMatch", push_event_table,
                   crlf({"\tpush_event\t// OnWake", "\tpush_int\t3", kAlarm, "\tpush_int\t21", ""}), kAlarm,
                   "\tpush_int\t21"},
        LookupCase{"MatchMayHoldMoreThanTheLine", push_event_table, crlf({"x" + kAlarm + "x", "r", ""}),
                   kAlarm, "r"},
        LookupCase{"ReplacementLinesAreTriedToo", fetch_id_table, crlf({"a", "B-line", "B", "after"}), "B",
                   "B"},
        LookupCase{"UnendedLastLineIsReturnedWhole", push_event_table, kAlarm + "\r\nlast\r", kAlarm,
                   "last\r"},
        LookupCase{"MatchOnTheLastLineGivesAnEmptyLine", push_event_table, crlf({"x", kAlarm}), kAlarm, ""},
        LookupCase{"OneUnendedLineNeverMatches", push_event_table, kAlarm, kAlarm, std::nullopt},
        LookupCase{"NoMatch", fetch_id_table, crlf({"a", "b"}), kAlarm, std::nullopt}),
    [](const auto &info) { return info.param.name; });

TEST(Lookup, TableLineTooLongIsAnErrorNamingTheTable) {
  const ScratchDir dir;
  dir.write("vars/function.txt", crlf({"short", std::string(1000, 'x'), "0123456789abcdefg\tOpenGate"}));
  const std::string path = (dir.path() / "vars/function.txt").string();
  ReferenceTable table = function_table;
  table.path = path.c_str();
  std::string result;
  try {
    lookup_reference(table, kCall, result);
    FAIL() << "no error";
  } catch (const Fatal &e) {
    EXPECT_EQ(e.what(), path + ":2: line longer than 999 characters");
  }
}

TEST(Lookup, LinesPastTheMatchAreNotRead) {
  const ScratchDir dir;
  dir.write("t", crlf({"0123456789abcdefg\tOpenGate", std::string(5000, 'x')}));
  const std::string path = (dir.path() / "t").string();
  ReferenceTable table = function_table;
  table.path = path.c_str();
  std::string result;
  EXPECT_NE(lookup_reference(table, kCall, result), Match::none);
}

// A name byte after the key continues a longer name only where the key's own last byte is one too.
TEST(Lookup, ALongerNameNeedsANameByteOnBothSides) {
  const struct {
    std::string table_line;
    std::string line;
    Match match;
  } cases[] = {
      {"\tfunc_call\t0x0105\tGate.open", "\tfunc_call\t0x0001\tGate.", Match::whole},
      {"\tfunc_call\t0x0105\tGateway", "\tfunc_call\t0x0001\tGate", Match::name_start},
      {"\tfunc_call\t0x0105\tGate.x", "\tfunc_call\t0x0001\tGate", Match::whole},
  };
  const ScratchDir dir;
  const std::string path = (dir.path() / "t").string();
  ReferenceTable table = function_table;
  table.path = path.c_str();
  for (const auto &c : cases) {
    dir.write("t", crlf({c.table_line}));
    std::string result;
    EXPECT_EQ(lookup_reference(table, c.line, result), c.match) << c.table_line;
  }
}

} // namespace
} // namespace tarvello
