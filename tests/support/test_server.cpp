#include "support/test_server.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fesk::test {
namespace {

const std::string kScript = std::string(FESK_SOURCE_DIR) + "/scripts/pg-test-server";

std::string readState(const std::string& state) {
  std::ifstream in(state);
  std::string conninfo;
  std::getline(in, conninfo);
  if (conninfo.empty()) throw std::runtime_error("no test server recorded in " + state);
  return conninfo;
}

std::string temporaryState() {
  std::string pattern = (std::filesystem::temp_directory_path() / "fesk-pg-state-XXXXXX").string();
  const int fd = mkstemp(pattern.data());
  if (fd < 0) throw std::runtime_error("cannot make a temporary file");
  close(fd);
  return pattern;
}

void run(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

// The server a program run by hand started for itself.
class OwnServer {
 public:
  OwnServer() : state_(temporaryState()), starter_(getpid()) {
    run(kScript + " start " + state_);
    conninfo_ = readState(state_);
  }
  ~OwnServer() {
    // Forked children leave it to the process that started it.
    if (getpid() == starter_) std::system((kScript + " stop " + state_).c_str());
  }
  std::string conninfo_;

 private:
  std::string state_;
  pid_t starter_;
};

}  // namespace

const std::string& sharedTestServer() {
  static const std::string conninfo = [] {
    if (const char* state = std::getenv("FESK_TEST_SERVER_STATE")) return readState(state);
    static OwnServer own;
    return own.conninfo_;
  }();
  return conninfo;
}

PrivateServer::PrivateServer() : state_(temporaryState()) {
  run(kScript + " start " + state_);
  conninfo_ = readState(state_);
}

PrivateServer::PrivateServer(Role) : state_(temporaryState()) {
  run(kScript + " primary " + state_);
  conninfo_ = readState(state_);
}

PrivateServer::PrivateServer(StandbyOf standby) : state_(temporaryState()) {
  run(kScript + " standby " + standby.primary.state_ + " " + state_);
  conninfo_ = readState(state_);
}

void PrivateServer::promote() {
  run(kScript + " promote " + state_);
}

PrivateServer::~PrivateServer() {
  std::system((kScript + " stop " + state_).c_str());
}

void PrivateServer::stop() {
  run(kScript + " halt " + state_);
}

void PrivateServer::start() {
  run(kScript + " resume " + state_);
}

}  // namespace fesk::test
