#pragma once
// The data files of one data set: FESK1 and FESK2 declared anew, laid out
// like the program's own (data/data_files.h) and bound to that data set's
// driver, keeping a history as the program's do. With one of these per data
// set the file layer reads one data set and writes another at the same time.

#include <array>
#include <string>

#include "runtime/files/driver.h"
#include "runtime/files/file_declaration.h"

namespace fesk::records {

class DataSetFiles {
 public:
  explicit DataSetFiles(apprt::Driver& driver);
  ~DataSetFiles();
  DataSetFiles(const DataSetFiles&) = delete;
  DataSetFiles& operator=(const DataSetFiles&) = delete;

  const apprt::FileDeclaration& fesk1() const { return fesk1_; }
  const apprt::FileDeclaration& fesk2() const { return fesk2_; }
  // FESK1, then FESK2.
  const std::array<const apprt::FileDeclaration*, 2>& all() const { return all_; }

 private:
  apprt::FileDeclaration fesk1_;
  apprt::FileDeclaration fesk2_;
  std::array<const apprt::FileDeclaration*, 2> all_;
};

// Whether the data set on `driver` holds a data file at all (a schema on a
// server without them is no data set to read). False with the reason in
// `why` when that cannot be told; false with `why` empty when it holds none.
bool holdsDataFiles(apprt::Driver& driver, std::string& why);

}  // namespace fesk::records
