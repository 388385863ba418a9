#pragma once
// The calling thread's use of FESK1 while the object lives, counted in its
// Fesk1OpenCount as the procedures count theirs: opened (with the usual
// checks) when the count is 0, closed when it is back at 0.

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data/thread_block.h"

namespace fesk {

class Fesk1InUse {
 public:
  Fesk1InUse() {
    if (threadBlock().Fesk1OpenCount == 0) OpenDataFile(FESK1);
    ++threadBlock().Fesk1OpenCount;
  }
  ~Fesk1InUse() {
    if (--threadBlock().Fesk1OpenCount == 0) FESK1.close();
  }
  Fesk1InUse(const Fesk1InUse&) = delete;
  Fesk1InUse& operator=(const Fesk1InUse&) = delete;
};

}  // namespace fesk
