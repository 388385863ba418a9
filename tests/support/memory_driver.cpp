#include "support/memory_driver.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "runtime/files/driver_options.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/file_position.h"
#include "runtime/files/key_order.h"

namespace fesk::test {
namespace {

using apprt::DriverStatus;
using apprt::FileDeclaration;
using apprt::RecordIdentity;

// Where a record stands in an order: its values, then its identity.
struct Place {
  std::vector<std::string> values;
  RecordIdentity identity = 0;
};

// The 0-based fields of a key.
std::vector<int> keyFields(const FileDeclaration& file, int key) {
  return file.key(key).fields;
}

class MemoryFile : public apprt::DriverFile {
 public:
  MemoryFile(MemoryDriver& driver, const FileDeclaration& file, bool readOnly)
      : driver_(driver), file_(file), readOnly_(readOnly) {}

  const std::string& name() const { return file_.fileName(); }

  DriverStatus read(const apprt::ReadOrder& order, const apprt::ReadBound& from,
                    apprt::Direction direction, std::span<char> record,
                    RecordIdentity& identity) override {
    if (!order.filter.empty()) {
      return {apprt::kDriverError, {}, "filters are not understood: " + order.filter};
    }
    const bool forward = direction == apprt::Direction::kForward;
    const apprt::KeyPoint bound{from.values, apprt::boundIdentity(from)};
    // How `place` compares with `other` in the order, as every store ranks.
    const auto compare = [](const Place& place, const apprt::KeyPoint& other) {
      return apprt::compareKeyPoints({place.values, place.identity}, other);
    };
    // Whether `place` lies beyond the bound in the direction of the read.
    const auto beyond = [&](const Place& place) {
      if (from.kind == apprt::BoundKind::kEdge) return true;
      const int rank = compare(place, bound);
      if (rank == 0) return apprt::boundIncluded(from);
      return forward ? rank > 0 : rank < 0;
    };
    return driver_.read(name(), [&](const MemoryDriver::Table& table) -> DriverStatus {
      std::optional<Place> best;
      const std::string* found = nullptr;
      for (const auto& [id, stored] : table.records) {
        Place place{apprt::orderValues(file_, order.fields, stored), id};
        if (!beyond(place)) continue;
        if (best) {
          const int rank = compare(place, {best->values, best->identity});
          if (forward ? rank > 0 : rank < 0) continue;
        }
        best = std::move(place);
        found = &stored;
      }
      if (found == nullptr) return apprt::kNoMoreRecords;
      std::copy(found->begin(), found->end(), record.begin());
      identity = best->identity;
      return {};
    });
  }

  DriverStatus fetch(RecordIdentity identity, std::span<char> record) override {
    return driver_.read(name(), [&](const MemoryDriver::Table& table) -> DriverStatus {
      const auto stored = table.records.find(identity);
      if (stored == table.records.end()) return apprt::kRecordNotFound;
      std::copy(stored->second.begin(), stored->second.end(), record.begin());
      return {};
    });
  }

  DriverStatus add(std::span<const char> record, RecordIdentity& identity) override {
    if (readOnly_) return apprt::kAccessDenied;
    return driver_.write(name(), [&](MemoryDriver::Table& table) -> DriverStatus {
      if (duplicatesUniqueKey(table, record, 0)) return apprt::kDuplicateKey;
      identity = ++table.lastIdentity;
      table.records[identity].assign(record.begin(), record.end());
      return {};
    });
  }

  DriverStatus put(RecordIdentity identity, std::span<const char> record,
                   const std::string* expected) override {
    if (readOnly_) return apprt::kAccessDenied;
    return driver_.write(name(), [&](MemoryDriver::Table& table) -> DriverStatus {
      // A watched record that another user deleted was changed by them too.
      const auto stored = table.records.find(identity);
      const bool gone = stored == table.records.end();
      if (expected != nullptr && (gone || stored->second != *expected)) {
        return apprt::kChangedByOtherStation;
      }
      if (gone) return apprt::kRecordNotFound;
      if (duplicatesUniqueKey(table, record, identity)) return apprt::kDuplicateKey;
      stored->second.assign(record.begin(), record.end());
      return {};
    });
  }

  DriverStatus remove(RecordIdentity identity) override {
    if (readOnly_) return apprt::kAccessDenied;
    return driver_.write(name(), [&](MemoryDriver::Table& table) -> DriverStatus {
      return table.records.erase(identity) == 1 ? DriverStatus() : apprt::kRecordNotFound;
    });
  }

