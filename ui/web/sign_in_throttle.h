#pragma once
// Failed sign-ins slow down further attempts from the same address: after
// the n-th failure in a row the address waits 2^(n-1) seconds (at most a
// minute) before it may try again; a sign-in that succeeds clears it. An
// address whose last failure is a quarter of an hour old is forgotten, and
// the table holds at most kMostAddresses (the oldest go first), so that
// failures from many addresses cannot fill the server's memory.

#include <chrono>
#include <cstddef>
#include <map>
#include <set>
#include <string>

namespace fesk::web {

class SignInThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::minutes kForgetAfter{15};
  static constexpr std::size_t kMostAddresses = 10000;

  // How long `address` must still wait (zero: it may try now).
  std::chrono::seconds wait(const std::string& address, Clock::time_point now = Clock::now()) const;
  void failed(const std::string& address, Clock::time_point now = Clock::now());
  void succeeded(const std::string& address);
  std::size_t addressesHeld() const { return failures_.size(); }

 private:
  struct Failures {
    int count = 0;
    Clock::time_point last;
  };
  void forgetOld(Clock::time_point now);

  std::map<std::string, Failures> failures_;
  // The same addresses, oldest failure first.
  std::set<std::pair<Clock::time_point, std::string>> byAge_;
};

}  // namespace fesk::web
