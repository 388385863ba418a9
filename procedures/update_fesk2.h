#pragma once

namespace fesk {

// Inserts (RequestCode kInsertRequest), changes (kChangeRequest) or deletes
// (kDeleteRequest) the FESK2 record in the thread's FESK2 buffer and answers in
// ResponseCode: kResponseCompleted or kResponseCancelled.
// For an insert the caller primes the buffer's code with the parent's.
void UpdateFesk2();

}  // namespace fesk
