#pragma once
// Transactions of the calling thread over several files. The commit is atomic
// across all of them, also when the process dies in the middle of it. The
// files must be open in this thread through one driver.

#include <functional>
#include <initializer_list>

namespace apprt {

class FileDeclaration;

// Starts the transaction, waiting at most `timeoutSeconds` for other writers;
// when they hold a file longer it fails with 90 and a message saying so.
void beginTransaction(int timeoutSeconds, std::initializer_list<const FileDeclaration*> files);
void commitTransaction();
// Undoes every write since the begin; harmless when no transaction is active.
void rollbackTransaction();

// Runs `undo` if the thread's transaction ends without being saved (rolled
// back, or its commit failed); nothing outside one, where the write is saved
// already. What the thread
// remembers of a write (the record as stored, for change detection) then
// goes back with the write.
void undoUnlessCommitted(std::function<void()> undo);

}  // namespace apprt
