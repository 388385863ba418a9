#pragma once
// What the procedures with a list do alike when they drive it through the
// browse engine: register the list once, read and set its switches, ask for a
// reload after a form completed, and enable the request buttons.

#include <cstdint>
#include <functional>

#include "browse/browse_engine.h"
#include "browse/browse_registry.h"
#include "procedures/procedure_skeleton.h"

namespace fesk {

// The browse's switch `number` of list `listField` in the current window.
int BrowseSwitch(int16_t listField, BrowseProperty number);
void SetBrowseSwitch(int16_t listField, BrowseProperty number, uint8_t value);

// Registers the list with the engine unless it is already; a browse entered to
// select a record starts located on the key value and picks a row when
// activated. False when the list could not be registered (the engine has told
// the user): the procedure then leaves the list alone.
bool RegisterBrowseOnce(int16_t listField, bool selectMode);

// What a procedure does with the engine's hand-overs for one of its lists.
struct BrowseHandOvers {
  std::function<void()> runEngine;               // one KX_RunBrowse call with the list's arguments
  std::function<void()> fillRow;                 // kActionFillRow: record into the display entry
  std::function<void(int action)> serveRequest;  // kActionInsert, kActionChange, kActionDelete
  std::function<void()> refreshButtons;          // kActionRefreshButtons
};

// Runs the engine for the current event until it answers kActionEventDone,
// serving every hand-over. A row picked in a selecting browse (kActionSelected)
// closes the window with a choice made (kResponseCompleted).
void DriveUntilEventDone(int16_t listField, ProcedureLocals& l, const BrowseHandOvers& handOvers);

// After a form completed: ACTION kActionLoad and the repositioning switch, so
// that the next engine call loads the page again around the written record.
void ReloadBrowseWith(int16_t listField, BrowseProperty repositioning, uint8_t value);

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
