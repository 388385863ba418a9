#include "drivers/common/held_reads.h"

#include <algorithm>

namespace fesk::drivers {

void SessionReads::forget(HeldReads* reads) {
  std::erase(reads_, reads);
}

void SessionReads::releaseAll() {
  for (HeldReads* reads : reads_) reads->releaseReads();
}

}  // namespace fesk::drivers
