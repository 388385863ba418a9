#pragma once
// A driver that wraps another and makes a chosen operation fail with a chosen
// code, so that the failure paths of the layers above run through their real
// code. A failing call does not reach the wrapped driver: nothing is written.
//
//   FaultDriver faults(realDriver);
//   FESK2.bindDriver(faults);
//   faults.failOn(DriverOperation::kRemove, kDriverError, 2);  // the 2nd delete from now

#include <array>
#include <mutex>

#include "runtime/files/driver.h"

namespace apprt {

enum class DriverOperation {
  kOpen,
  kCreate,
  kBuildKeys,
  kSend,
  kRead,
  kFetch,
  kAdd,
  kPut,
  kRemove,
  kHasDuplicate,
  kBegin,
  kCommit,
  kRollback,
};
inline constexpr std::size_t kDriverOperationCount = 13;

class FaultDriver : public Driver {
 public:
  explicit FaultDriver(Driver& wrapped) : wrapped_(wrapped) {}

  // The `fromCall`-th call of `operation` from now (1: the next one) fails
  // with `code`; with `once` only that call, otherwise every call from it on.
  void failOn(DriverOperation operation, int code, int fromCall = 1, bool once = true);
  void clearFaults();
  // Calls of `operation` that reached this driver, failed ones included.
  int calls(DriverOperation operation) const;

  // Counts the call and answers the injected failure, if this call has one.
  DriverStatus check(DriverOperation operation);

  DriverStatus open(const FileDeclaration& file, int mode,
                    std::unique_ptr<DriverFile>& opened) override;
  DriverStatus create(const FileDeclaration& file) override;
  DriverStatus buildKeys(const FileDeclaration& file) override;
  DriverStatus send(const FileDeclaration& file, std::string_view option,
                    std::string& answer) override;
  DriverStatus begin(std::span<DriverFile* const> files, int timeoutSeconds) override;
  DriverStatus commit() override;
  DriverStatus rollback() override;

 private:
  struct Fault {
    int code = kNoError;
    int failAtCall = 0;  // 0: no fault
    bool once = true;
  };
  Driver& wrapped_;
  mutable std::mutex mutex_;
  std::array<int, kDriverOperationCount> calls_{};
  std::array<Fault, kDriverOperationCount> faults_{};
};

}  // namespace apprt
