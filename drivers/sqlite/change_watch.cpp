#include "drivers/sqlite/change_watch.h"

#include <pthread.h>
#include <sqlite3.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <thread>
#include <vector>

#include "runtime/files/data_set_change.h"

namespace fesk::sqlite {
namespace {

struct Watched {
  std::string fileName;
  int users = 0;
  sqlite3* db = nullptr;
  sqlite3_file* file = nullptr;  // the connection's own handle of the file
  int64_t lastVersion = -1;
  int64_t ownCommits = 0;  // counted by OwnCommits
  int64_t ownSeen = 0;     // of them, those the last reading took in
  bool changed = false;    // another program's commit seen and not told yet
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
  int64_t version = 0;
  for (unsigned char byte : counter) version = (version << 8) | byte;
  return version;
}

// Commits of other programs since the last reading: how far the counter moved
// beyond this program's own commits.
bool movedByOthers(Watched& w, int64_t version) {
  constexpr int64_t kCounterRange = int64_t{1} << 32;
  const int64_t moved = (version - w.lastVersion + kCounterRange) % kCounterRange;
  const int64_t own = w.ownCommits - w.ownSeen;
  w.lastVersion = version;
  w.ownSeen = w.ownCommits;
  return moved > own;
}

class Watch {
 public:
  Watch();
  std::shared_ptr<const void> watch(const std::filesystem::path& path, const std::string& fileName);
  std::shared_mutex& gate() { return gate_; }
  void countOwn(const std::filesystem::path& path);

 private:
  void run();
  // With the mutex held: tells the files whose burst of commits is over.
  void tick();
  void forget(const std::filesystem::path& path);

  std::mutex mutex_;
  std::shared_mutex gate_;        // shared by own commits under way, the watch's reading alone
  std::condition_variable wake_;  // a file watched, or the last one let go of
  std::map<std::filesystem::path, Watched> files_;
  bool running_ = false;
};

Watch& theWatch() {
  // Lives as long as the process, so that a file let go of at its end
  // still finds it, and its thread never outlives it.
  static Watch* const watch = new Watch;
  return *watch;
}

Watch::Watch() {
  // A process forked while the watch reads (tests start stations that way)
  // must not inherit its locks held, nor count on its thread.
  pthread_atfork(
      [] {
        theWatch().gate_.lock();
        theWatch().mutex_.lock();
      },
      [] {
        theWatch().mutex_.unlock();
        theWatch().gate_.unlock();
      },
      [] {
        // The child has no watch thread: its locks start afresh, without the
        // waiters they had in the parent.
        Watch& watch = theWatch();
        new (&watch.mutex_) std::mutex;
        new (&watch.gate_) std::shared_mutex;
        new (&watch.wake_) std::condition_variable;
        watch.running_ = false;
      });
}

std::shared_ptr<const void> Watch::watch(const std::filesystem::path& path,
                                         const std::string& fileName) {
  std::lock_guard lock(mutex_);
  Watched& w = files_[path];
  if (w.users++ == 0) {
    w.fileName = fileName;
    if (sqlite3_open_v2(path.c_str(), &w.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) ==
        SQLITE_OK)
      sqlite3_file_control(w.db, "main", SQLITE_FCNTL_FILE_POINTER, &w.file);
    w.lastVersion = readVersion(w.file);
  }
  if (!running_) {
    running_ = true;
    std::thread([this] { run(); }).detach();
  }
  wake_.notify_all();
  return {this, [this, path](const void*) { forget(path); }};
}

void Watch::countOwn(const std::filesystem::path& path) {
  std::lock_guard lock(mutex_);
  auto it = files_.find(path);
  if (it != files_.end()) ++it->second.ownCommits;
}

void Watch::forget(const std::filesystem::path& path) {
  std::lock_guard lock(mutex_);
  auto it = files_.find(path);
  if (it == files_.end() || --it->second.users > 0) return;
  sqlite3_close(it->second.db);
  files_.erase(it);
  if (files_.empty()) wake_.notify_all();
}

void Watch::run() {
  // Once started the thread stays, idle while no file is watched: a thread
  // that ended whenever the last file closed would be torn down while another
  // thread may fork, and a child forked then inherits the locks of the
  // memory allocator that the teardown held.
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return !files_.empty(); });
    wake_.wait_for(lock, kWatchInterval, [this] { return files_.empty(); });
    lock.unlock();
    std::unique_lock gate(gate_);  // the gate first, as own commits take it
    lock.lock();
    tick();
  }
}

void Watch::tick() {
  for (auto& [path, w] : files_) {
    const int64_t version = readVersion(w.file);
    const bool moved = version >= 0 && w.lastVersion >= 0 && movedByOthers(w, version);
    if (version >= 0 && w.lastVersion < 0) w.lastVersion = version;
    if (moved) {
      w.changed = true;
    } else if (w.changed) {
      w.changed = false;
      // Told with the mutex held, so that a fork never finds the hearer's
      // locks taken by this thread.
      apprt::dataSetChanged(w.fileName);
    }
  }
}

}  // namespace

std::shared_ptr<const void> watchForChanges(const std::filesystem::path& path,
                                            const std::string& fileName) {
  return theWatch().watch(path, fileName);
}

OwnCommits::OwnCommits() {
  theWatch().gate().lock_shared();
}

OwnCommits::~OwnCommits() {
  theWatch().gate().unlock_shared();
}

void OwnCommits::committed(const std::filesystem::path& path) {
  theWatch().countOwn(path);
}

}  // namespace fesk::sqlite
