#include "drivers/sqlite/change_watch.h"

#include <sqlite3.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "runtime/files/data_set_change.h"

namespace fesk::sqlite {
namespace {

using Clock = std::chrono::steady_clock;

struct Watched {
  std::string fileName;
  int users = 0;
  sqlite3* db = nullptr;
  sqlite3_file* file = nullptr;  // the connection's own handle of the file
  int64_t lastVersion = -1;
  bool changed = false;  // a commit seen that was not told yet
  Clock::time_point changedSince;
};

class Watch {
 public:
  std::shared_ptr<const void> watch(const std::filesystem::path& path, const std::string& fileName);

 private:
  void run();
  // With the mutex held: the files whose burst of commits is over.
  std::vector<std::string> tick();
  void forget(const std::filesystem::path& path);

  std::mutex mutex_;
  std::condition_variable stop_;
  std::map<std::filesystem::path, Watched> files_;
  std::thread thread_;
  bool running_ = false;
};

// The file change counter in the database header, which every commit that
// changed the file (in rollback-journal mode, the only mode the driver
// uses) steps on; -1 when it cannot be read. Read through the connection's
// own handle of the file and without a lock: a lock, however short, would
// make the commit of a writer that does not wait for locks fail.
int64_t readVersion(sqlite3_file* file) {
  constexpr int kChangeCounterOffset = 24;
  unsigned char counter[4];
  if (!file || !file->pMethods ||
      file->pMethods->xRead(file, counter, sizeof counter, kChangeCounterOffset) != SQLITE_OK)
    return -1;
  return (int64_t{counter[0]} << 24) | (counter[1] << 16) | (counter[2] << 8) | counter[3];
}

std::shared_ptr<const void> Watch::watch(const std::filesystem::path& path,
                                         const std::string& fileName) {
  std::thread ended;
  {
    std::lock_guard lock(mutex_);
    Watched& w = files_[path];
    if (w.users++ == 0) {
      w.fileName = fileName;
      if (sqlite3_open_v2(path.c_str(), &w.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                          nullptr) == SQLITE_OK)
        sqlite3_file_control(w.db, "main", SQLITE_FCNTL_FILE_POINTER, &w.file);
      w.lastVersion = readVersion(w.file);
    }
    if (!running_) {
      ended = std::move(thread_);
      running_ = true;
      thread_ = std::thread([this] { run(); });
    }
  }
  if (ended.joinable()) ended.join();
  return {this, [this, path](const void*) { forget(path); }};
}

void Watch::forget(const std::filesystem::path& path) {
  std::lock_guard lock(mutex_);
  auto it = files_.find(path);
  if (it == files_.end() || --it->second.users > 0) return;
  sqlite3_close(it->second.db);
  files_.erase(it);
  if (files_.empty()) stop_.notify_all();
}

void Watch::run() {
  std::unique_lock lock(mutex_);
  while (!files_.empty()) {
    stop_.wait_for(lock, kWatchInterval, [this] { return files_.empty(); });
    const std::vector<std::string> told = tick();
    lock.unlock();
    for (const std::string& fileName : told) apprt::dataSetChanged(fileName);
    lock.lock();
  }
  running_ = false;
}

std::vector<std::string> Watch::tick() {
  std::vector<std::string> told;
  const auto now = Clock::now();
  for (auto& [path, w] : files_) {
    const int64_t version = readVersion(w.file);
    const bool moved = version >= 0 && version != w.lastVersion;
    if (moved) {
      w.lastVersion = version;
      if (!w.changed) w.changedSince = now;
      w.changed = true;
    }
    if (w.changed && (!moved || now - w.changedSince >= kLongestBurst)) {
      w.changed = false;
      told.push_back(w.fileName);
    }
  }
  return told;
}

}  // namespace

std::shared_ptr<const void> watchForChanges(const std::filesystem::path& path,
                                            const std::string& fileName) {
  // Lives as long as the process, so that a watched file let go of at its
  // end still finds it.
  static Watch* const watch = new Watch;
  return watch->watch(path, fileName);
}

}  // namespace fesk::sqlite
