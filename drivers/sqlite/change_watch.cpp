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
  sqlite3_stmt* version = nullptr;
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

// The file's change counter as this connection sees it; -1 when it cannot be
// read now (another program holds the file for its commit).
int64_t readVersion(sqlite3_stmt* statement) {
  const int64_t version =
      sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
  sqlite3_reset(statement);  // no lock is kept between two asks
  return version;
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
        sqlite3_prepare_v2(w.db, "PRAGMA data_version", -1, &w.version, nullptr);
      if (w.version) w.lastVersion = readVersion(w.version);
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
  sqlite3_finalize(it->second.version);
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
    if (!w.version) continue;
    const int64_t version = readVersion(w.version);
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
