#include "data/thread_block.h"

namespace fesk {

ThreadBlock& threadBlock() {
  thread_local ThreadBlock block;
  return block;
}

}  // namespace fesk
