#pragma once
// The sequential position of a file or a view: an order and a logical bound in
// it (an edge, a key value, or a record's values and identity), never an open
// driver statement. Reads move the bound onto the record read; writes leave it
// where it was, so a run continues from where the written record stood.

#include <span>
#include <string>
#include <vector>

#include "runtime/files/driver.h"

namespace apprt {

class FileDeclaration;

class ReadCursor {
 public:
  const ReadOrder& order() const { return order_; }
  void setOrder(ReadOrder order);  // and stand at its edge
  void setFilter(std::string filter) { order_.filter = std::move(filter); }

  void toEdge();  // a forward read returns the first record, a backward read the last
  // A forward read returns the first record at or after the values, a backward
  // read the last one before them.
  void toValues(std::vector<std::string> values);
  // The first read in either direction returns this record (or, when it is
  // gone, its neighbour on that side).
  void toRecord(std::vector<std::string> values, RecordIdentity identity);

  // Reads the neighbour in `direction` into `record`; on success the cursor
  // stands on it, on failure it stays where it was.
  DriverStatus read(DriverFile& driverFile, const FileDeclaration& file, Direction direction,
                    std::span<char> record, RecordIdentity& identity);
  // Whether a forward read would find nothing (does not move).
  bool pastEnd(DriverFile& driverFile, const FileDeclaration& file, DriverStatus& status) const;

 private:
  ReadOrder order_;
  ReadBound bound_;
};

}  // namespace apprt
