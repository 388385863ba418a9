#include "app/file_creation_mask.h"

#include <sys/stat.h>

namespace fesk {

mode_t fileCreationMaskFor(const DataSetChoice& dataSet) {
  constexpr mode_t kUserOnly = S_IRWXG | S_IRWXO;
  constexpr mode_t kUserAndGroup = S_IRWXO;
  struct stat status {};
  if (dataSet.onServer() || ::stat(dataSet.directory.c_str(), &status) != 0 ||
      !S_ISDIR(status.st_mode)) {
    return kUserOnly;
  }
  return (status.st_mode & S_IWGRP) != 0 ? kUserAndGroup : kUserOnly;
}

void maskNewFilesFor(const DataSetChoice& dataSet) {
  ::umask(fileCreationMaskFor(dataSet));
}

}  // namespace fesk
