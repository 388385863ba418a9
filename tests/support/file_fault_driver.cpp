#include "support/file_fault_driver.h"

#include <vector>

namespace apprt {
namespace {

std::size_t slot(DriverOperation operation) {
  return static_cast<std::size_t>(operation);
}

// One open file through the fault driver: every call is checked first.
class FaultFile : public DriverFile {
 public:
  FaultFile(FaultDriver& faults, std::unique_ptr<DriverFile> wrapped)
      : faults_(faults), wrapped_(std::move(wrapped)) {}

  DriverFile& wrapped() { return *wrapped_; }

  DriverStatus read(const ReadOrder& order, const ReadBound& from, Direction direction,
                    std::span<char> record, RecordIdentity& identity) override {
    auto status = faults_.check(DriverOperation::kRead);
    return status.ok() ? wrapped_->read(order, from, direction, record, identity) : status;
  }
  DriverStatus fetch(RecordIdentity identity, std::span<char> record) override {
    auto status = faults_.check(DriverOperation::kFetch);
    return status.ok() ? wrapped_->fetch(identity, record) : status;
  }
  DriverStatus add(std::span<const char> record, RecordIdentity& identity) override {
    auto status = faults_.check(DriverOperation::kAdd);
    return status.ok() ? wrapped_->add(record, identity) : status;
  }
  DriverStatus put(RecordIdentity identity, std::span<const char> record,
                   const std::string* expected) override {
    auto status = faults_.check(DriverOperation::kPut);
    return status.ok() ? wrapped_->put(identity, record, expected) : status;
  }
  DriverStatus remove(RecordIdentity identity) override {
    auto status = faults_.check(DriverOperation::kRemove);
    return status.ok() ? wrapped_->remove(identity) : status;
  }
  DriverStatus hasDuplicate(int key, std::span<const char> record, RecordIdentity except,
                            bool& found) override {
    auto status = faults_.check(DriverOperation::kHasDuplicate);
    return status.ok() ? wrapped_->hasDuplicate(key, record, except, found) : status;
  }

 private:
  FaultDriver& faults_;
  std::unique_ptr<DriverFile> wrapped_;
};

}  // namespace

void FaultDriver::failOn(DriverOperation operation, int code, int fromCall, bool once) {
  std::lock_guard lock(mutex_);
  faults_[slot(operation)] = Fault{code, calls_[slot(operation)] + fromCall, once};
}

void FaultDriver::clearFaults() {
  std::lock_guard lock(mutex_);
  faults_ = {};
}

int FaultDriver::calls(DriverOperation operation) const {
  std::lock_guard lock(mutex_);
  return calls_[slot(operation)];
}

DriverStatus FaultDriver::check(DriverOperation operation) {
  std::lock_guard lock(mutex_);
  const int call = ++calls_[slot(operation)];
  const Fault& fault = faults_[slot(operation)];
  const bool fails =
      fault.failAtCall != 0 && (fault.once ? call == fault.failAtCall : call >= fault.failAtCall);
  if (!fails) return {};
  return DriverStatus{fault.code, "fault", "injected failure"};
}

DriverStatus FaultDriver::open(const FileDeclaration& file, int mode,
                               std::unique_ptr<DriverFile>& opened) {
  auto status = check(DriverOperation::kOpen);
  if (!status.ok()) return status;
  std::unique_ptr<DriverFile> real;
  status = wrapped_.open(file, mode, real);
  if (status.ok()) opened = std::make_unique<FaultFile>(*this, std::move(real));
  return status;
}

DriverStatus FaultDriver::create(const FileDeclaration& file) {
  auto status = check(DriverOperation::kCreate);
  return status.ok() ? wrapped_.create(file) : status;
}

DriverStatus FaultDriver::buildKeys(const FileDeclaration& file) {
  auto status = check(DriverOperation::kBuildKeys);
  return status.ok() ? wrapped_.buildKeys(file) : status;
}

DriverStatus FaultDriver::send(const FileDeclaration& file, std::string_view option,
                               std::string& answer) {
  auto status = check(DriverOperation::kSend);
  return status.ok() ? wrapped_.send(file, option, answer) : status;
}

DriverStatus FaultDriver::begin(std::span<DriverFile* const> files, int timeoutSeconds) {
  auto status = check(DriverOperation::kBegin);
  if (!status.ok()) return status;
  std::vector<DriverFile*> real;
  for (DriverFile* file : files) real.push_back(&static_cast<FaultFile*>(file)->wrapped());
  return wrapped_.begin(real, timeoutSeconds);
}

DriverStatus FaultDriver::commit() {
  auto status = check(DriverOperation::kCommit);
  if (!status.ok()) {
    // A failed commit leaves nothing half done: the wrapped transaction is undone.
    wrapped_.rollback();
    return status;
  }
  return wrapped_.commit();
}

DriverStatus FaultDriver::rollback() {
  // Even a failing roll-back undoes the wrapped transaction, so that no
  // transaction outlives the one the layer above believes ended.
  auto status = check(DriverOperation::kRollback);
  auto real = wrapped_.rollback();
  return status.ok() ? real : status;
}

}  // namespace apprt
