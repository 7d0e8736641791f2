// Generates the benchmark workloads, runs the tool on each several times,
// alternating with the floor of that workload (the least any rewriter must
// do), and prints median wall times, their ratio, throughput and peak memory.
// POSIX only.
#include "floor.h"
#include "workload.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tarvello::bench::Floor;
using tarvello::bench::Workload;

namespace {

struct Sample {
  double seconds;
  long peak_kib;
};

[[noreturn]] void fail(const std::string &what) {
  std::perror(what.c_str());
  std::exit(1);
}

/// Runs `child` in a new process in `dir`, answers on stdin and stdout to a
/// file, and times it to its end.
template <typename Child> Sample run_once(const fs::path &dir, Child child) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) {
    fail("fork");
  }
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) {
      _exit(127);
    }
    const int in = open("answers.txt", O_RDONLY);
    const int out = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0) {
      _exit(127);
    }
    child();
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) < 0) {
    fail("wait4");
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "a run failed in %s\n", dir.c_str());
    std::exit(1);
  }
  return {took.count(), usage.ru_maxrss};
}

double median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

long count_lookups(const fs::path &listing) {
  std::ifstream in(listing, std::ios::binary);
  long count = 0;
  for (std::string line; std::getline(in, line);) {
    count += line.find("func_call") != std::string::npos || line.find("handler ") != std::string::npos ||
             line.find("push_event\t//") != std::string::npos ||
             line.find("fetch_i\t//") != std::string::npos;
  }
  return count;
}

void measure(const std::string &tool, const fs::path &root, const Workload &w, int runs) {
  const fs::path dir = root / w.name;
  fs::create_directories(dir);
  tarvello::bench::generate(w, dir);
  std::ofstream(dir / "answers.txt") << "100\n50\n";
  const double megabytes = static_cast<double>(fs::file_size(dir / "ai.obj")) / 1e6;
  const long lookups = count_lookups(dir / "ai.obj");
  const Floor floor = tarvello::bench::floor_of(dir, lookups == 0);
  std::vector<double> tool_times;
  std::vector<double> floor_times;
  std::vector<double> ratios; // of each pair of runs, so a machine that slows for a while shifts both
  long peak = 0;
  for (int i = 0; i < runs; ++i) {
    const Sample s = run_once(dir, [&] { execl(tool.c_str(), tool.c_str(), static_cast<char *>(nullptr)); });
    tool_times.push_back(s.seconds);
    peak = std::max(peak, s.peak_kib);
    floor_times.push_back(run_once(dir, [&] {
                            tarvello::bench::run_floor(floor, dir);
                            _exit(0);
                          }).seconds);
    ratios.push_back(tool_times.back() / floor_times.back());
  }
  const double tool_s = median(tool_times);
  const double floor_s = median(floor_times);
  std::printf("| %-3s | %10ld | %7.1f | %8.3f | %8.3f | %10.2f | %10.0f | %9.0f | %8.1f |\n", w.name.c_str(),
              w.lines, megabytes, tool_s, floor_s, median(ratios), static_cast<double>(w.lines) / tool_s,
              static_cast<double>(lookups) / tool_s, static_cast<double>(peak) / 1024.0);
  std::fflush(stdout);
  for (const char *name : {"ai.obj", "ai_fixed.obj", "stdout.txt", "floor.txt"}) {
    fs::remove(dir / name);
  }
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tarvello-bench TOOL SCRATCH_DIR\n");
    return 2;
  }
  const std::string tool = fs::absolute(argv[1]).string();
  const fs::path root = argv[2];
  std::printf("| run | lines      | MB      | tool s   | floor s  | tool/floor | lines/s    | lookups/s | "
              "peak MiB |\n"
              "|-----|------------|---------|----------|----------|------------|------------|-----------|----"
              "------|\n");
  measure(tool, root, Workload{"W1", 200000, 0.24}, 21);
  measure(tool, root, Workload{"W2", 2000000, 0.0}, 21);
  measure(tool, root, Workload{"W3", 20000000, 0.0}, 3);
  return 0;
}
