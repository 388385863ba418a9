#pragma once
// One thread's instance of a declared file: everything a thread sees of a file
// that another thread must not (open state, record buffer, sequential
// position, current record, change detection).

#include <memory>
#include <optional>
#include <string>

#include "runtime/files/driver.h"
#include "runtime/files/file_cursor.h"

namespace apprt {

class RecordLayout;

struct WatchedRecord {
  RecordIdentity identity;
  std::string image;  // the record as it was read
};

struct FileInstance {
  std::unique_ptr<char[]> record;
  std::unique_ptr<DriverFile> driverFile;  // set while open
  Driver* openedBy = nullptr;              // the driver that opened it
  int mode = 0;
  ReadCursor cursor;
  std::optional<RecordIdentity> current;  // what put and remove act on
  bool watchArmed = false;
  std::optional<WatchedRecord> watched;
};

// The calling thread's instance of `file`, made on first use.
FileInstance& instanceOf(const RecordLayout& file);

}  // namespace apprt
