#include "ui/web/sign_in_throttle.h"

#include <algorithm>

namespace fesk::web {

namespace {
constexpr std::chrono::seconds kLongestWait{60};
}

std::chrono::seconds SignInThrottle::wait(const std::string& address, Clock::time_point now) const {
  auto found = failures_.find(address);
  if (found == failures_.end()) return std::chrono::seconds(0);
  const int doublings = std::min(found->second.count - 1, 6);
  const auto penalty = std::min(std::chrono::seconds(1 << doublings), kLongestWait);
  const auto until = found->second.last + penalty;
  if (until <= now) return std::chrono::seconds(0);
  return std::chrono::ceil<std::chrono::seconds>(until - now);
}

void SignInThrottle::failed(const std::string& address, Clock::time_point now) {
  Failures& f = failures_[address];
  ++f.count;
  f.last = now;
}

}  // namespace fesk::web
