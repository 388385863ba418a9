#pragma once

namespace fesk {

// Inserts (RequestCode kInsertRequest), changes (kChangeRequest) or deletes
// (kDeleteRequest) the FESK1 record in the thread's FESK1 buffer and answers in
// ResponseCode: kResponseCompleted or kResponseCancelled.
// An insert or change shows a form whose second tab browses the record's
// FESK2 children; a delete only asks for confirmation. After a completed
// insert or change the buffer holds the record as written.
void UpdateFesk1();

}  // namespace fesk
