#pragma once
// Writing the user's changes to FESK1 and FESK2 while keeping the relation
// intact: deleting an FESK1 record deletes its FESK2 records, and changing its
// code gives them the new code. Each routine is one transaction over the files
// it touches: committed when everything succeeded, rolled back otherwise, with
// the matching warning shown. No transaction stays open when a routine returns
// or while a warning waits for its answer.
//
// The caller holds FESK1 open (and FESK2 for the FESK2 routines) and the
// record buffer holds the record as the user left it.
//
// No FESK2 record is stored without its FESK1 record: the FESK2 routines
// that store a code look for its FESK1 record inside their transaction, over
// both files, so that no other station can delete it in between. The routines that need
// FESK2 besides FESK1 open it when this thread's Fesk2OpenCount is 0 and leave
// the count as they found it.

#include <vector>

#include "data/data_files.h"

namespace fesk {

// Results of the write routines.
inline constexpr int kWriteDone = 0;              // written and committed
inline constexpr int kWriteFailed = 1;            // warning shown, nothing written
inline constexpr int kWriteChangedElsewhere = 2;  // another station changed the record:
                                                  // warning shown, nothing written, the
                                                  // buffer holds the stored record

// The transaction time-out handed to the driver, in seconds.
inline constexpr int kTransactionTimeout = 2;

// A change of the FESK1 record in the buffer begins: SavedCode := FES:CODE.
void RememberFesk1Code();

// Writes the changed FESK1 record in the buffer; when its code differs from
// SavedCode, every FESK2 record of the old code gets the new one, in the same
// transaction. A change by another station is reported with kind 38 when
// `showRecallHint` is set, else kind 15; the record is then re-read and watched.
int UpdateFesk1Record(bool showRecallHint);
// Writes the changed FESK2 record in the buffer; results as UpdateFesk1Record.
// A code that no FESK1 record has is refused (kind 11): kWriteFailed.
int UpdateFesk2Record(bool showRecallHint);
// Adds the FESK2 record in the buffer, in a transaction over both files, when
// an FESK1 record has its code; otherwise nothing is written and the user is
// told (kind 11). 0 or 1 (warning shown: kind 14 when the add fails).
int AddFesk2Record();

// Adds the FESK1 record in the buffer together with `children`, in one
// transaction over both files: 0 or 1 (warning shown: kind 14 when an add
// fails, a code that another record has among them).
int AddFesk1WithChildren(const std::vector<Fesk2Record>& children);

// Deletes the FESK1 record in the buffer with all its FESK2 records: 0 or 1.
int DeleteFesk1Record();
// Deletes the FESK2 record in the buffer: 0 or 1.
int DeleteFesk2Record();

// Steps of the FESK1 routines, inside their transaction: delete, or give the
// new code to, the FESK2 records of the parent (its code in the FESK1 buffer,
// the old code in SavedCode). Children are those whose code equals the
// parent's as the key compares them: without regard to letter case. 0 or 1
// (warning shown, the transaction rolled back).
int CascadeDeleteFesk2();
int CascadeUpdateFesk2();

// Opens FESK2 when this thread has no open request on it, and counts one more.
void AcquireFesk2();
// Counts one open request on FESK2 less, and closes it when none is left.
void ReleaseFesk2();
// The same for FESK1.
void AcquireFesk1();
void ReleaseFesk1();

}  // namespace fesk
