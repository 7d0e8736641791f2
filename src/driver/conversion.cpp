#include "driver/conversion.h"

#include "driver/information.h"
#include "driver/progress.h"
#include "driver/renumber.h"
#include "driver/rule_choice.h"
#include "driver/window.h"
#include "io/fatal.h"
#include "io/message.h"
#include "platform/platform.h"
#include "tables/lookup.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>

namespace tarvello {

namespace {

constexpr const char *kListing = "ai.obj";
constexpr const char *kFixed = "ai_fixed.obj";

/// Creating the output empties it, so it must not be one of the inputs under
/// another name, through a symbolic or a hard link.
void refuse_output_over_an_input() {
  std::error_code ignored;
  if (std::filesystem::equivalent(kListing, kFixed, ignored)) {
    throw Fatal(message::same_file(kFixed, kListing));
  }
  for (const ReferenceTable &table : reference_tables) {
    if (std::filesystem::equivalent(table.path, kFixed, ignored)) {
      throw Fatal(message::same_file(kFixed, table.path));
    }
  }
}

void open_files(RunState &st, FileSink &fixed) {
  if (const Cause cause = st.in.open(kListing); cause.failed()) {
    throw Fatal(message::cannot("read", kListing, cause));
  }
  refuse_output_over_an_input();
  fixed.create(kFixed);
}

/// The first line is copied as it stands; every later line goes through the rules.
void convert(RunState &st, OutBuffer &screen) {
  ProgressLine progress;
  write_line(st, st.in.read_line());
  while (!st.in.at_end()) {
    st.s = st.in.read_line();
    rewrite_line(st);
    ++st.line_count;
    progress.next();
    screen.put(progress.text());
  }
}

void run(const Console &console, OutBuffer &screen) {
  FileSink fixed;
  auto st = std::make_unique<RunState>(fixed);
  open_files(*st, fixed);
  print_banner(screen);
  st->Lx = ask_offset("Start writing from entry (Lxx): ", console, screen);
  st->Sx = ask_offset("Start writing from entry (Sxx): ", console, screen);
  check_tables(st->tables, console.err);
  convert(*st, screen);
  st->out.flush();
  fixed.close();
  screen.flush(); // the report follows the last progress line
  report_misses(st->tables, kListing, console.err);
}

} // namespace

void rewrite_line(RunState &st) {
  switch (choose_rule(st.s)) {
  case Rule::function:
    return replace_reference_line(st, function_table);
  case Rule::handler:
    return replace_reference_line(st, handler_table);
  case Rule::push_event:
    return replace_following_line(st, push_event_table);
  case Rule::fetch_id:
    return replace_following_line(st, fetch_id_table);
  case Rule::label_operand:
    return renumber_label_operand(st);
  case Rule::string_operand:
    return renumber_string_operand(st);
  case Rule::label_entry:
    return renumber_label_entry(st);
  case Rule::string_entry:
    return renumber_string_entry(st);
  case Rule::copy:
    break;
  }
  write_line(st, st.s);
}

int run_conversion(const Console &console, const std::vector<std::string_view> &args) {
  OutBuffer screen(console.out);
  try {
    if (const auto information = information_requested(args)) {
      screen.put(*information); // before any file is opened
    } else {
      run(console, screen);
    }
    screen.flush();
    return 0;
  } catch (const std::exception &e) { // Fatal, and the rare std::bad_alloc
    try {
      screen.flush(); // progress already made is shown before the error
    } catch (const Fatal &) {
      // Standard output is lost; the error below still goes to stderr.
    }
    message::print_error(console.err, e.what());
    return 1;
  }
}

int run_conversion(int argc, const char *const *argv) {
  platform::prepare_process();
  DescriptorInput in(platform::kStdin);
  FileSink out(platform::kStdout, "standard output");
  const Console console{in, out, std::cerr, platform::is_terminal(platform::kStdin)};
  const std::vector<std::string_view> args(argv + std::min(argc, 1), argv + argc);
  const int status = run_conversion(console, args);
  if (should_keep_window_open(platform::console_facts())) {
    OutBuffer screen(out);
    wait_for_enter(in, screen);
  }
  return status;
}

} // namespace tarvello
