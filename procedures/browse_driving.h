#pragma once
// What the procedures with a list do alike with the engine's hand-overs: close
// the window when a selecting browse picked a row, serve a request through an
// update form, and enable the request buttons. The loop that drives the engine
// is the engine's own (browse/engine_loop.h).

#include <cstdint>

#include "browse/engine_loop.h"
#include "procedures/procedure_skeleton.h"

namespace fesk {

// The window closes with a choice made (kResponseCompleted).
void CloseWithChoiceMade(ProcedureLocals& l);

// kActionInsert, kActionChange and kActionDelete served through an update
// form: RequestCode kInsertRequest, kChangeRequest or kDeleteRequest,
// then `form` runs in this thread. When it answers completed, the page is
// loaded again on the written record (insert, change) or on the row after the
// deleted one; otherwise ACTION stays and the engine's next call ends the event.
void ServeRequestThroughForm(int16_t listField, int action, void (*form)());

// kActionRefreshButtons: the insert, change and delete buttons follow the
// browse's NOINSERTS, NOCHANGES and NODELETES and whether the list has rows.
// Insert is only ever disabled here; change and delete are disabled on an
// empty list.
struct RequestButtons {
  int insert;
  int change;
  int remove;
};
void SetRequestButtonStates(int16_t listField, bool listHasRows, const RequestButtons& buttons);

}  // namespace fesk
