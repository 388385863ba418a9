#include "drivers/sqlite/background_check.h"

#include <unistd.h>

#include <thread>
#include <utility>

#include "drivers/common/this_process.h"
#include "drivers/sqlite/database_file.h"
#include "drivers/sqlite/page_check.h"
#include "drivers/sqlite/sqlite_connection.h"
#include "runtime/files/thread_wait.h"

namespace fesk::sqlite {

BackgroundChecks& BackgroundChecks::forThisProcess() {
  // Never destroyed: a check may still run while the process exits.
  static BackgroundChecks* const checks = [] {
    apprt::onThreadWillWait([] { BackgroundChecks::forThisProcess().startScheduledHere(); });
    return new BackgroundChecks;
  }();
  return *checks;
}

std::map<std::filesystem::path, BackgroundChecks::Check>& BackgroundChecks::checks() {
  if (pid_ != drivers::thisProcess()) {
    pid_ = drivers::thisProcess();
    checks_.clear();
    due_ = 0;
    unreported_ = 0;
  }
  return checks_;
}

void BackgroundChecks::schedule(const std::filesystem::path& path,
                                const apprt::FileDeclaration& file) {
  std::lock_guard lock(mutex_);
  Check& check = checks()[path];
  if (check.due || check.running) return;
  check.due = &file;
  check.scheduledBy = std::this_thread::get_id();
  ++due_;
}

void BackgroundChecks::startScheduledHere() {
  if (due_.load(std::memory_order_relaxed) == 0) return;
  std::lock_guard lock(mutex_);
  for (auto& [path, check] : checks()) {
    if (check.scheduledBy == std::this_thread::get_id()) startWhenDue(path, check);
  }
}

void BackgroundChecks::startWhenDue(const std::filesystem::path& path, Check& check) {
  if (!check.due) return;
  const apprt::FileDeclaration& file = *std::exchange(check.due, nullptr);
  check.scheduledBy = {};
  --due_;
  check.running = true;
  std::thread([this, path, &file] {
    apprt::DriverStatus verdict;
    {
      PrivateConnection connection(path, SQLITE_OPEN_READONLY);
      verdict = connection.result() == SQLITE_OK
                    ? checkPages(connection.db(), "main", file)
                    : openFailure(connection.db(), connection.result());
    }
    finished(path, verdict);
  }).detach();
}

void BackgroundChecks::finished(const std::filesystem::path& path,
                                const apprt::DriverStatus& verdict) {
  rememberVerdict(path, verdict);
  {
    std::lock_guard lock(mutex_);
    Check& check = checks()[path];
    check.running = false;
    if (tellsDamage(verdict) && check.damage.ok()) {
      check.damage = verdict;
      ++unreported_;
    }
  }
  over_.notify_all();
}

void BackgroundChecks::waitFor(const std::filesystem::path& path) {
  std::unique_lock lock(mutex_);
  if (const auto it = checks().find(path); it != checks_.end()) startWhenDue(path, it->second);
  over_.wait(lock, [&] {
    const auto it = checks().find(path);
    return it == checks_.end() || !it->second.running;
  });
}

apprt::DriverStatus BackgroundChecks::takeDamageFound(const std::filesystem::path& path) {
  std::lock_guard lock(mutex_);
  const auto it = checks().find(path);
  if (it == checks_.end() || it->second.damage.ok()) return {};
  --unreported_;
  return std::exchange(it->second.damage, {});
}

}  // namespace fesk::sqlite
