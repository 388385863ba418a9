#include "runtime/files/history_carry.h"

#include "runtime/files/file_access.h"
#include "runtime/files/file_declaration.h"

namespace apprt {

bool readWholeHistory(const FileDeclaration& file, const std::function<bool(HistoryEntry&)>& each) {
  HistoryKeepingFile* history = historyKeepingFileOf(file);
  if (history) report(file, history->readWholeHistory(each));
  return history != nullptr;
}

bool storedIdentities(const FileDeclaration& file, std::vector<RecordIdentity>& identities) {
  HistoryKeepingFile* history = historyKeepingFileOf(file);
  if (history) report(file, history->storedIdentities(identities));
  return history != nullptr;
}

CarriedHistory::CarriedHistory(const FileDeclaration& file, bool replace) : file_(file) {
  HistoryKeepingFile* history = historyKeepingFileOf(file);
  if (!history) {
    // Nothing to carry into is no failure (37 when the file is not open).
    if (openInstance(file)) report(DriverStatus{});
    return;
  }
  const DriverStatus status = history->carryHistory(replace, carry_);
  report(file, status);
  if (!status.ok()) carry_.reset();
}

CarriedHistory::~CarriedHistory() = default;

RecordIdentity CarriedHistory::nextIdentity() const {
  RecordIdentity next = 0;
  report(file_, carry_->nextIdentity(next));
  return next;
}

void CarriedHistory::write(const HistoryEntry& entry) const {
  report(file_, carry_->write(entry));
}

void CarriedHistory::finish(RecordIdentity next) const {
  report(file_, carry_->finish(next));
}

}  // namespace apprt
