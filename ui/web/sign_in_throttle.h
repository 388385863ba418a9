#pragma once
// Failed sign-ins slow down further attempts from the same address: after
// the n-th failure in a row the address waits 2^(n-1) seconds (at most a
// minute) before it may try again; a sign-in that succeeds clears it.

#include <chrono>
#include <map>
#include <string>

namespace fesk::web {

class SignInThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  // How long `address` must still wait (zero: it may try now).
  std::chrono::seconds wait(const std::string& address, Clock::time_point now = Clock::now()) const;
  void failed(const std::string& address, Clock::time_point now = Clock::now());
  void succeeded(const std::string& address) { failures_.erase(address); }

 private:
  struct Failures {
    int count = 0;
    Clock::time_point last;
  };
  std::map<std::string, Failures> failures_;
};

}  // namespace fesk::web
