#include "runtime/files/file_cursor.h"

#include <vector>

#include "runtime/files/file_declaration.h"
#include "runtime/files/file_position.h"

namespace apprt {

void ReadCursor::setOrder(ReadOrder order) {
  order_ = std::move(order);
  toEdge();
}

void ReadCursor::toEdge() {
  bound_ = ReadBound{};
}

void ReadCursor::toValues(std::vector<std::string> values) {
  bound_ = ReadBound{.kind = BoundKind::kValues, .values = std::move(values)};
}

void ReadCursor::toRecord(std::vector<std::string> values, RecordIdentity identity) {
  bound_ = ReadBound{.kind = BoundKind::kRecord,
                     .values = std::move(values),
                     .identity = identity,
                     .inclusive = true};
}

DriverStatus ReadCursor::read(DriverFile& driverFile, const FileDeclaration& file,
                              Direction direction, std::span<char> record,
                              RecordIdentity& identity) {
  DriverStatus status = driverFile.read(order_, bound_, direction, record, identity);
  if (status.ok()) {
    bound_.kind = BoundKind::kRecord;
    orderValuesInto(file, order_.fields, record, bound_.values);
    bound_.identity = identity;
    bound_.inclusive = false;
  }
  return status;
}

bool ReadCursor::pastEnd(DriverFile& driverFile, const FileDeclaration& file,
                         DriverStatus& status) const {
  std::vector<char> scratch(file.recordLength());
  RecordIdentity identity = 0;
  status = driverFile.read(order_, bound_, Direction::kForward, scratch, identity);
  if (status.code == kNoMoreRecords) {
    status = {};
    return true;
  }
  return false;
}

}  // namespace apprt
