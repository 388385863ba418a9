#pragma once
// A TCP relay between a client and a server, for tests and benchmarks that
// need a network between the two: it listens on 127.0.0.1 (on a port the
// system picks) and forwards every connection made to it to the server (a
// Unix socket, as the test servers have). On demand it holds every chunk back
// by a fixed delay each way, counts round trips (a chunk to the server that is
// answered by a chunk back), stalls like a network that takes packets and
// answers nothing, cuts every connection at once, and cuts one just before the
// server's last message of an exchange.

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace fesk::test {

class TcpRelay {
 public:
  // Forwards to the Unix socket at `socketPath`.
  explicit TcpRelay(std::string socketPath);
  ~TcpRelay();
  TcpRelay(const TcpRelay&) = delete;
  TcpRelay& operator=(const TcpRelay&) = delete;

  int port() const { return port_; }
  // libpq's words for the relay: "host=127.0.0.1 port=N".
  std::string address() const;

  // Every chunk arrives this much later, in each direction.
  void setDelay(std::chrono::microseconds eachWay) { delayUs_ = eachWay.count(); }
  // While stalled, what either side sends is taken and dropped: nothing arrives.
  void stall() { stalled_ = kBothWays; }
  // Only the server's answers are dropped: what the client sends is carried out.
  void stallAnswers() { stalled_ = kAnswers; }
  void resume() { stalled_ = kNone; }
  // Closes every connection made so far, as a network that drops them would,
  // before it returns: nothing the client sends afterwards reaches the server.
  void cutAll();
  // The next time the server says it is ready for more (the end of an
  // exchange), everything before that message reaches the client and then the
  // connection is cut: the client has every answer but the last word.
  void cutBeforeNextReady() { cutBeforeReady_ = true; }
  // Round trips through the relay since it started.
  int roundTrips() const { return roundTrips_.load(); }

 private:
  struct Loop;
  void run();

  std::string socketPath_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<long long> delayUs_{0};
  enum Stall { kNone, kAnswers, kBothWays };
  std::atomic<Stall> stalled_{kNone};
  std::atomic<int> cutRequests_{0};
  std::atomic<int> cutsDone_{0};
  std::atomic<bool> cutBeforeReady_{false};
  std::atomic<int> roundTrips_{0};
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

// The Unix socket of a test server from its connection string ("host=DIR ...").
std::string serverSocket(const std::string& conninfo);

}  // namespace fesk::test
