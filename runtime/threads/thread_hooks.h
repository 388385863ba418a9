#pragma once
// What the layer above the threads (the windows) does at the turns of a
// procedure thread's life. The threads know nothing of windows: the window
// layer hands its hooks over once, and until it does every hook does nothing,
// as there is nothing of it to close, show or tell.

#include "runtime/threads/procedure_thread.h"

namespace apprt {

struct ThreadHooks {
  // The thread's procedure is over (returned, halted or failed): what it left
  // open goes, and the front-end is told. Under the program lock.
  void (*threadEnding)(int thread) = [](int) {};
  // The thread is about to let the program lock go to wait: the front-end is
  // shown what it changed, since nothing else is sent while it waits.
  void (*lettingGo)() = [] {};
  // The thread is about to wait for its next message: what it has to tell the
  // user before that (a store it lost) is told. Under the program lock.
  void (*awaitingMessage)() = [] {};
  // The program's first procedure is over: every other thread is asked to
  // close down. Under the program lock.
  void (*closeDownOthers)(int exceptThread) = [](int) {};
  // A message that reached a thread waiting for its turn, handled as usual.
  void (*handleMessage)(const Message& message) = [](const Message&) {};
};

// Hands the hooks over: `hooks` is kept, not copied, so it lives as long as
// the process (a static). Safe from any thread, also while procedure threads
// run.
void setThreadHooks(const ThreadHooks& hooks);
// The hooks handed over last (all of them doing nothing before that).
const ThreadHooks& threadHooks();

}  // namespace apprt
