#pragma once
// Records (and their history) handed from one thread to another in batches, with a bound on how
// many wait, so that a copy's memory does not grow with the data set. The
// reading side ends the stream (with a failure, or none); the taking side can
// give up, which wakes a reader waiting for room.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/files/file_history.h"

namespace fesk::records {

// What a batch holds, in the order they come: every file's records, the
// mark that they are all read, then each file's history (history_carry.h).
enum class BatchKind {
  kRecords,
  // Once, after the records of every file and before any history: from now
  // on only the history comes, so the records can be stored while it is read.
  kAllRecordsRead,
  // Once a file: the identities of its records, in the order they were read.
  kIdentities,
  // Then its history's entries.
  kEntries,
};

struct RecordBatch {
  BatchKind kind = BatchKind::kRecords;
  std::size_t file = 0;      // which file of the data set
  std::vector<char> images;  // `count` record images, one after the other
  std::uint64_t count = 0;
  std::vector<apprt::RecordIdentity> identities;
  std::vector<apprt::HistoryEntry> entries;
};

class RecordBatches {
 public:
  // Waits for room; false when the taker gave up.
  bool put(RecordBatch batch);
  // The reader is done; `failure` says why it stopped early (empty: it read all).
  void finish(std::string failure = {});
  // The next batch; false once the reader is done and every batch is taken.
  bool take(RecordBatch& batch);
  void giveUp();
  std::string failure() const;

 private:
  static constexpr std::size_t kWaitingBatches = 4;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<RecordBatch> waiting_;
  bool finished_ = false;
  bool givenUp_ = false;
  std::string failure_;
};

}  // namespace fesk::records
