#pragma once
// For front-ends: a question handed to the front-end's own thread (a message
// box, a file to write, a print preview), awaited by the procedure thread
// that asked it. The procedure thread waits without the program lock, so the
// front-end goes on showing the other windows and taking their input.

#include <atomic>
#include <chrono>
#include <future>
#include <memory>

namespace apprt {

// `post(answer)` hands the question over; the front-end's thread calls
// `answer(value)` once. Answers `fallback` when the front-end has stopped
// (before the question or while it waits).
template <typename T, typename Post>
T awaitAnswer(Post post, const std::atomic<bool>& stopped, T fallback) {
  if (stopped) return fallback;
  auto answer = std::make_shared<std::promise<T>>();
  std::future<T> answered = answer->get_future();
  post([answer](T value) { answer->set_value(std::move(value)); });
  while (answered.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
    if (stopped) return fallback;
  return answered.get();
}

}  // namespace apprt
