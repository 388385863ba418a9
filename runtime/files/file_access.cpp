#include "runtime/files/file_access.h"

#include <vector>

#include "runtime/files/file_damage.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/file_position.h"
#include "runtime/files/store_loss.h"

namespace apprt {

bool report(const DriverStatus& status) {
  watchForUnreachableStore(status);
  setError(status.code, status.driverCode, status.driverMessage);
  return status.ok();
}

bool report(const FileDeclaration& file, const DriverStatus& status) {
  if (report(status)) return true;
  if (status.code == kKeysInvalid || status.code == kFileInvalid) fileDamaged(file);
  return false;
}

FileInstance* openInstance(const FileDeclaration& file) {
  FileInstance& instance = instanceOf(file);
  if (!instance.driverFile) {
    setError(kFileNotOpen);
    return nullptr;
  }
  return &instance;
}

Driver* driverOf(const FileDeclaration& file) {
  Driver* driver = file.driver();
  if (!driver) setError(kDriverError, "", "no driver is bound to " + file.fileName());
  return driver;
}

void recordWasRead(FileInstance& instance, std::size_t recordLength, RecordIdentity identity) {
  instance.current = identity;
  if (instance.watchArmed) {
    instance.watchArmed = false;
    instance.watched = WatchedRecord{identity, std::string(instance.record.get(), recordLength)};
  }
}

void readWithCursor(const FileDeclaration& file, FileInstance& instance, ReadCursor& cursor,
                    Direction direction) {
  RecordIdentity identity = 0;
  if (report(file,
             cursor.read(*instance.driverFile, file, direction, file.recordBytes(), identity))) {
    recordWasRead(instance, file.recordLength(), identity);
  }
}

bool resetCursor(const FileDeclaration& file, FileInstance& instance, ReadCursor& cursor,
                 ReadOrder order, std::string_view text) {
  auto position = decodePosition(file, text);
  if (!position) {
    setError(kRecordNotFound);
    return false;
  }
  if (position->fields != order.fields) {
    std::vector<char> stored(file.recordLength());
    if (!report(file, instance.driverFile->fetch(position->identity, stored))) return false;
    position->values = orderValues(file, order.fields, stored);
  }
  cursor.setOrder(std::move(order));
  cursor.toRecord(std::move(position->values), position->identity);
  clearError();
  return true;
}

ReadOrder keyOrder(const FileDeclaration& file, int keyIndex) {
  ReadOrder order;
  order.key = keyIndex;
  order.fields = file.key(keyIndex).fields;
  return order;
}

}  // namespace apprt
