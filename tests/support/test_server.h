#pragma once
// The throwaway PostgreSQL servers of the tests (scripts/pg-test-server: a
// fresh cluster in a temporary directory, on a Unix socket only).
//
// ctest starts one server for the whole run (a fixture) and names its state
// file in FESK_TEST_SERVER_STATE; a test program run by hand starts one of its
// own at its first use and stops it when it exits.

#include <string>

namespace fesk::test {

// The connection string of the shared test server.
const std::string& sharedTestServer();

// A server of a test's own, for tests that stop and start it; stopped and
// removed by the destructor.
class PrivateServer {
 public:
  PrivateServer();
  // A primary whose every commit waits for its standby, and that standby
  // (pg_basebackup of the primary, replicated synchronously).
  enum class Role { kPrimary };
  explicit PrivateServer(Role);
  struct StandbyOf {
    const PrivateServer& primary;
  };
  explicit PrivateServer(StandbyOf standby);
  ~PrivateServer();
  PrivateServer(const PrivateServer&) = delete;
  PrivateServer& operator=(const PrivateServer&) = delete;

  const std::string& conninfo() const { return conninfo_; }
  // Stops the server at once (its clients' sessions break), and starts it
  // again on the same socket with the same data.
  void stop();
  void start();
  // Makes a standby the primary.
  void promote();

 private:
  std::string state_;
  std::string conninfo_;
};

}  // namespace fesk::test
