#pragma once
// In-line editing in the FESK1 browse: an insert or change edits the list's
// selected row in place through the row editor, and a delete only confirms
// and deletes. Like an update form it answers in ResponseCode:
// kResponseCompleted or kResponseCancelled.

#include <cstdint>

namespace fesk {

// `action` is the engine's hand-over: kActionInsert (the record buffer is
// cleared and FESK1 has no current record), kActionChange or kActionDelete
// (the buffer holds the selected record). `sortOrder` is the browse's order,
// kSortByCode or kSortByName.
void EditInLine(int16_t listField, int action, uint8_t sortOrder);

}  // namespace fesk
