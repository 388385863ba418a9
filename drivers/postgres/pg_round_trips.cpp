#include "drivers/postgres/pg_round_trips.h"

namespace fesk::postgres {

RoundTripCounter::RoundTripCounter(PGconn* session) : session_(session), trace_(std::tmpfile()) {
  if (!trace_) return;
  PQtrace(session_, trace_);
  PQsetTraceFlags(session_, PQTRACE_SUPPRESS_TIMESTAMPS);
}

RoundTripCounter::~RoundTripCounter() {
  if (!trace_) return;
  PQuntrace(session_);
  std::fclose(trace_);
}

int RoundTripCounter::count() const {
  return received("\tReadyForQuery");
}

int RoundTripCounter::rowsReceived() const {
  return received("\tDataRow");
}

int RoundTripCounter::received(std::string_view name) const {
  if (!trace_) return -1;
  std::fflush(trace_);
  std::rewind(trace_);
  int messages = 0;
  char line[4096];
  while (std::fgets(line, sizeof line, trace_)) {
    const std::string_view message(line);
    messages += message.starts_with("B\t") && message.find(name) != message.npos;
  }
  std::fseek(trace_, 0, SEEK_END);
  return messages;
}

}  // namespace fesk::postgres
