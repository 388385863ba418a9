#pragma once
// Driving the engine as every procedure with a list does: register the list
// once, read and set its switches, and run the engine for the current event
// until it answers kActionEventDone, handing each action to the procedure.

#include <cstdint>
#include <functional>

#include "browse/browse_engine.h"
#include "browse/browse_registry.h"

namespace fesk {

// The browse's switch `number` of list `listField` in the current window.
int BrowseSwitch(int16_t listField, BrowseProperty number);
void SetBrowseSwitch(int16_t listField, BrowseProperty number, uint8_t value);

// Registers the list with the engine unless it is already; a browse entered to
// select a record starts located on the key value and picks a row when
// activated. False when the list could not be registered (the engine has told
// the user): the procedure then leaves the list alone.
bool RegisterBrowseOnce(int16_t listField, bool selectMode);

// What a procedure does with the engine's hand-overs for one of its lists;
// runEngine and fillRow are always needed, a hand-over left empty is one the
// procedure has nothing to do for.
struct BrowseHandOvers {
  std::function<void()> runEngine;  // one KX_RunBrowse call with the list's arguments
  std::function<void()> fillRow;    // kActionFillRow: record into the display entry
  std::function<void(int action)> serveRequest = {};  // kActionInsert, kActionChange, kActionDelete
  std::function<void()> rowSelected = {};     // kActionSelected: a selecting browse picked a row
  std::function<void()> refreshButtons = {};  // kActionRefreshButtons
};

// Runs the engine for the current event until it answers kActionEventDone,
// serving every hand-over; the other actions need nothing of the procedure and
// the engine goes on by itself. Ends too when the list is not registered (the
// engine has told the user), instead of asking again for ever.
void DriveUntilEventDone(int16_t listField, const BrowseHandOvers& handOvers);

// ACTION kActionLoad and one repositioning switch, so that the next engine call
// loads the page again: around the written record (kBrowseSetToPosition), the
// selection (kBrowseSetToItem) or a located value (kBrowseSetToKey).
void ReloadBrowseWith(int16_t listField, BrowseProperty repositioning, uint8_t value);

}  // namespace fesk
