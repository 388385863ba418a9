#include "records/record_batches.h"

namespace fesk::records {

bool RecordBatches::put(RecordBatch batch) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return givenUp_ || waiting_.size() < kWaitingBatches; });
  if (givenUp_) return false;
  waiting_.push_back(std::move(batch));
  changed_.notify_all();
  return true;
}

void RecordBatches::finish(std::string failure) {
  std::lock_guard lock(mutex_);
  finished_ = true;
  failure_ = std::move(failure);
  changed_.notify_all();
}

bool RecordBatches::take(RecordBatch& batch) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return finished_ || !waiting_.empty(); });
  if (waiting_.empty()) return false;
  batch = std::move(waiting_.front());
  waiting_.pop_front();
  changed_.notify_all();
  return true;
}

void RecordBatches::giveUp() {
  std::lock_guard lock(mutex_);
  givenUp_ = true;
  waiting_.clear();
  changed_.notify_all();
}

std::string RecordBatches::failure() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

}  // namespace fesk::records
