// This thread's open requests on FESK2 made by the write routines.
#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data/record_writes.h"
#include "data/thread_block.h"

namespace fesk {

void AcquireFesk2() {
  ThreadBlock& block = threadBlock();
  if (block.Fesk2OpenCount == 0) OpenDataFile(FESK2);
  ++block.Fesk2OpenCount;
}

void ReleaseFesk2() {
  ThreadBlock& block = threadBlock();
  if (--block.Fesk2OpenCount == 0) FESK2.close();
}

}  // namespace fesk
