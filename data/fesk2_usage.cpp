// This thread's open requests on the data files made by the write routines.
#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data/record_writes.h"
#include "data/thread_block.h"

namespace fesk {
namespace {

void acquire(const apprt::FileDeclaration& file, std::int32_t& openCount) {
  if (openCount == 0) OpenDataFile(file);
  ++openCount;
}

void release(const apprt::FileDeclaration& file, std::int32_t& openCount) {
  if (--openCount == 0) file.close();
}

}  // namespace

void AcquireFesk1() {
  acquire(FESK1, threadBlock().Fesk1OpenCount);
}

void ReleaseFesk1() {
  release(FESK1, threadBlock().Fesk1OpenCount);
}

void AcquireFesk2() {
  acquire(FESK2, threadBlock().Fesk2OpenCount);
}

void ReleaseFesk2() {
  release(FESK2, threadBlock().Fesk2OpenCount);
}

}  // namespace fesk
