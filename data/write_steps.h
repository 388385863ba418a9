#pragma once
// Steps that the write routines share: framing the transaction, committing
// it, and ending a write whose put failed.

#include <initializer_list>
#include <string>
#include <string_view>

#include "runtime/files/file_declaration.h"

namespace fesk {

// Starts the transaction over `files`. When it cannot be started, captures
// the error and shows the framing warning (kind 34) for `action` ("Delete",
// "Update") on `label`, and answers false.
bool beginWrite(std::string_view action, std::string_view label,
                std::initializer_list<const apprt::FileDeclaration*> files);

// Commits. When the commit fails nothing was written: captures the error,
// shows `kind` naming `label`, and answers false.
bool commitWrite(int kind, std::string_view label);

// After the put of `file`'s buffer failed: captures the error (rolling back).
// A change by another station is reported (kind 38 with the recall hint, else
// kind 15), the file watched and the record re-read at `position`:
// kWriteChangedElsewhere. Any other error shows kind 15 naming `label`:
// kWriteFailed.
int endFailedPut(const apprt::FileDeclaration& file, const std::string& position,
                 bool showRecallHint, std::string_view label);

// Re-reads the record at `position` for a delete. When it is gone or no
// longer has the key value it had, captures the error and shows the retrieval
// warning (kind 35) naming `label`, and answers false.
bool regetForDelete(const apprt::FileDeclaration& file, const std::string& position,
                    std::string_view label);

}  // namespace fesk
