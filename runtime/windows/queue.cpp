#include "runtime/windows/queue.h"

namespace apprt {

bool QueueBase::get(size_t pos) {
  if (pos == 0) {
    current_ = 0;
    clearError();
    return false;
  }
  if (pos > entryCount()) {
    detachNotFound();
    return false;
  }
  loadBuffer(pos - 1);
  current_ = pos;
  clearError();
  return true;
}

void QueueBase::add() {
  addAt(entryCount() + 1);
}

void QueueBase::addAt(size_t pos) {
  const size_t index = std::min(pos == 0 ? 0 : pos - 1, entryCount());
  insertBuffer(index);
  current_ = index + 1;
  changed();
  clearError();
}

bool QueueBase::put() {
  if (current_ == 0) {
    setError(kEntryNotFound);
    return false;
  }
  storeBuffer(current_ - 1);
  changed();
  clearError();
  return true;
}

bool QueueBase::remove() {
  if (current_ == 0) {
    setError(kEntryNotFound);
    return false;
  }
  eraseEntry(current_ - 1);
  current_ = 0;
  changed();
  clearError();
  return true;
}

void QueueBase::free() {
  eraseAll();
  current_ = 0;
  changed();
  clearError();
}

void QueueBase::setAside() {
  moveEntriesAside();
  current_ = 0;
  changed();
  clearError();
}

void QueueBase::putBack() {
  restoreEntriesAside();
  current_ = 0;
  changed();
  clearError();
}

void QueueBase::detachNotFound() {
  current_ = 0;
  setError(kEntryNotFound);
}

}  // namespace apprt
