// Micro-benchmarks of the per-line rules and of one table lookup.
#include "driver/conversion.h"
#include "io/byte_scan.h"
#include "tables/lookup.h"
#include "workload.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

struct NullSink : tarvello::Sink {
  void write(std::string_view bytes) override { benchmark::DoNotOptimize(bytes.data()); }
};

void rewrite(benchmark::State &state, const std::string &line) {
  NullSink sink;
  tarvello::RunState st(sink);
  st.Lx = 100;
  st.Sx = 50;
  const std::string padded = line + std::string(tarvello::byte_scan::kWidth, '\n');
  for (auto _ : state) {
    tarvello::rewrite_line(
        st, tarvello::byte_scan::Padded::with_room_after(std::string_view(padded).substr(0, line.size())));
  }
  state.SetItemsProcessed(state.iterations());
}

void lookup(benchmark::State &state) {
  const auto dir = std::filesystem::temp_directory_path() / "tarvello-micro";
  tarvello::bench::Workload w;
  w.name = "micro";
  w.lines = 1;
  tarvello::bench::generate(w, dir);
  const std::string path = (dir / "vars/function.txt").string();
  tarvello::ReferenceTable table = tarvello::function_table;
  table.path = path.c_str();
  const std::string line = "\tfunc_call\t0x0001\tFunction200"; // halfway down the 400-line table
  std::string result;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tarvello::lookup_reference(table, line, result));
  }
  state.SetItemsProcessed(state.iterations());
  std::filesystem::remove_all(dir);
}

} // namespace

BENCHMARK_CAPTURE(rewrite, plain, std::string("\tcall_local\t1234"));
BENCHMARK_CAPTURE(rewrite, label_operand, std::string("\tbranch_false\tL1234"));
BENCHMARK_CAPTURE(rewrite, string_entry, std::string("S1234.Text of string 1234"));
BENCHMARK(lookup);
BENCHMARK_MAIN();
