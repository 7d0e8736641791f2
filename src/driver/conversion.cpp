#include "driver/conversion.h"

#include "driver/fatal.h"
#include "driver/progress.h"
#include "driver/renumber.h"
#include "tables/reference_table.h"

#include <cstdio>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif
#include <filesystem>
#include <iostream>
#include <memory>

namespace tarvello {

namespace {

constexpr const char *kListing = "ai.obj";
constexpr const char *kFixed = "ai_fixed.obj";

bool contains(std::string_view line, std::string_view text) {
  return line.find(text) != std::string_view::npos;
}

void open_files(RunState &st, FileSink &fixed) {
  if (const int err = st.in.open(kListing); err != 0) {
    throw Fatal(std::string("cannot read ") + kListing + ": " + describe_error(err));
  }
  std::error_code ignored;
  if (std::filesystem::equivalent(kListing, kFixed, ignored)) {
    throw Fatal(std::string(kFixed) + " is the same file as " + kListing);
  }
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
  warn_unreadable_tables(console.err);
  convert(*st, screen);
  st->out.flush();
  fixed.close();
}

} // namespace

void rewrite_line(RunState &st) {
  const std::string_view s = st.s;
  if (contains(s, "func_call")) {
    replace_reference_line(st, function_table);
  } else if (contains(s, "handler ")) {
    replace_reference_line(st, handler_table);
  } else if (contains(s, "push_event\t//")) {
    replace_following_line(st, push_event_table);
  } else if (contains(s, "fetch_i\t//")) {
    replace_following_line(st, fetch_id_table);
  } else if (contains(s, "branch_false") || contains(s, "branch_true") || contains(s, "jump L")) {
    renumber_label_operand(st);
  } else if (contains(s, "push_string")) {
    renumber_string_operand(st);
  } else if (!s.empty() && s.front() == 'L') {
    renumber_label_entry(st);
  } else if (!s.empty() && s.front() == 'S') {
    renumber_string_entry(st);
  } else {
    write_line(st, s);
  }
}

int run_conversion(const Console &console) {
  StreamSink screen_sink(console.out);
  OutBuffer screen(screen_sink);
  try {
    run(console, screen);
    screen.flush();
    console.out.flush();
    return 0;
  } catch (const std::exception &e) { // Fatal, and the rare std::bad_alloc
    try {
      screen.flush(); // progress already made is shown before the error
      console.out.flush();
    } catch (const Fatal &) {
      // Standard output is lost; the error below still goes to stderr.
    }
    console.err << "tarvello: " << e.what() << '\n';
    console.err.flush();
    return 1;
  }
}

int run_conversion() {
  // Output is already gathered into large blocks; a line-buffered console
  // would cut each block into many small writes.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
#if defined(_WIN32)
  // Error lines end in a bare LF, as everywhere; stdout keeps the console's CR LF.
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  const Console console{std::cin, std::cout, std::cerr};
  return run_conversion(console);
}

} // namespace tarvello
