#pragma once
// A driver that keeps its files in this process's memory: the smallest store
// the driver interface allows, with nothing of a real file or server behind
// it. The parametrized suites run on it beside the real drivers, so every
// rule they check is shown to hold through the interface alone.
//
// Reads may see another thread's writes before they are committed; a
// transaction keeps the other writers out until it ends, and a rollback puts
// back its files as they were at the begin. Filters in a query language are
// not understood (a read with one fails with 90).

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/files/driver.h"

namespace fesk::test {

class MemoryDriver : public apprt::Driver {
 public:
  // The records of one file, by identity.
  struct Table {
    std::map<apprt::RecordIdentity, std::string> records;
    apprt::RecordIdentity lastIdentity = 0;
  };

  apprt::DriverStatus open(const apprt::FileDeclaration& file, int mode,
                           std::unique_ptr<apprt::DriverFile>& opened) override;
  apprt::DriverStatus create(const apprt::FileDeclaration& file) override;
  apprt::DriverStatus buildKeys(const apprt::FileDeclaration& file) override;
  apprt::DriverStatus send(const apprt::FileDeclaration& file, std::string_view option,
                           std::string& answer) override;
  apprt::DriverStatus begin(std::span<apprt::DriverFile* const> files, int timeoutSeconds) override;
  apprt::DriverStatus commit() override;
  apprt::DriverStatus rollback() override;

  // Runs `work` on the table of `name` while no other thread writes, once
  // the calling thread may write: at once in its own transaction, else when
  // no other thread has one (91 when none ends within a few seconds).
  template <typename Work>
  apprt::DriverStatus write(const std::string& name, Work work);
  // Runs `work` on the table of `name` (which must exist) under the lock.
  template <typename Work>
  auto read(const std::string& name, Work work) {
    std::lock_guard lock(mutex_);
    return work(tables_.at(name));
  }

 private:
  // Waits until the calling thread may write; false when it waited too long.
  bool awaitWriterTurn(std::unique_lock<std::mutex>& lock, int timeoutSeconds);

  std::mutex mutex_;
  std::condition_variable transactionEnded_;
  std::map<std::string, Table> tables_;
  std::optional<std::thread::id> writer_;           // the thread in a transaction
  std::map<std::string, Table> tablesBeforeBegin_;  // of its files, for a rollback
};

template <typename Work>
apprt::DriverStatus MemoryDriver::write(const std::string& name, Work work) {
  std::unique_lock lock(mutex_);
  if (!awaitWriterTurn(lock, 5)) {
    return {apprt::kFileLocked, {}, name + " is being written by another user"};
  }
  return work(tables_.at(name));
}

}  // namespace fesk::test
