#pragma once
// The steps that both update forms take alike: their prologue's title and
// key-code reset, asking the runtime to complete the form, a confirmed delete
// with retries, and saving a change with retries.

#include <cstdint>
#include <functional>
#include <string>

#include "procedures/request_codes.h"

namespace fesk {

// "Adding a <file> Record" for an insert, "Changing a <file> Record" for a
// change, empty for any other request.
std::string RequestTitle(std::int32_t request, const std::string& fileLabel);

// A right click still pending from the caller's event must not reach the form.
void DiscardPendingRightClick();

// Event 26: an entry refused what was typed; it shows its value again and
// keeps the focus.
void BeepAndRefocus();

// "OK": an insert or change is completed by the runtime, which checks the
// entries before it delivers 549; any other request posts 549 itself.
void AskForCompletion(std::int32_t request);

// Asks for confirmation, then deletes with `deleteRecord` (0 done, 1 failed)
// under the busy cursor, offering a retry after each failure. True when the
// record was deleted.
bool ConfirmAndDelete(const std::function<int()>& deleteRecord);

// Writes a change with `writeRecord` (a result of record_writes.h) when
// `recordChanged` says so, offering a retry after a failure, and answers the
// form's response. Completed, or unchanged, the window is asked to close; a
// change by another station or a retry declined with Cancel leaves the form
// open showing the stored values, with the focus on `focusField`.
std::int32_t SaveChange(const std::function<bool()>& recordChanged,
                        const std::function<int()>& writeRecord, int focusField);

}  // namespace fesk
