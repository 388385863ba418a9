#pragma once
// What the engine keeps between its calls besides each browse's own block:
// one for the whole library, shared by every browse and reached through the
// registry (BrowseRegistry.engine). Sound without a lock of its own because
// procedure threads run one at a time under the program lock.

#include <cstdint>

#include "browse/edit_states.h"

namespace fesk {

struct EngineState {
  uint8_t InsertRowPending = 0;  // a blank insert row is to be placed: pages fill one row fewer
  uint8_t MoreRecords = 0;       // a fill saw a record beyond the page
  uint8_t ThumbSet = 0;          // the current event placed the thumb itself
  uint8_t NudgeList = 0;         // the list is to lay itself out anew after the page load
  int16_t LastListField = 0;     // the list that last loaded a page or took the focus
  // Shared with the in-line editor: one of the kEditState values (edit_states.h).
  uint8_t EditState = kEditStateNone;
  uint8_t EditColumnField = 0;  // the edit control that keeps the focus while the list scrolls
};

}  // namespace fesk
