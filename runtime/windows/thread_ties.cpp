// The window layer's part in the life of the procedure threads: a thread that
// ends closes its windows, one that lets the program lock go shows what it
// changed, one about to wait tells the user of a store it lost, and a message
// that comes while a thread waits for its turn reaches its window.

#include "runtime/threads/thread_hooks.h"
#include "runtime/windows/unreachable_store.h"
#include "runtime/windows/window_model.h"

namespace apprt {
namespace {

void endThreadWindows(int thread) {
  destroyThreadWindows(thread);
  flushThreadWindows();
}

const ThreadHooks kWindowHooks{
    .threadEnding = endThreadWindows,
    .lettingGo = flushThreadWindows,
    .awaitingMessage = tellUnreachableStore,
    .closeDownOthers = postCloseDownToOthers,
    .handleMessage = dispatchMessage,
};

}  // namespace

void tieWindowsToThreads() {
  setThreadHooks(kWindowHooks);
}

}  // namespace apprt
