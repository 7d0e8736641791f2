#pragma once

#include <filesystem>
#include <string>

namespace tarvello::bench {

/// The shape of a generated listing and its reference tables.
struct Workload {
  std::string name;
  long lines = 0;               ///< lines in ai.obj
  double reference_share = 0.0; ///< share of lines taken by the reference rules, following lines included
  int functions = 400;          ///< lines in vars/function.txt
  int handlers = 100;           ///< lines in vars/handler.txt
  int events = 200;             ///< pairs in vars/push_event.txt
  int ids = 200;                ///< pairs in vars/fetch_id.txt
};

/// Writes ai.obj and the four tables of `workload` into `dir`, the same bytes
/// on every call. References all hit, spread evenly over each table.
void generate(const Workload &workload, const std::filesystem::path &dir);

} // namespace tarvello::bench
