#pragma once

namespace fesk {

// Inserts (RequestCode 1), changes (2) or deletes (3) the FESK1 record in the
// thread's FESK1 buffer and answers in ResponseCode: 1 completed, 2 cancelled.
// An insert or change shows a form whose second tab browses the record's
// FESK2 children; a delete only asks for confirmation. After a completed
// insert or change the buffer holds the record as written.
void UpdateFesk1();

}  // namespace fesk
