#pragma once
// Waiting in tests for something that happens on another thread or in
// another process: poll the condition until it holds or a deadline passes,
// instead of sleeping a guessed time (too short on a busy machine, too long
// everywhere else).

#include <chrono>
#include <thread>

namespace fesk::test {

inline constexpr std::chrono::seconds kPatience{10};

// Whether `condition` held before `patience` ran out.
template <typename Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds patience = kPatience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace fesk::test
