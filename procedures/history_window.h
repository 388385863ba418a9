#pragma once
// The history window: the changes of a FESK1 record and of the FESK2 records
// filed under it, newest first, a page at a time; and the same window over
// the deletes of FESK1, where a deleted record is added back (Undelete) or
// its own history shown.

#include <string>

#include "runtime/files/driver.h"
#include "runtime/frontend/constants.h"

namespace fesk {

// The key that opens the history of the record of a browse row or of a change
// form, as the frame's Edit > History does: F7.
inline constexpr int kKeyHistory = apprt::kKeyF1 + 6;
// Posted to a browse of FESK1 or its change form: show the history of its record.
inline constexpr int kEventHistoryRequest = apprt::kEventUser + 40;

// Whether the current event asks for the history of the window's record (F7,
// which the window alerts, or the frame's request).
bool HistoryRequested();

// Shows the history of the FESK1 record `record` (whose code is `code`) in
// this thread, until the user closes it.
void ShowFesk1History(apprt::RecordIdentity record, const std::string& code);

// The window of the deletes of FESK1 (Edit > Deleted Records), run in a
// thread of its own.
void DeletedFesk1Records();

// The frame's Edit > History: the browse of FESK1 or the change form that was
// active most recently shows the history of its record.
void RequestHistoryOfFront();

}  // namespace fesk
