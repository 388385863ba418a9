#pragma once
// Who may read the files that fesk creates (data files, lock files, backups,
// CSV, PDF): the user alone, or the user and a group that shares the data
// set, as its kind rules (DataSetKind::newFilesMask). Never other users,
// whatever the umask fesk was started with.

#include "app/data_sets/data_set.h"

namespace fesk {

// Makes the file-creation mask for work on `dataSet` the process's, before
// anything is created for the work on it.
void maskNewFilesFor(const DataSetChoice& dataSet);

}  // namespace fesk
