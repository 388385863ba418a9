#pragma once
// The server the server benchmarks run against, named by bench/run.
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace fesk::bench {

// The connection string in FESK_BENCH_DATABASE; throws when there is none.
inline const std::string& benchServer() {
  static const std::string conninfo = [] {
    const char* named = std::getenv("FESK_BENCH_DATABASE");
    if (!named) throw std::runtime_error("FESK_BENCH_DATABASE names no server (see bench/run)");
    return std::string(named);
  }();
  return conninfo;
}

}  // namespace fesk::bench
