// Fuzz target: one input becomes a whole run of the tool in a scratch folder.
//
// Input layout. Byte 0: bit 0 leaves ai.obj out, bit 1 makes it a directory,
// bit 2 makes ai_fixed.obj a directory, bit 3 types the answers at a terminal,
// bit 4 puts 64 KiB of filler lines before the listing and bit 5 before each
// table, so that their lines cross the 64 KiB blocks they are read in, where
// bits 6 and 7 shift the boundary. Byte 1: two bits per reference
// table (function, handler, push_event, fetch_id): 1 leaves the table out, 2 makes it a directory, 0 and 3
// write it as a file. The rest is split at each
// "\xff\xfe" into the answers typed at the prompts, the listing, and the four
// tables; missing pieces are empty.
//
// Beyond "no crash", every run must end with status 0 or 1, write a listing of
// CR LF lines on success, print only the banner, prompts and numbered progress
// lines on stdout, ask again only at a terminal, report one error line on
// failure, leave no new file of its own behind, and leave its input files as
// they were. With answers from a file, it must also give what the plain
// model gives: the same status, the same ai_fixed.obj to the byte, and the
// same lines named by each warning of the end report.
#include "driver/conversion.h"
#include "plain_model.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char *const kTables[] = {"vars/function.txt", "vars/handler.txt", "vars/push_event.txt",
                               "vars/fetch_id.txt"};
const std::string kNoNumber = " is not a whole number from -2147483648 to 2147483647";

bool ends_with(const std::string &text, const std::string &end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void require(bool holds, const char *what) {
  if (!holds) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
  }
}

std::vector<std::string> split(std::string_view rest) {
  std::vector<std::string> pieces;
  for (;;) {
    const std::size_t cut = rest.find("\xff\xfe");
    pieces.emplace_back(rest.substr(0, cut));
    if (cut == std::string_view::npos) {
      break;
    }
    rest.remove_prefix(cut + 2);
  }
  pieces.resize(std::max<std::size_t>(pieces.size(), 6));
  return pieces;
}

std::string read_file(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// Filler lines that end `shift` bytes short of 64 KiB, 90 + 12 * `shift`
/// bytes before it: what follows crosses a block boundary near its start.
std::string filler(unsigned shift) {
  std::string lines = std::string(std::size_t{12} * shift, 'F') + "\r\n";
  while (lines.size() + 99 <= 65536 - 90) {
    lines += std::string(97, 'F') + "\r\n";
  }
  return lines;
}

/// Lays out one piece: kind 1 leaves the file out, kind 2 makes a directory.
void place(const fs::path &path, const std::string &bytes, unsigned kind) {
  if (kind == 2) {
    fs::create_directory(path);
  } else if (kind != 1) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
}

void enter_scratch_folder() {
  static bool entered = false;
  if (!entered) {
    static const fs::path dir =
        fs::temp_directory_path() / ("tarvello-fuzz-" + std::to_string(std::random_device()()));
    fs::create_directories(dir);
    fs::current_path(dir);
    std::atexit([] {
      std::error_code ignored;
      fs::current_path(dir.parent_path(), ignored);
      fs::remove_all(dir, ignored);
    });
    entered = true;
  }
  for (const char *name : {"ai.obj", "ai_fixed.obj", "vars"}) {
    fs::remove_all(name);
  }
  fs::create_directory("vars");
}

bool new_file_left() {
  for (const auto &entry : fs::directory_iterator(".")) {
    if (entry.path().filename().string().rfind("ai_fixed.obj.", 0) == 0) {
      return true;
    }
  }
  return false;
}

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

/// stdout: the banner, prompts, then progress lines numbered from 1, in that
/// order, any of them cut short only by an error. Returns the prompts shown.
int check_screen(const std::string &out) {
  const std::string banner = std::string("Tarvello v") + TARVELLO_VERSION + "\n";
  if (out.empty()) {
    return 0;
  }
  require(out.rfind(banner, 0) == 0, "stdout starts with the banner");
  std::size_t at = out.find("\n\n") + 2;
  int prompts = 0;
  for (const char *prompt : {"Start writing from entry (Lxx): ", "Start writing from entry (Sxx): "}) {
    for (; out.compare(at, std::string_view(prompt).size(), prompt) == 0; ++prompts) {
      at += std::string_view(prompt).size();
    }
  }
  long expected = 1;
  for (const std::string &line : lines_of(out.substr(at))) {
    require(line == "line " + std::to_string(expected++) + " done ", "progress lines count up from 1");
  }
  return prompts;
}

/// stderr: warnings and answer complaints, then on failure one error line.
void check_errors(const std::string &err, int status, int prompts, bool interactive) {
  std::vector<std::string> lines = lines_of(err);
  for (const std::string &line : lines) {
    require(line.rfind("tarvello: ", 0) == 0, "every stderr line starts with the tool's name");
  }
  if (status == 1) {
    require(!lines.empty() && lines.back().rfind("tarvello: warning: ", 0) != 0,
            "a failed run ends with its error");
    lines.pop_back();
  }
  int complaints = 0;
  for (const std::string &line : lines) {
    const bool complaint = ends_with(line, kNoNumber);
    require(complaint || line.rfind("tarvello: warning: ", 0) == 0, "one error line, and only at the end");
    complaints += complaint ? 1 : 0;
  }
  require(interactive || complaints == 0, "piped answers are never asked again");
  // At a terminal an empty line asks again too, with no complaint.
  require(status == 1 || (interactive ? complaints <= prompts - 2 : complaints == prompts - 2),
          "each answer that is no number is asked again");
}

void check_listing(const std::string &fixed) {
  require(fixed.size() >= 2 && fixed.compare(fixed.size() - 2, 2, "\r\n") == 0,
          "the listing ends with CR LF");
  for (std::size_t i = fixed.find('\n'); i != std::string::npos; i = fixed.find('\n', i + 1)) {
    require(i > 0 && fixed[i - 1] == '\r', "every line ends with CR LF");
  }
}

/// What one warning of the end report says: how many lines, and the ones it names.
struct Reported {
  std::int64_t count = 0;
  tarvello::plain::LineNumbers lines;
};

/// The warning that begins with `start` and a count, and holds one of `marks`.
Reported reported(const std::string &err, const std::string &start, std::vector<const char *> marks) {
  Reported seen;
  for (const std::string &line : lines_of(err)) {
    const bool marked = std::any_of(marks.begin(), marks.end(),
                                    [&](const char *mark) { return line.find(mark) != std::string::npos; });
    if (line.rfind(start, 0) != 0 || !marked ||
        std::isdigit(static_cast<unsigned char>(line[start.size()])) == 0) {
      continue;
    }
    seen.count += std::strtoll(line.c_str() + start.size(), nullptr, 10);
    for (std::size_t at = line.find("ai.obj:"); at != std::string::npos; at = line.find("ai.obj:", at + 1)) {
      seen.lines.push_back(std::strtoll(line.c_str() + at + 7, nullptr, 10));
    }
  }
  return seen;
}

/// The warning names as many lines as the plain model's, and the first of them.
void require_same(const Reported &seen, const tarvello::plain::LineNumbers &plain, const char *what) {
  tarvello::plain::LineNumbers shown = plain;
  shown.resize(std::min<std::size_t>(plain.size(), 10));
  require(seen.count == static_cast<std::int64_t>(plain.size()) && seen.lines == shown, what);
}

/// The run against the plain model of the same inputs.
void check_against_plain(const tarvello::plain::Inputs &inputs, int status, const std::string &err) {
  const tarvello::plain::Outcome plain = tarvello::plain::run(inputs);
  require(status == plain.status, "the exit status is the plain model's");
  if (status != 0) {
    return;
  }
  require(read_file("ai_fixed.obj") == plain.fixed, "ai_fixed.obj is the plain model's to the byte");
  const std::string warning = "tarvello: warning: ";
  for (std::size_t t = 0; t < 4; ++t) {
    const std::string start = warning + kTables[t] + ": ";
    require_same(reported(err, start, {" found no match and ", " as the table cannot be read"}),
                 plain.misses[t], "each table's misses are the plain model's");
    require_same(reported(err, start, {" on the last line, "}), plain.unended_misses[t],
                 "each table's misses on its unended last line are the plain model's");
    require_same(reported(err, start, {" matched only the start of a longer name"}), plain.partial_names[t],
                 "each table's matches in a longer name are the plain model's");
  }
  require_same(reported(err, warning, {" with L or S "}), plain.taken_entries,
               "the entries taken by earlier rules are the plain model's");
  require_same(reported(err, warning, {" from a rule's text only in white space"}), plain.near_misses,
               "the near misses are the plain model's");
}

} // namespace

