#include "bench/parent_recode.h"

#include "data/data_files.h"
#include "data/record_writes.h"
#include "runtime/files/errors.h"
#include "runtime/files/thread_wait.h"

namespace fesk::bench {

bool recodeParent(const std::string& from, const std::string& to) {
  FESK1.clear();
  FESK1.buffer().CODE = from;
  FESK1.setOnKeyValue(FES_KEYCODE);
  FESK1.next();
  if (apprt::ERRCODE() != apprt::kNoError || FESK1.buffer().CODE.text() != from) return false;
  RememberFesk1Code();
  FESK1.buffer().CODE = to;
  const bool written = UpdateFesk1Record(false) == kWriteDone;
  apprt::threadWillWait();
  return written;
}

}  // namespace fesk::bench
