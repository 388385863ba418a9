#include "runtime/windows/served_list.h"

#include <utility>

namespace apprt {
namespace {

constexpr const char* kGone = "the list is no longer there to be read";

}  // namespace

ServedList::ServedList(PrintedListHeader header, PlacedListSource& source)
    : header_(std::move(header)), source_(source), owner_(std::this_thread::get_id()) {}

bool ServedList::readHere(const std::string& from, bool after, std::vector<PrintedItem>& items,
                          std::vector<std::string>& places) {
  source_.readFrom(from);
  bool any = source_.read(items);
  places = source_.places();
  if (any && after) {
    // The item `from` names is dropped: the block starts after it.
    items.erase(items.begin());
    places.erase(places.begin());
    if (items.empty()) {
      any = source_.read(items);
      places = source_.places();
    }
  }
  return any;
}

bool ServedList::read(const std::string& from, bool after, std::vector<PrintedItem>& items,
                      std::vector<std::string>& places) {
  if (std::this_thread::get_id() == owner_) {
    if (ended_) throw PrintError(kGone);
    return readHere(from, after, items, places);
  }
  Request request{&from, after, &items, &places, false, false, nullptr};
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return waiting_ == nullptr || ended_; });
  if (ended_) throw PrintError(kGone);
  waiting_ = &request;
  changed_.notify_all();
  changed_.wait(lock, [&] { return request.done || ended_; });
  if (!request.done) {
    waiting_ = nullptr;
    throw PrintError(kGone);
  }
  if (request.error) std::rethrow_exception(request.error);
  return request.answer;
}

void ServedList::close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

bool ServedList::awaitWork(std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, wait, [&] { return waiting_ != nullptr || closed_; });
}

bool ServedList::serve() {
  std::unique_lock lock(mutex_);
  if (closed_) return false;
  Request* request = std::exchange(waiting_, nullptr);
  if (!request) return true;
  lock.unlock();
  try {
    request->answer = readHere(*request->from, request->after, *request->items, *request->places);
  } catch (const PrintError&) {
    request->error = std::current_exception();
  } catch (...) {
    // Anything else ends the procedure: the asker hears that the list went.
    end();
    throw;
  }
  lock.lock();
  request->done = true;
  changed_.notify_all();
  return true;
}

void ServedList::end() {
  std::lock_guard lock(mutex_);
  ended_ = true;
  changed_.notify_all();
}

}  // namespace apprt
