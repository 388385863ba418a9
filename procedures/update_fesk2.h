#pragma once

namespace fesk {

// Inserts (RequestCode 1), changes (2) or deletes (3) the FESK2 record in the
// thread's FESK2 buffer and answers in ResponseCode: 1 completed, 2 cancelled.
// For an insert the caller primes the buffer's code with the parent's.
void UpdateFesk2();

}  // namespace fesk
