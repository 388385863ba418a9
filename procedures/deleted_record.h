#pragma once
// A FESK1 record that was deleted, as its history holds it: what it held, the
// FESK2 records deleted with it, and how it is added back. Undo takes back a
// delete with it; the history window undeletes with it.

#include <string>
#include <vector>

#include "data/data_files.h"
#include "runtime/files/file_history.h"

namespace fesk {

// The record as an entry of the history holds it (its fields as declared).
void FillFromHistory(Fesk1Record& record, const std::vector<std::string>& fields);
void FillFromHistory(Fesk2Record& record, const std::vector<std::string>& fields);

// The "delete" entries of FESK2 in the saved change of `deleted`, a "delete"
// entry of FESK1: the FESK2 records that went with it, newest first. Read
// by the history's keyed read of deletes, from the newest back to the
// moment of the delete. FESK2 must be open in this thread; a failed read
// leaves the thread's error set.
std::vector<apprt::HistoryEntry> ChildrenDeletedWith(const apprt::HistoryEntry& deleted);

enum class AddBack { kDone, kCodeTaken, kFailed };

// Adds the record that `deleted` held back, with `children` (newest first, as
// ChildrenDeletedWith answers them), through the ordinary write routine in
// one transaction, recorded in the history as adds. kCodeTaken, nothing
// written, when another FESK1 record has its code now; kFailed when the
// look-up or the write failed (a write's warning is shown). Both files must be
// open in this thread.
AddBack AddBackDeletedFesk1(const apprt::HistoryEntry& deleted,
                            const std::vector<apprt::HistoryEntry>& children);

}  // namespace fesk
