#include "support/tcp_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <stdexcept>
#include <vector>

namespace fesk::test {
namespace {

using Clock = std::chrono::steady_clock;

// Bytes read from one side, due at the other side at `due`.
struct Chunk {
  Clock::time_point due;
  std::string bytes;
};

// One direction of a connection.
struct Way {
  int from = -1;
  int to = -1;
  std::deque<Chunk> pending;
};

struct Pair {
  Way up;    // client -> server
  Way down;  // server -> client
  bool lastUp = false;
  bool closed = false;
  bool cutWhenDelivered = false;
};

// The server's "ready for the next statement" message: 'Z', its length (5)
// and the transaction state.
constexpr std::size_t kReadySize = 6;

bool endsWithReady(const std::string& bytes) {
  return bytes.size() >= kReadySize &&
         bytes.compare(bytes.size() - kReadySize, kReadySize - 1, "Z\0\0\0\5", 5) == 0;
}

int connectToSocket(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    return fd;
  }
  if (fd >= 0) close(fd);
  return -1;
}

void closePair(Pair& pair) {
  if (pair.closed) return;
  close(pair.up.from);
  close(pair.up.to);
  pair.closed = true;
}

// Sends what is due on `way`; false when the receiving side is gone.
bool deliver(Way& way, Clock::time_point now) {
  while (!way.pending.empty() && way.pending.front().due <= now) {
    std::string& bytes = way.pending.front().bytes;
    const ssize_t sent = send(way.to, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
    bytes.erase(0, static_cast<std::size_t>(sent));
    if (!bytes.empty()) return true;
    way.pending.pop_front();
  }
  return true;
}

}  // namespace

TcpRelay::TcpRelay(std::string socketPath) : socketPath_(std::move(socketPath)) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener_, 64) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("the relay cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { run(); });
}

TcpRelay::~TcpRelay() {
  stopping_ = true;
  thread_.join();
  close(listener_);
}

void TcpRelay::cutAll() {
  const int cut = cutRequests_.fetch_add(1) + 1;
  while (cutsDone_.load() < cut) std::this_thread::sleep_for(std::chrono::microseconds(100));
}

std::string TcpRelay::address() const {
  return "host=127.0.0.1 port=" + std::to_string(port_);
}

void TcpRelay::run() {
  std::vector<Pair> pairs;
  char buffer[65536];
  while (!stopping_) {
    if (const int cuts = cutRequests_.load(); cuts != cutsDone_.load()) {
      for (Pair& pair : pairs) closePair(pair);
      cutsDone_ = cuts;
    }
    std::erase_if(pairs, [](const Pair& pair) { return pair.closed; });
    std::vector<pollfd> sockets{{listener_, POLLIN, 0}};
    for (const Pair& pair : pairs) {
      sockets.push_back({pair.up.from, POLLIN, 0});
      sockets.push_back({pair.down.from, POLLIN, 0});
    }
    // Short waits: delayed chunks fall due, and a stop is noticed, in time;
    // no longer than until the next chunk falls due, so that delays below
    // the wait hold too.
    auto wait = std::chrono::nanoseconds(std::chrono::milliseconds(2));
    for (const Pair& pair : pairs) {
      for (const Way* way : {&pair.up, &pair.down}) {
        if (way->pending.empty()) continue;
        wait = std::clamp(std::chrono::nanoseconds(way->pending.front().due - Clock::now()),
                          std::chrono::nanoseconds(0), wait);
      }
    }
    const timespec timeout{0, static_cast<long>(wait.count())};
    ppoll(sockets.data(), sockets.size(), &timeout, nullptr);
    const auto now = Clock::now();
    // Only the pairs polled above have their results in `sockets`.
    const std::size_t polled = pairs.size();
    if (sockets[0].revents & POLLIN) {
      const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      // As the server sends: at once, never held back for the client's
      // delayed acknowledgement of the last piece (which would add up to
      // 40 ms to an answer that happens to follow another).
      const int noDelay = 1;
      if (client >= 0) setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
      const int server = client >= 0 ? connectToSocket(socketPath_) : -1;
      if (server >= 0) {
        Pair pair;
        pair.up = {client, server, {}};
        pair.down = {server, client, {}};
        pairs.push_back(std::move(pair));
      } else if (client >= 0) {
        close(client);
      }
    }
    for (std::size_t i = 0; i < polled; ++i) {
      Pair& pair = pairs[i];
      for (Way* way : {&pair.up, &pair.down}) {
        const pollfd& socket = sockets[1 + 2 * i + (way == &pair.down ? 1 : 0)];
        if (!(socket.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t got = recv(way->from, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got <= 0) {
          if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) closePair(pair);
          break;
        }
        const bool up = way == &pair.up;
        if (stalled_ == kBothWays || (stalled_ == kAnswers && !up)) continue;  // taken, and dropped
        if (!up && pair.lastUp) ++roundTrips_;
        pair.lastUp = up;
        std::string bytes(buffer, static_cast<std::size_t>(got));
        if (!up && endsWithReady(bytes) && cutBeforeReady_.exchange(false)) {
          bytes.resize(bytes.size() - kReadySize);
          pair.cutWhenDelivered = true;
        }
        way->pending.push_back(
            {now + std::chrono::microseconds(delayUs_.load()), std::move(bytes)});
      }
      if (!pair.closed && (!deliver(pair.up, now) || !deliver(pair.down, now))) closePair(pair);
      if (pair.cutWhenDelivered && pair.down.pending.empty()) closePair(pair);
    }
  }
  for (Pair& pair : pairs) closePair(pair);
}

std::string serverSocket(const std::string& conninfo) {
  const std::string directory = conninfo.substr(5, conninfo.find(' ') - 5);  // "host=DIR ..."
  return directory + "/.s.PGSQL.5432";
}

}  // namespace fesk::test
