#pragma once
// Who may read the files that fesk creates (data files, lock files, backups,
// CSV, PDF): the user alone, or, when the data directory is shared by a group
// (the group may write it), the user and that group. Never other users,
// whatever the umask fesk was started with.

#include <sys/types.h>

#include "app/data_set.h"

namespace fesk {

// The file-creation mask for work on `dataSet`: 007 for a data directory the
// group may write, 077 for any other (and for a data set on a server).
mode_t fileCreationMaskFor(const DataSetChoice& dataSet);

// Makes fileCreationMaskFor(dataSet) the process's file-creation mask, before
// anything is created for the work on it.
void maskNewFilesFor(const DataSetChoice& dataSet);

}  // namespace fesk
