#pragma once
// A line on the terminal telling how far long work has come ("Exporting
// FESK1: 120000 records"), rewritten in place a few times a second and cleared
// at the end. Nothing is shown when standard error is no terminal (a pipe, a
// log file), so scripts see only the outcome.

#include <chrono>
#include <cstdint>
#include <string>

namespace fesk {

class ProgressLine {
 public:
  // `what` starts the line; `unit` follows the count ("records", "rows").
  ProgressLine(std::string what, std::string unit);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void show(std::uint64_t count);

 private:
  std::string what_;
  std::string unit_;
  bool onTerminal_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_;
};

}  // namespace fesk
