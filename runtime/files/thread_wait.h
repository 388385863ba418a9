#pragma once
// Before a procedure thread waits (for an event, a message box's answer, a
// lock), the runtime calls every registered listener in that thread. The file
// layer uses it to let go of open statements, which would otherwise hold locks
// on shared files while the user looks at the screen.

#include <functional>

namespace apprt {

void onThreadWillWait(std::function<void()> listener);  // register once, at start-up
void threadWillWait();                                  // called by the runtime

}  // namespace apprt
