#pragma once
// What the benchmarks of a server seen through the network share: the server reached through a
// relay that holds every chunk back (FESK_BENCH_ROUND_TRIP_US, 10 ms a round trip unless told), and
// the round trips counted on it.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "bench/bench_server.h"
#include "support/tcp_relay.h"

namespace fesk::bench {

// Half of the round trip that FESK_BENCH_ROUND_TRIP_US names (5 ms unless told).
inline std::chrono::microseconds delayEachWay() {
  const char* named = std::getenv("FESK_BENCH_ROUND_TRIP_US");
  return std::chrono::microseconds(named ? std::stoll(named) / 2 : 5000);
}

// The relay to the bench server, made at first use (its delay set by the caller).
inline test::TcpRelay& relay() {
  static test::TcpRelay relay(test::serverSocket(benchServer()));
  return relay;
}

// The connection string of the bench server through the relay.
inline std::string throughRelay() {
  return relay().address() + " user=fesk dbname=postgres";
}

// Round trips through the relay while the object lives.
class Trips {
 public:
  Trips() : start_(relay().roundTrips()) {}
  int count() const { return relay().roundTrips() - start_; }

 private:
  int start_;
};

// The round trips an iteration took, as the benchmark's counter.
inline void reportTrips(benchmark::State& state, int trips) {
  state.counters["round_trips"] =
      static_cast<double>(trips) / static_cast<double>(state.iterations());
}

}  // namespace fesk::bench
