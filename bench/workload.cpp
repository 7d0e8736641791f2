#include "workload.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

namespace tarvello::bench {

namespace {

std::string hex(unsigned value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", width, value);
  return text;
}

std::string function_line(int i, unsigned id) {
  return "\tfunc_call\t" + hex(id, 4) + "\tFunction" + std::to_string(i);
}
std::string handler_line(int i, unsigned id) {
  return "\thandler " + hex(id, 2) + " OnEvent" + std::to_string(i);
}
std::string event_line(int i) { return "\tpush_event\t// Event" + std::to_string(i); }
std::string id_line(int i) { return "\tfetch_i\t// id_" + std::to_string(i); }

void write_tables(const Workload &w, const std::filesystem::path &vars) {
  std::filesystem::create_directories(vars);
  std::ofstream function(vars / "function.txt", std::ios::binary);
  for (int i = 0; i < w.functions; ++i) {
    function << function_line(i, 0x100U + static_cast<unsigned>(i)) << "\r\n";
  }
  std::ofstream handler(vars / "handler.txt", std::ios::binary);
  for (int i = 0; i < w.handlers; ++i) {
    handler << handler_line(i, static_cast<unsigned>(i)) << "\r\n";
  }
  std::ofstream event(vars / "push_event.txt", std::ios::binary);
  for (int i = 0; i < w.events; ++i) {
    event << event_line(i) << "\r\n\tpush_int\t" << 1000 + i << "\r\n";
  }
  std::ofstream id(vars / "fetch_id.txt", std::ios::binary);
  for (int i = 0; i < w.ids; ++i) {
    id << id_line(i) << "\r\n\tpush_int\t" << 5000 + i << "\r\n";
  }
}

/// An ordinary line: label and string entries, operands and plain instructions.
std::string plain_line(std::mt19937 &random, long index) {
  const long n = index % 5000;
  switch (random() % 8) {
  case 0:
    return "L" + std::to_string(n);
  case 1:
    return "S" + std::to_string(n) + ".Text of string " + std::to_string(n);
  case 2:
    return "\tjump L" + std::to_string(n);
  case 3:
    return "\tbranch_false\tL" + std::to_string(n);
  case 4:
    return "\tpush_string\tS" + std::to_string(n);
  case 5:
    return "\tpush_int\t" + std::to_string(n);
  case 6:
    return "\tadd";
  default:
    return "\tcall_local\t" + std::to_string(n);
  }
}

} // namespace

void generate(const Workload &w, const std::filesystem::path &dir) {
  write_tables(w, dir / "vars");
  std::ofstream out(dir / "ai.obj", std::ios::binary);
  std::mt19937 random(12345);
  std::uniform_real_distribution<double> share(0.0, 1.0);
  out << "; generated listing " << w.name << "\r\n";
  // Shares of the reference lines: 12 func_call, 4 handler, 8 event or id with its following line.
  const double function = w.reference_share * 12 / 24;
  const double handler = w.reference_share * 16 / 24;
  const double pair = w.reference_share; // each pair takes two lines
  for (long i = 1; i < w.lines; ++i) {
    const double pick = share(random);
    if (pick < function) {
      out << function_line(static_cast<int>(random() % w.functions), 1) << "\r\n";
    } else if (pick < handler) {
      out << handler_line(static_cast<int>(random() % w.handlers), 0xFF) << "\r\n";
    } else if (pick < handler + (pair - handler) / 2 && i + 1 < w.lines) {
      const bool event = random() % 2 == 0;
      out << (event ? event_line(static_cast<int>(random() % w.events))
                    : id_line(static_cast<int>(random() % w.ids)))
          << "\r\n\tpush_int\t0\r\n";
      ++i;
    } else {
      out << plain_line(random, i) << "\r\n";
    }
  }
}

} // namespace tarvello::bench
