#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>

namespace tarvello::testing {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
  std::random_device seed;
  const auto base = fs::temp_directory_path();
  do {
    path_ = base / ("tarvello-test-" + std::to_string(seed()));
  } while (!fs::create_directory(path_));
}

ScratchDir::~ScratchDir() {
  if (::testing::Test::HasFailure()) {
    std::cerr << "kept the failing test's files in " << path_.string() << '\n';
    return;
  }
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void ScratchDir::write(const std::string &name, const std::string &bytes) const {
  const fs::path file = path_ / name;
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

namespace {
std::string read_file(const fs::path &path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::string quoted(const fs::path &path) { return "\"" + path.string() + "\""; }

int exit_status(const fs::path &file) {
  const std::string text = read_file(file);
  return text.empty() ? -1 : std::stoi(text);
}

/// A Windows console writes each LF of stdout as CR LF; the text is the same.
std::string without_console_line_breaks(const std::string &text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      plain += text[i];
    }
  }
  return plain;
}

/// Windows writes the tables' paths with "\\"; the rest of a message is the same.
std::string with_posix_table_paths(std::string text) {
  for (std::size_t at = text.find("vars\\"); at != std::string::npos; at = text.find("vars\\", at)) {
    text[at + 4] = '/';
  }
  return text;
}
} // namespace

std::string ScratchDir::read(const std::string &name) const { return read_file(path_ / name); }

void Expected::check(const ScratchDir &dir, const std::string &name) const {
  switch (kind_) {
  case Kind::bytes:
    EXPECT_EQ(dir.read(name), bytes_) << name;
    break;
  case Kind::absent:
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir.path() / name))) << name;
    break;
  case Kind::not_checked:
    break;
  }
}

int new_files_left(const ScratchDir &dir) {
  int count = 0;
  for (const auto &entry : fs::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("ai_fixed.obj.", 0) == 0 && name.size() > 18 &&
        name.compare(name.size() - 5, 5, ".part") == 0) {
      ++count;
    }
  }
  return count;
}

void ScratchDir::write_tables(const std::string &function, const std::string &handler,
                              const std::string &push_event, const std::string &fetch_id) const {
  write("vars/function.txt", function);
  write("vars/handler.txt", handler);
  write("vars/push_event.txt", push_event);
  write("vars/fetch_id.txt", fetch_id);
}

ToolRun run_tool(const ScratchDir &dir, const std::string &answers, const Shell &shell) {
  // The console files live beside the dir, so the tool's folder holds only its own files.
  const fs::path console = dir.path().string() + ".console";
  fs::create_directories(console);
  std::ofstream(console / "stdin", std::ios::binary) << answers;
  // TARVELLO_EXE and TARVELLO_EXE_WRAPPER test another build, such as tarvello.exe under wine.
  const char *exe = std::getenv("TARVELLO_EXE");
  const char *wrapper = std::getenv("TARVELLO_EXE_WRAPPER");
  const std::string out = quoted(console / "stdout");
  const bool piped = shell.output.rfind('|', 0) == 0;
  const std::string command =
      "cd " + quoted(dir.path()) + " && { " + shell.setup + " " + shell.wrapper + " " +
      (wrapper != nullptr ? std::string(wrapper) + " " : "") +
      (shell.program.empty() ? quoted(exe != nullptr ? exe : TARVELLO_EXE) : shell.program) + " " +
      shell.args + " " + (shell.input.empty() ? "<" + quoted(console / "stdin") : shell.input) + " " +
      (shell.error.empty() ? "2>" + quoted(console / "stderr") : shell.error) + " " +
      (shell.output.empty() ? ">" + out
       : piped              ? ""
                            : shell.output) +
      "; echo $? >" + quoted(console / "status") + "; }" + (piped ? " " + shell.output + " >" + out : "");
  std::system(command.c_str());
  ToolRun run;
  run.status = exit_status(console / "status");
  run.out = read_file(console / "stdout");
  if (wrapper != nullptr) {
    run.out = without_console_line_breaks(run.out);
  }
  run.raw_err = read_file(console / "stderr");
  run.err =
      wrapper != nullptr ? with_posix_table_paths(without_console_line_breaks(run.raw_err)) : run.raw_err;
  std::error_code ignored;
  fs::remove_all(console, ignored);
  return run;
}

bool windows_build() { return std::getenv("TARVELLO_EXE_WRAPPER") != nullptr; }

std::string cause(const std::string &posix, const std::string &windows) {
  return windows_build() ? windows : posix;
}

std::string folder_as_written(const ScratchDir &dir) {
  if (!windows_build()) {
    return dir.path().string();
  }
  std::string folder = "Z:" + dir.path().string(); // wine's drive for the whole file system
  for (char &c : folder) {
    c = c == '/' ? '\\' : c;
  }
  return folder;
}

std::string crlf(std::initializer_list<std::string> lines) {
  std::string text;
  for (const auto &line : lines) {
    text += line + "\r\n";
  }
  return text;
}

std::string listing_of(std::size_t count, const std::string &line) {
  std::string text = "H\r\n";
  for (std::size_t i = 0; i < count; ++i) {
    text += line + "\r\n";
  }
  return text;
}

std::string screen_after(int passes) {
  std::string text = "Tarvello v" TARVELLO_VERSION "\n"
                     "Renumbers labels and strings and fixes references, from ai.obj to ai_fixed.obj\n"
                     "\n"
                     "Start writing from entry (Lxx): Start writing from entry (Sxx): ";
  for (int i = 1; i <= passes; ++i) {
    text += "line " + std::to_string(i) + " done \n";
  }
  return text;
}

} // namespace tarvello::testing
