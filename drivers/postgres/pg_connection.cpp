#include "drivers/postgres/pg_connection.h"

namespace fesk::postgres {

Connection::Connection(std::string conninfo, SessionRules rules)
    : link_(std::move(conninfo), std::move(rules)) {}

std::unique_ptr<Connection> Connection::beside() const {
  SessionRules rules = link_.rules();
  rules.beforeWork = nullptr;
  return std::make_unique<Connection>(link_.conninfo(), std::move(rules));
}

bool Connection::idle() const {
  return !transaction_.active() && !pipeline_.open() && !pipeline_.queuing();
}

void Connection::letGo() {
  holder_ = {};
  depth_ = 0;
  transaction_.readsFrom(nullptr);
  turns_.notify_all();
}

bool Connection::take(std::chrono::milliseconds patience, drivers::SessionReads* reads) {
  std::unique_lock guard(mutex_);
  const std::thread::id me = std::this_thread::get_id();
  if (holder_ == me) {
    ++depth_;
    return true;
  }
  ++wanting_;
  if (wanted_) wanted_();
  const bool free = turns_.wait_for(guard, patience, [&] { return holder_ == std::thread::id{}; });
  --wanting_;
  if (!free) return false;
  holder_ = me;
  depth_ = 1;
  transaction_.readsFrom(reads);
  return true;
}

void Connection::release() {
  std::lock_guard guard(mutex_);
  if (--depth_ > 0 || !idle()) return;
  letGo();
}

bool Connection::heldHere() {
  std::lock_guard guard(mutex_);
  return holder_ == std::this_thread::get_id();
}

bool Connection::takeWhenUnwanted(const std::atomic<bool>& stop) {
  std::unique_lock guard(mutex_);
  turns_.wait(guard, [&] { return stop || (holder_ == std::thread::id{} && wanting_ == 0); });
  if (stop) return false;
  holder_ = std::this_thread::get_id();
  depth_ = 1;
  return true;
}

void Connection::giveBack() {
  std::lock_guard guard(mutex_);
  letGo();
}

void Connection::nudge() {
  std::lock_guard guard(mutex_);
  turns_.notify_all();
}

void Connection::whenWanted(std::function<void()> wake) {
  std::lock_guard guard(mutex_);
  wanted_ = std::move(wake);
}

}  // namespace fesk::postgres