// The fuzzer calls this by its fixed name.
// NOLINTNEXTLINE(readability-identifier-naming)
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 2) {
    return -1;
  }
  enter_scratch_folder();
  const unsigned listing_kind = data[0];
  std::vector<std::string> pieces = split({reinterpret_cast<const char *>(data) + 2, size - 2});
  for (std::size_t i = 1; i < 6; ++i) {
    if ((listing_kind & (i == 1 ? 16U : 32U)) != 0) {
      pieces[i] = filler(listing_kind >> 6) + pieces[i];
    }
  }
  place("ai.obj", pieces[1], (listing_kind & 1) != 0 ? 1 : (listing_kind & 2) != 0 ? 2 : 0);
  place("ai_fixed.obj", "", (listing_kind & 4) != 0 ? 2 : 1);
  for (unsigned i = 0; i < 4; ++i) {
    place(kTables[i], pieces[2 + i], (data[1] >> (2 * i)) & 3U);
  }

  const bool interactive = (listing_kind & 8) != 0;
  tarvello::TextInput in(pieces[0]);
  tarvello::TextSink out;
  std::ostringstream err;
  const int status = tarvello::run_conversion(tarvello::Console{in, out, err, interactive});

  require(status == 0 || status == 1, "exit status is 0 or 1");
  check_errors(err.str(), status, check_screen(out.text), interactive);
  if (status == 0) {
    check_listing(read_file("ai_fixed.obj"));
  }
  require(!new_file_left(), "the run's new file is renamed or removed");
  if (!interactive) {
    tarvello::plain::Inputs inputs;
    inputs.answers = pieces[0];
    inputs.fixed_is_directory = (listing_kind & 4) != 0;
    if ((listing_kind & 3) == 0) {
      inputs.listing = pieces[1];
    }
    for (unsigned i = 0; i < 4; ++i) {
      if (((data[1] >> (2 * i)) & 3U) % 3 == 0) {
        inputs.tables[i] = pieces[2 + i];
      }
    }
    check_against_plain(inputs, status, err.str());
  }
  require((listing_kind & 3) != 0 || read_file("ai.obj") == pieces[1], "ai.obj is left as it was");
  for (unsigned i = 0; i < 4; ++i) {
    require(((data[1] >> (2 * i)) & 3U) % 3 != 0 || read_file(kTables[i]) == pieces[2 + i],
            "tables are left alone");
  }
  return 0;
}
