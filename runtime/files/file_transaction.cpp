#include "runtime/files/file_transaction.h"

#include <vector>

#include "runtime/files/file_access.h"
#include "runtime/files/file_declaration.h"

namespace apprt {
namespace {

thread_local Driver* tTransactionDriver = nullptr;
thread_local std::vector<std::function<void()>> tUndo;

// The transaction is over: its undo work is done when it was not saved.
void ended(bool saved) {
  std::vector<std::function<void()>> undo;
  undo.swap(tUndo);
  if (saved) return;
  for (auto step = undo.rbegin(); step != undo.rend(); ++step) (*step)();
}

}  // namespace

void beginTransaction(int timeoutSeconds, std::initializer_list<const FileDeclaration*> files) {
  if (tTransactionDriver) {
    setError(kDriverError, "", "a transaction is already active in this thread");
    return;
  }
  Driver* driver = nullptr;
  std::vector<DriverFile*> driverFiles;
  for (const FileDeclaration* file : files) {
    FileInstance* instance = openInstance(*file);
    if (!instance) return;
    if (driver && instance->openedBy != driver) {
      setError(kDriverError, "", "a transaction cannot span files of different drivers");
      return;
    }
    driver = instance->openedBy;
    driverFiles.push_back(instance->driverFile.get());
  }
  if (!driver) {
    setError(kDriverError, "", "a transaction needs at least one file");
    return;
  }
  if (report(driver->begin(driverFiles, timeoutSeconds))) {
    tTransactionDriver = driver;
    tUndo.clear();
  }
}

void commitTransaction() {
  if (!tTransactionDriver) {
    setError(kDriverError, "", "no transaction is active in this thread");
    return;
  }
  const DriverStatus status = tTransactionDriver->commit();
  // A failed commit has been rolled back by the driver; either way it is over.
  tTransactionDriver = nullptr;
  ended(report(status));
}

void rollbackTransaction() {
  if (!tTransactionDriver) {
    clearError();
    return;
  }
  Driver* driver = tTransactionDriver;
  tTransactionDriver = nullptr;
  ended(false);
  report(driver->rollback());
}

void undoUnlessCommitted(std::function<void()> undo) {
  if (tTransactionDriver) tUndo.push_back(std::move(undo));
}

}  // namespace apprt
