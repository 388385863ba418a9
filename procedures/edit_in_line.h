#pragma once
// In-line editing in the FESK1 browse: an insert or change edits the list's
// selected row in place through the row editor, and a delete only confirms
// and deletes. Like an update form it answers in ResponseCode: 1 completed,
// 2 cancelled.

#include <cstdint>

namespace fesk {

// `action` is the engine's hand-over: 3 insert (the record buffer is cleared
// and FESK1 has no current record), 4 change or 5 delete (the buffer holds the
// selected record). `sortOrder` is the browse's order, 1 or 2.
void EditInLine(int16_t listField, int action, uint8_t sortOrder);

}  // namespace fesk
