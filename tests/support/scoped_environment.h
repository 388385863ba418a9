#pragma once
// Sets (or unsets) one environment variable for a scope, and puts back what
// was there at its end, so that a failing test leaves the environment as it
// found it for the tests after it.
//
// The C library's environment is not safe to change while another thread
// reads it: tests change it only where no program thread runs.

#include <cstdlib>
#include <optional>
#include <string>

namespace fesk::test {

class ScopedEnvironment {
 public:
  // `value` nullopt unsets the variable.
  ScopedEnvironment(std::string name, const std::optional<std::string>& value)
      : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    put(value);
  }
  ~ScopedEnvironment() { put(old_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  void put(const std::optional<std::string>& value) const {
    // NOLINTBEGIN(concurrency-mt-unsafe): no program thread runs, see above.
    if (value)
      ::setenv(name_.c_str(), value->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
    // NOLINTEND(concurrency-mt-unsafe)
  }

  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace fesk::test
