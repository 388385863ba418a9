#include "bench/parent_recode.h"

#include "data/data_files.h"
#include "data/record_writes.h"
#include "runtime/files/errors.h"
#include "runtime/files/thread_wait.h"

namespace fesk::bench {

bool findParent(const std::string& code) {
  FESK1.clear();
  FESK1.buffer().CODE = code;
  FESK1.setOnKeyValue(FES_KEYCODE);
  FESK1.next();
  return apprt::ERRCODE() == apprt::kNoError && FESK1.buffer().CODE.text() == code;
}

bool recodeFound(const std::string& to) {
  RememberFesk1Code();
  FESK1.buffer().CODE = to;
  const bool written = UpdateFesk1Record(false) == kWriteDone;
  apprt::threadWillWait();
  return written;
}

bool recodeParent(const std::string& from, const std::string& to) {
  return findParent(from) && recodeFound(to);
}

}  // namespace fesk::bench
