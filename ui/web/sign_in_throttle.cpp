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
  forgetOld(now);
  Failures& f = failures_[address];
  if (f.count > 0) byAge_.erase({f.last, address});
  ++f.count;
  f.last = now;
  byAge_.emplace(now, address);
}

void SignInThrottle::succeeded(const std::string& address) {
  auto found = failures_.find(address);
  if (found == failures_.end()) return;
  byAge_.erase({found->second.last, address});
  failures_.erase(found);
}

void SignInThrottle::forgetOld(Clock::time_point now) {
  while (!byAge_.empty() &&
         (now - byAge_.begin()->first >= kForgetAfter || byAge_.size() >= kMostAddresses)) {
    failures_.erase(byAge_.begin()->second);
    byAge_.erase(byAge_.begin());
  }
}

}  // namespace fesk::web
