#pragma once
// Waiting for one's turn at something that another procedure thread holds
// (the program's one in-line edit). The waiting thread keeps handling its
// messages meanwhile, so its windows keep painting and collect the user's
// input in their queues, and it counts as idle; the holder wakes the waiting
// threads when it lets go. Both run under the program lock.

#include <functional>

namespace apprt {

// Returns once `myTurn` answers true (checked at once, then after each
// message or wake-up). Throws ProgramHalted when the program halts meanwhile.
void waitForTurn(const std::function<bool()>& myTurn);
// Makes every thread in waitForTurn check its turn again.
void wakeWaitingThreads();

}  // namespace apprt
