#pragma once
// Who works on a data set, whichever kind it is: the lock file of a data
// directory (data_directory_lock.h) or the lock of a schema on a server
// (pg_schema_lock.h). Every fesk shares it while it runs; replacing the data
// takes it alone.

#include <string>

#include "app/data_directory_lock.h"
#include "app/data_set.h"
#include "drivers/postgres/pg_schema_lock.h"

namespace fesk {

class DataSetLock {
 public:
  // False, with the reason in `why`, while another fesk has the data set alone.
  // A data set that is only read gets nothing written into it.
  bool share(const DataSetChoice& dataSet, std::string& why, bool onlyRead = false);
  // False, with the reason in `why`, while another fesk uses the data set.
  bool takeAlone(const DataSetChoice& dataSet, std::string& why);
  // The lock on a server, which the server's driver takes again when the
  // server lost it.
  postgres::SchemaLock& serverLock() { return schema_; }

 private:
  void release();

  DataDirectoryLock directory_;
  postgres::SchemaLock schema_;
};

}  // namespace fesk
