#include "ui/web/sign_in_throttle.h"

#include <algorithm>

namespace fesk::web {

namespace {
constexpr std::chrono::seconds kLongestWait{60};
}

std::chrono::seconds SignInThrottle::wait(const std::string& station, const std::string& name,
                                          Clock::time_point now) const {
  const auto byStation = stations_.wait(station, now);
  if (known_.count({name, station})) return byStation;
  return std::max(byStation, names_.wait(name, now));
}

void SignInThrottle::failed(const std::string& station, const std::string& name,
                            Clock::time_point now) {
  stations_.failed(station, now);
  names_.failed(name, now);
}

void SignInThrottle::succeeded(const std::string& station, const std::string& name) {
  stations_.forget(station);
  if (!known_.emplace(name, station).second) return;
  knownOrder_.emplace(knownCount_++, std::make_pair(name, station));
  if (knownOrder_.size() > kMostEntries) {
    known_.erase(knownOrder_.begin()->second);
    knownOrder_.erase(knownOrder_.begin());
  }
}

std::chrono::seconds SignInThrottle::Failures::wait(const std::string& key,
                                                    Clock::time_point now) const {
  auto found = counts_.find(key);
  if (found == counts_.end()) return std::chrono::seconds(0);
  const int doublings = std::min(found->second.failures - 1, 6);
  const auto penalty = std::min(std::chrono::seconds(1 << doublings), kLongestWait);
  const auto until = found->second.last + penalty;
  if (until <= now) return std::chrono::seconds(0);
  return std::chrono::ceil<std::chrono::seconds>(until - now);
}

void SignInThrottle::Failures::failed(const std::string& key, Clock::time_point now) {
  forgetOld(now);
  Count& c = counts_[key];
  if (c.failures > 0) byAge_.erase({c.last, key});
  ++c.failures;
  c.last = now;
  byAge_.emplace(now, key);
}

void SignInThrottle::Failures::forget(const std::string& key) {
  auto found = counts_.find(key);
  if (found == counts_.end()) return;
  byAge_.erase({found->second.last, key});
  counts_.erase(found);
}

void SignInThrottle::Failures::forgetOld(Clock::time_point now) {
  while (!byAge_.empty() &&
         (now - byAge_.begin()->first >= kForgetAfter || byAge_.size() >= kMostEntries)) {
    counts_.erase(byAge_.begin()->second);
    byAge_.erase(byAge_.begin());
  }
}

}  // namespace fesk::web
