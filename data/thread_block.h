#pragma once
// The thread-wide globals: every procedure thread (the frame's and each browse
// thread) has its own instance, which starts at zero with SavedCode all
// spaces. A value set by a procedure is seen only by procedures of its thread.

#include <cstdint>

#include "runtime/files/file_record.h"

namespace fesk {

struct ThreadBlock {
  ThreadBlock() { SavedCode.fill(apprt::Fill::kSpaces); }

  // FES:CODE when the change of an FESK1 record began (RememberFesk1Code).
  apprt::FixedString<20> SavedCode;
  // What a caller asks of the procedure it calls: 1 insert, 2 change,
  // 3 delete, 4 select, 0 none.
  std::int32_t RequestCode = 0;
  // The called procedure's answer: 1 completed, 2 cancelled, 0 none.
  std::int32_t ResponseCode = 0;
  // When nonzero, OK on an unchanged record answers cancelled.
  std::int32_t CancelIfUnchanged = 0;
  // Open requests on FESK2 and FESK1 made in this thread and not yet released.
  std::int32_t Fesk2OpenCount = 0;
  std::int32_t Fesk1OpenCount = 0;
};

// The calling thread's instance.
ThreadBlock& threadBlock();

}  // namespace fesk
