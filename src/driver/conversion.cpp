#include "driver/conversion.h"

#include "driver/end_report.h"
#include "driver/folder_argument.h"
#include "driver/opening.h"
#include "driver/options.h"
#include "driver/renumber.h"
#include "driver/rule_choice.h"
#include "driver/rule_doubts.h"
#include "driver/window.h"
#include "io/fatal.h"
#include "io/message.h"
#include "platform/platform.h"
#include "tables/lookup.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <new>
#include <utility>

namespace tarvello {

namespace {

/// The first line is copied as it stands; every later line goes through the rules.
void convert(RunState &st, OutBuffer &screen) {
  write_line(st, st.in.read_line());
  while (!st.in.at_end()) {
    rewrite_line(st, st.in.read_line());
    st.line_count.next();
    screen.put_padded(st.line_count.text());
  }
}

void run(const Console &console, OutBuffer &screen) {
  OutputFile fixed(kFixed, console.err);
  auto st = std::make_unique<RunState>(fixed);
  const platform::Stamp listing = open_run_files(*st, fixed);
  print_banner(screen);
  screen.flush(); // every table warning stands between the banner and the first question
  check_tables(st->tables, console.err);
  st->Lx = ask_offset("Start writing from entry (Lxx): ", console, screen);
  st->Sx = ask_offset("Start writing from entry (Sxx): ", console, screen);
  warn_of_left_over(console);
  fixed.start();
  convert(*st, screen);
  if (st->in.stamp() != listing) { // another program wrote it meanwhile
    throw Fatal(message::changed_while_read(kListing));
  }
  st->out.flush();
  screen.flush(); // before the result is in place, so that a failed write leaves ai_fixed.obj empty
  fixed.commit();
  report_end(st->tables, st->doubts, kListing, console.err);
}

} // namespace

void rewrite_line(RunState &st, byte_scan::Padded line) {
  const Rule rule = choose_rule(line);
  // A line that rules 1 to 6 take holds one of their texts, so it has a first character.
  if (is_chosen_by_text(rule) && (line.front() == 'L' || line.front() == 'S')) {
    st.doubts.note_taken_entry(line, rule, st.in.line_number());
  }
  switch (rule) {
  case Rule::function:
    return replace_reference_line(st, line, function_table);
  case Rule::handler:
    return replace_reference_line(st, line, handler_table);
  case Rule::push_event:
    return replace_following_line(st, line, push_event_table);
  case Rule::fetch_id:
    return replace_following_line(st, line, fetch_id_table);
  case Rule::label_operand:
    return renumber_label_operand(st, line);
  case Rule::string_operand:
    return renumber_string_operand(st, line);
  case Rule::label_entry:
    return renumber_label_entry(st, line);
  case Rule::string_entry:
    return renumber_string_entry(st, line);
  case Rule::near_miss:
    st.doubts.near_misses.add(st.in.line_number());
    break;
  case Rule::copy:
    break;
  }
  write_line(st, line);
}

namespace {

/// Shows an error where it harms nothing, after the progress already made.
void report_error(const Console &console, OutBuffer &screen, const std::string &text,
                  Fatal::Shown shown = Fatal::Shown::on_stderr) {
  try {
    if (shown == Fatal::Shown::on_stdout) {
      screen.put(message::error_line(text));
    }
    screen.flush();
  } catch (const std::exception &) {
    // Standard output is lost; the error below still goes to stderr.
  }
  if (shown == Fatal::Shown::on_stderr) {
    message::print_error(console.err, text);
  }
}

} // namespace

int run_conversion(const Console &console, const std::vector<std::string_view> &args) {
  OutBuffer screen(console.out);
  try {
    if (const auto information = information_requested(args)) {
      screen.put(*information); // before any file is opened
    } else {
      enter_folder_given(args, kListing);
      run(console, screen);
    }
    screen.flush();
    return 0;
  } catch (const Fatal &e) {
    report_error(console, screen, e.what(), e.shown());
  } catch (const std::bad_alloc &) {
    report_error(console, screen, message::out_of_memory());
  } catch (const std::exception &e) { // none is known to reach here; one line is still better than an abort
    report_error(console, screen, e.what());
  }
  return 1;
}

namespace {

/// Memory held back so that a failed allocation can still be reported: the
/// exception and the error line need a little, and a throw with none at all
/// ends the process without a word.
char *reserve = nullptr;
constexpr std::size_t kReserve = std::size_t{64} * 1024;

[[noreturn]] void release_reserve() {
  std::free(std::exchange(reserve, nullptr));
  throw std::bad_alloc();
}

/// By malloc: a failed nothrow new may still throw inside, which needs memory.
bool hold_reserve() {
  reserve = static_cast<char *>(std::malloc(kReserve));
  std::set_new_handler(release_reserve);
  return reserve != nullptr;
}

int run_process(int argc, const char *const *argv) {
  DescriptorInput in(platform::kStdin);
  DescriptorSink out(platform::kStdout, "standard output");
  const Console console{in, out, std::cerr, platform::is_terminal(platform::kStdin),
                        platform::is_terminal(platform::kStdin) && platform::is_terminal(platform::kStdout)};
  const std::vector<std::string> words = platform::arguments(argc, argv);
  const std::vector<std::string_view> args(words.begin(), words.end());
  const int status = run_conversion(console, args);
  if (should_keep_window_open(platform::console_facts())) {
    ConsoleKeys keys;
    OutBuffer screen(out);
    wait_for_enter(keys, screen);
  }
  return status;
}

} // namespace

int run_conversion(int argc, const char *const *argv) {
  if (const int err = platform::prepare_process(); err != 0) {
    message::print_error(std::cerr,
                         message::cannot("hold", "a closed standard descriptor", Cause::system(err)));
    return 1;
  }
  if (!hold_reserve()) { // no memory at all: not even for an exception or a message
    for (const std::string_view part : {message::kTool, message::kOutOfMemory, std::string_view("\n")}) {
      platform::write_all(platform::kStderr, part);
    }
    return 1;
  }
  try {
    return run_process(argc, argv);
  } catch (const std::bad_alloc &) { // before the run could catch it, or after
    message::print_error(std::cerr, message::out_of_memory());
    return 1;
  }
}

} // namespace tarvello
