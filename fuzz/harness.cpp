// Fuzz target: one input becomes a whole run of the tool in a scratch folder.
//
// Input layout. Byte 0: bit 0 leaves ai.obj out, bit 1 makes it a directory,
// bit 2 makes ai_fixed.obj a directory, bit 3 types the answers at a terminal. Byte 1: two bits per reference
// table (function, handler, push_event, fetch_id): 1 leaves the table out, 2 makes it a directory, 0 and 3
// write it as a file. The rest is split at each
// "\xff\xfe" into the answers typed at the prompts, the listing, and the four
// tables; missing pieces are empty.
//
// Beyond "no crash", every run must end with status 0 or 1, write a listing of
// CR LF lines on success, print only the banner, prompts and numbered progress
// lines on stdout, ask again only at a terminal, report one error line on
// failure, leave no new file of its own behind, and leave its input files as
// they were.
#include "driver/conversion.h"

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
#include <vector>

namespace fs = std::filesystem;

namespace {

const char *const kTables[] = {"vars/function.txt", "vars/handler.txt", "vars/push_event.txt",
                               "vars/fetch_id.txt"};
const std::string kNoNumber = " is not a whole number from -2147483648 to 2147483647";

struct Text : tarvello::Sink {
  std::string text;
  void write(std::string_view bytes) override { text += bytes; }
};

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

} // namespace

// The fuzzer calls this by its fixed name.
// NOLINTNEXTLINE(readability-identifier-naming)
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 2) {
    return -1;
  }
  enter_scratch_folder();
  const unsigned listing_kind = data[0];
  const std::vector<std::string> pieces = split({reinterpret_cast<const char *>(data) + 2, size - 2});
  place("ai.obj", pieces[1], (listing_kind & 1) != 0 ? 1 : (listing_kind & 2) != 0 ? 2 : 0);
  place("ai_fixed.obj", "", (listing_kind & 4) != 0 ? 2 : 1);
  for (unsigned i = 0; i < 4; ++i) {
    place(kTables[i], pieces[2 + i], (data[1] >> (2 * i)) & 3U);
  }

  const bool interactive = (listing_kind & 8) != 0;
  tarvello::TextInput in(pieces[0]);
  Text out;
  std::ostringstream err;
  const int status = tarvello::run_conversion(tarvello::Console{in, out, err, interactive});

  require(status == 0 || status == 1, "exit status is 0 or 1");
  check_errors(err.str(), status, check_screen(out.text), interactive);
  if (status == 0) {
    check_listing(read_file("ai_fixed.obj"));
  }
  require(!new_file_left(), "the run's new file is renamed or removed");
  require((listing_kind & 3) != 0 || read_file("ai.obj") == pieces[1], "ai.obj is left as it was");
  for (unsigned i = 0; i < 4; ++i) {
    require(((data[1] >> (2 * i)) & 3U) % 3 != 0 || read_file(kTables[i]) == pieces[2 + i],
            "tables are left alone");
  }
  return 0;
}
