#pragma once
// Lists that follow the data set. When another program commits a change to a
// data file (a driver's watch tells it: runtime/files/data_set_change.h),
// every list that shows that file is read again in place, through the
// engine's own reload around the selection (kEventReloadSelected): the
// selected record keeps its row (its neighbour takes it when it is gone), and
// the page stays where it was.
//
// The watch's thread only takes note and wakes the list's thread; that thread
// posts the reload to its own list when it is about to wait, under the
// program lock, so nothing touches a window or a record buffer across
// threads. A list whose reload is posted and not yet served takes no second
// one, so a burst of changes reads it once. While an in-line edit runs the
// reloads wait, and they are posted when it is over; a form open over a list
// is not disturbed either, as the reload waits in the list's window until the
// form has closed.
//
// A form that shows one record follows changes too, but is never read again
// under the user: the same wake-up posts its window an event of the form's
// own, and the form looks at its record itself, on its thread.

#include <cstdint>
#include <string>

namespace fesk {

// A newly registered browse: its list follows changes from now on.
void FollowChanges(int32_t listHandle, int32_t windowHandle, int16_t listField, int thread);
// The data file the browse reads (noted at every engine call).
void NoteFileShown(int32_t listHandle, const std::string& fileName);
// The engine serves a reload around the selection of that list: when it is the
// one a change elsewhere asked for, the front-end is told the list followed it.
void ServeFollowedReload(int32_t listHandle);

// The calling thread's form in `windowHandle` shows a record of `fileName`:
// a change to that file elsewhere posts the window `event`, when the thread
// is about to wait. Until StopFollowingInForm, or the window is gone.
void FollowChangesInForm(int32_t windowHandle, const std::string& fileName, int event);
// The form took the event: the next change posts it again.
void ServeFollowedChange(int32_t windowHandle);
void StopFollowingInForm(int32_t windowHandle);

}  // namespace fesk
