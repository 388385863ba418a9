#include "app/data_sets/file_creation_mask.h"

#include <sys/stat.h>

namespace fesk {

void maskNewFilesFor(const DataSetChoice& dataSet) {
  ::umask(dataSet.kind->newFilesMask(dataSet));
}

}  // namespace fesk
