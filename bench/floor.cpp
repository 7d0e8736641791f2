#include "floor.h"

#include "driver/progress.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

namespace tarvello::bench {

namespace {

const char *const kTables[] = {"vars/function.txt", "vars/handler.txt", "vars/push_event.txt",
                               "vars/fetch_id.txt"};
constexpr std::size_t kBlock = std::size_t{64} * 1024;

void must(bool holds) {
  if (!holds) {
    std::perror("floor");
    std::exit(1);
  }
}

/// The table a line looks up, or -1; a pushed event or fetched id also takes the next line.
int table_of(std::string_view line) {
  const char *const triggers[] = {"func_call", "handler ", "push_event\t//", "fetch_i\t//"};
  for (int i = 0; i < 4; ++i) {
    if (line.find(triggers[i]) != std::string_view::npos) {
      return i;
    }
  }
  return -1;
}

/// Writes the progress lines for the line breaks in `block`, as the tool counts passes.
void count_progress(std::string_view block, ProgressLine &progress, std::string &screen, bool &first) {
  for (std::size_t at = block.find('\n'); at != std::string_view::npos; at = block.find('\n', at + 1)) {
    if (first) {
      first = false;
      continue;
    }
    progress.next();
    screen.append(progress.text());
    if (screen.size() > kBlock) {
      must(write(1, screen.data(), screen.size()) == static_cast<ssize_t>(screen.size()));
      screen.clear();
    }
  }
}

} // namespace

Floor floor_of(const std::filesystem::path &dir, bool progress) {
  Floor floor;
  floor.progress = progress;
  std::ifstream in(dir / "ai.obj", std::ios::binary);
  std::string line;
  std::getline(in, line); // the first line is copied, never looked up
  while (std::getline(in, line)) {
    const int table = table_of(line);
    if (table >= 0) {
      floor.lookups.push_back(table);
    }
    if (table >= 2) {
      std::getline(in, line);
    }
  }
  return floor;
}

void run_floor(const Floor &floor, const std::filesystem::path &dir) {
  must(chdir(dir.c_str()) == 0);
  static std::array<char, kBlock> block;
  const int in = open("ai.obj", O_RDONLY | O_CLOEXEC);
  const int out = open("floor.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  must(in >= 0 && out >= 0);
  ProgressLine progress;
  std::string screen;
  screen.reserve(2 * kBlock);
  bool first = true;
  for (ssize_t got = 0; (got = read(in, block.data(), block.size())) > 0;) {
    must(write(out, block.data(), static_cast<std::size_t>(got)) == got);
    if (floor.progress) {
      count_progress({block.data(), static_cast<std::size_t>(got)}, progress, screen, first);
    }
  }
  must(write(1, screen.data(), screen.size()) == static_cast<ssize_t>(screen.size()));
  must(fsync(out) == 0); // a result that must outlast a loss of power is on disk before it is whole
  must(close(in) == 0 && close(out) == 0);
  for (const int table : floor.lookups) { // a table is read until a read finds nothing more
    const int fd = open(kTables[table], O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    must(fd >= 0);
    ssize_t got = 0;
    while ((got = read(fd, block.data(), block.size())) > 0) {
    }
    must(got == 0 && close(fd) == 0);
  }
}

} // namespace tarvello::bench