  DriverStatus hasDuplicate(int key, std::span<const char> record, RecordIdentity except,
                            bool& found) override {
    found = driver_.read(name(), [&](const MemoryDriver::Table& table) {
      return holdsValueOf(table, key, record, except);
    });
    return {};
  }

 private:
  // Whether a record other than `except` has the value of `key` that `record` has.
  bool holdsValueOf(const MemoryDriver::Table& table, int key, std::span<const char> record,
                    RecordIdentity except) const {
    const auto fields = keyFields(file_, key);
    const auto value = apprt::orderValues(file_, fields, record);
    return std::ranges::any_of(table.records, [&](const auto& entry) {
      return entry.first != except && apprt::orderValues(file_, fields, entry.second) == value;
    });
  }

  bool duplicatesUniqueKey(const MemoryDriver::Table& table, std::span<const char> record,
                           RecordIdentity except) const {
    for (int key = 0; key < static_cast<int>(file_.keys().size()); ++key) {
      if (!file_.key(key).allowsDuplicates() && holdsValueOf(table, key, record, except)) {
        return true;
      }
    }
    return false;
  }

  MemoryDriver& driver_;
  const FileDeclaration& file_;
  bool readOnly_;
};

}  // namespace

bool MemoryDriver::awaitWriterTurn(std::unique_lock<std::mutex>& lock, int timeoutSeconds) {
  return transactionEnded_.wait_for(lock, std::chrono::seconds(timeoutSeconds), [&] {
    return !writer_ || *writer_ == std::this_thread::get_id();
  });
}

DriverStatus MemoryDriver::open(const FileDeclaration& file, int mode,
                                std::unique_ptr<apprt::DriverFile>& opened) {
  std::lock_guard lock(mutex_);
  if (!tables_.contains(file.fileName())) return apprt::kFileNotFound;
  opened = std::make_unique<MemoryFile>(*this, file, apprt::opensForReadingOnly(mode));
  return {};
}

DriverStatus MemoryDriver::create(const FileDeclaration& file) {
  std::unique_lock lock(mutex_);
  if (!awaitWriterTurn(lock, 5)) {
    return {apprt::kFileLocked, {}, file.fileName() + " is being written by another user"};
  }
  Table& table = tables_[file.fileName()];
  table.records.clear();
  return {};
}

DriverStatus MemoryDriver::buildKeys(const FileDeclaration& file) {
  std::lock_guard lock(mutex_);
  return tables_.contains(file.fileName()) ? DriverStatus() : apprt::kFileNotFound;
}

DriverStatus MemoryDriver::send(const FileDeclaration& /*file*/, std::string_view option,
                                std::string& answer) {
  DriverStatus status;
  const int seconds = apprt::recoverSeconds(option, status);
  if (status.ok()) answer = apprt::recoverAnswer(seconds);
  return status;
}

DriverStatus MemoryDriver::begin(std::span<apprt::DriverFile* const> files, int timeoutSeconds) {
  std::string names;
  for (apprt::DriverFile* file : files) {
    names += (names.empty() ? "" : ", ") + static_cast<MemoryFile*>(file)->name();
  }
  std::unique_lock lock(mutex_);
  if (writer_ == std::this_thread::get_id()) {
    return {apprt::kDriverError, {}, "a transaction over " + names + " is under way already"};
  }
  if (!awaitWriterTurn(lock, std::max(timeoutSeconds, 0))) {
    return {apprt::kDriverError, {}, names + " is being written by another user"};
  }
  writer_ = std::this_thread::get_id();
  tablesBeforeBegin_.clear();
  for (apprt::DriverFile* file : files) {
    const std::string& name = static_cast<MemoryFile*>(file)->name();
    tablesBeforeBegin_[name] = tables_.at(name);
  }
  return {};
}

DriverStatus MemoryDriver::commit() {
  std::lock_guard lock(mutex_);
  if (writer_ != std::this_thread::get_id()) {
    return {apprt::kDriverError, {}, "no transaction to commit"};
  }
  writer_.reset();
  tablesBeforeBegin_.clear();
  transactionEnded_.notify_all();
  return {};
}

DriverStatus MemoryDriver::rollback() {
  std::lock_guard lock(mutex_);
  if (writer_ != std::this_thread::get_id()) return {};
  // Identities stay spent: a record added later never takes one back.
  for (auto& [name, table] : tablesBeforeBegin_) {
    table.lastIdentity = tables_[name].lastIdentity;
    tables_[name] = std::move(table);
  }
  writer_.reset();
  tablesBeforeBegin_.clear();
  transactionEnded_.notify_all();
  return {};
}

}  // namespace fesk::test
