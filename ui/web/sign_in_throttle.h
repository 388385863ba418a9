#pragma once
// Failed sign-ins slow down further attempts, counted per station (the
// address a sign-in comes from) and per name tried: after the n-th failure
// in a row, the station, and the name, wait 2^(n-1) seconds (at most a
// minute) before the next try. So a guesser gains nothing from many
// stations, nor from many names. Nothing ever locks out: the longest wait
// is a minute, and a station that signed in as a name before is not held
// up by that name's failures from elsewhere (a stranger guessing ann's
// password does not slow ann at her own desk).
//
// A station's success clears its failures; a name's failures stay until
// they are a quarter of an hour old, so that a guesser's count is not
// reset by its owner signing in. Each table holds at most kMostEntries
// (the oldest go first), so that failures cannot fill the server's memory.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace fesk::web {

class SignInThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::minutes kForgetAfter{15};
  static constexpr std::size_t kMostEntries = 10000;

  // How long a sign-in from `station` as `name` must still wait (zero: it
  // may try now).
  std::chrono::seconds wait(const std::string& station, const std::string& name,
                            Clock::time_point now = Clock::now()) const;
  void failed(const std::string& station, const std::string& name,
              Clock::time_point now = Clock::now());
  void succeeded(const std::string& station, const std::string& name);
  std::size_t stationsHeld() const { return stations_.size(); }

 private:
  // Failures in a row of each key (a station or a name).
  class Failures {
   public:
    std::chrono::seconds wait(const std::string& key, Clock::time_point now) const;
    void failed(const std::string& key, Clock::time_point now);
    void forget(const std::string& key);
    std::size_t size() const { return counts_.size(); }

   private:
    struct Count {
      int failures = 0;
      Clock::time_point last;
    };
    void forgetOld(Clock::time_point now);
    std::map<std::string, Count> counts_;
    std::set<std::pair<Clock::time_point, std::string>> byAge_;  // oldest failure first
  };

  Failures stations_, names_;
  // (name, station) pairs that signed in, the oldest first out.
  std::set<std::pair<std::string, std::string>> known_;
  std::map<std::uint64_t, std::pair<std::string, std::string>> knownOrder_;
  std::uint64_t knownCount_ = 0;
};

}  // namespace fesk::web
