#pragma once
// Counts the round trips of a libpq session, for the tests and benchmarks
// that hold the driver to its budget: libpq traces every message of the
// session, and the server ends each answer (to one query or to a batch of
// them) with ReadyForQuery.

#include <libpq-fe.h>

#include <cstdio>
#include <string_view>

namespace fesk::postgres {

class RoundTripCounter {
 public:
  explicit RoundTripCounter(PGconn* session);
  ~RoundTripCounter();
  RoundTripCounter(const RoundTripCounter&) = delete;
  RoundTripCounter& operator=(const RoundTripCounter&) = delete;

  // Round trips since the counter was made.
  int count() const;
  // Rows the server sent since then, of every answer.
  int rowsReceived() const;

 private:
  // The messages from the server whose name is `name`, since the counter was made.
  int received(std::string_view name) const;

  PGconn* session_;
  std::FILE* trace_;
};

}  // namespace fesk::postgres
