#pragma once
// Whether the server is still at work on a statement of one of our sessions,
// asked over a session of the watch's own. A statement with no bound on its
// length (records added in bulk) says nothing while the server works on it,
// as a network that stalls says nothing: the watch tells the two apart. It
// opens its session at its first question and keeps it until it goes, and
// answers every question within the time it is given: a server it cannot
// reach, or that does not answer in time, is not at work as far as this side
// can tell.

#include <libpq-fe.h>

#include <chrono>
#include <string>

namespace fesk::postgres {

class WorkWatch {
 public:
  // Watches the server process behind `watched`, a session opened with
  // `conninfo`: asked on the same server (of the several it may name).
  WorkWatch(const std::string& conninfo, const PGconn* watched);
  WorkWatch(const WorkWatch&) = delete;
  WorkWatch& operator=(const WorkWatch&) = delete;
  ~WorkWatch();

  // Whether the watched process runs a statement now, answered within `within`.
  bool atWork(std::chrono::milliseconds within);

 private:
  // The watch's own session, opened before `deadline`.
  bool connected(std::chrono::steady_clock::time_point deadline);

  std::string conninfo_;
  std::string host_;
  std::string port_;
  std::string backendPid_;
  PGconn* libpq_ = nullptr;
};

}  // namespace fesk::postgres
