#pragma once
// The copy of one data set into another as the copy, backup and restore
// commands run it: both data sets opened (the target taken alone when its
// records are replaced), a progress line on the terminal, Ctrl+C stops it (the
// target stays as it was), and the outcome said.

#include <functional>
#include <string>
#include <string_view>

#include "app/data_sets/named_data_set.h"

namespace fesk {

struct DataSetCopyRun {
  DataSetChoice from;
  DataSetChoice to;
  bool replace = false;
  // The target is taken alone even when its records are not replaced, and its
  // files may be replaced whole by copies of the source's (between data
  // directories a backup copies pages instead of adding every record again).
  bool takeTargetAlone = false;
  // Asked once both are open, before anything is copied; false copies nothing.
  std::function<bool(const NamedDataSet& from, const NamedDataSet& to)> confirm = nullptr;
};

// Answers the command's exit status.
int runDataSetCopy(std::string_view command, const DataSetCopyRun& run);

}  // namespace fesk
