#pragma once
// The registry of browses: one BrowseBlock per list control that the library
// drives, kept in a keyed table by the list control's window handle, with one
// working copy (the table's entry buffer), and beside the table the engine's
// state shared by every browse and the defaults of a new browse.
// KX_BrowseProp reads and changes a browse's switches by number; KX_InitBrowse
// registers a list control.
//
// All of it is process-wide and takes no lock: procedure threads run one at a
// time under the runtime's program lock.

#include <cstddef>
#include <cstdint>
#include <string>

#include "browse/engine_state.h"
#include "runtime/windows/queue.h"

namespace fesk {

// A view string of a browse: the text given to its view, or UnsetViewString.
using ViewStringRef = const std::string*;

// The string that marks a view string as not set.
extern const std::string UnsetViewString;

// One browse: the fields of the first group ("KX:BRW:VARIABLES") at their
// stated widths, then the three view strings. Nothing reads the block as bytes,
// so its fields keep their natural alignment (a packed block would read its
// wider fields through misaligned addresses).
struct BrowseBlock {
  int32_t BRWHNDL = 0;  // key: window handle of the list control
  int32_t WINHNDL = 0;  // window that holds the list control
  uint8_t CALLNORECORDS = 0;
  int16_t CUREVENT = 0;
  uint8_t DESCENDINGKEY = 0;
  int16_t DIRECTION = 0;
  uint8_t DISPLAYFLAG = 0;
  uint8_t DROPCOMBOFLAG = 0;
  uint8_t FORCEBOT = 0;
  uint8_t FORCETOP = 0;
  int16_t LISTFLD = 0;
  uint8_t REENTRYPNT = 0;
  uint16_t THREAD = 0;
  uint8_t VSCROLL = 0;
  uint8_t ACTION = 0;
  uint8_t CURROW = 0;
  uint8_t CURITEM = 0;
  uint8_t DONTSELECT = 0;
  uint8_t DROPPEDDOWN = 0;
  uint8_t ENDBATCH = 0;
  uint8_t EXTVSCROLL = 0;
  uint8_t FORCEVSCROLL = 0;
  uint8_t INSERTMODE = 0;
  uint8_t REVORDER = 0;
  uint8_t ROWS = 0;
  uint8_t SELECTRECORD = 0;
  uint8_t SETTOITEM = 0;
  uint8_t SETTOKEY = 0;
  uint8_t SETTOPOSITION = 0;
  uint8_t SKIPRECORD = 0;
  uint8_t THUMBOPTION = 0;
  uint8_t WATCHOFF = 0;
  uint8_t USEVIEW = 0;
  uint8_t NOINSERTS = 0;
  uint8_t NOCHANGES = 0;
  uint8_t NODELETES = 0;
  // The field (1 for the record's first) that Find Next looks into; 0: every
  // field of the record.
  uint8_t FINDFIELD = 0;
  ViewStringRef VIEWORDER = &UnsetViewString;
  ViewStringRef VIEWSQLFILTER = &UnsetViewString;
  ViewStringRef VIEWFILTER = &UnsetViewString;
};

// Numbers of KX_BrowseProp.
enum BrowseProperty : uint8_t {
  kBrowseAction = 1,
  kBrowseCurRow = 2,
  kBrowseCurItem = 3,
  kBrowseDescendingKey = 4,
  kBrowseDontSelect = 5,
  kBrowseDroppedDown = 6,
  kBrowseEndBatch = 7,
  kBrowseExtVScroll = 8,
  kBrowseForceVScroll = 9,
  kBrowseRegistered = 10,  // the probe: 1 when registered
  kBrowseInsertMode = 11,
  kBrowseRevOrder = 12,
  kBrowseRows = 13,
  kBrowseSetToItem = 14,
  kBrowseSetToKey = 15,
  kBrowseSetToPosition = 16,
  kBrowseSelectRecord = 17,
  kBrowseSkipRecord = 18,
  kBrowseThumbOption = 19,
  kBrowseUseView = 20,
  kBrowseWatchOff = 21,
  kBrowseNoInserts = 22,
  kBrowseNoChanges = 23,
  kBrowseNoDeletes = 24,
};

// What KX_BrowseProp answers for a list that is not registered.
inline constexpr int16_t kBrowseNotRegistered = -1;

// What KX_InitBrowse gives a new browse: ExtVScroll is copied into EXTVSCROLL;
// ForceVScrollAll gives EXTVSCROLL 0 and FORCEVSCROLL 1 instead.
struct NewBrowseDefaults {
  uint8_t ExtVScroll = 1;
  uint8_t ForceVScrollAll = 0;
};

// The table of browses, in ascending BRWHNDL order (its buffer is the working
// copy), with what the library keeps for all of them.
class BrowseTable : public apprt::Queue<BrowseBlock> {
 public:
  EngineState engine;
  NewBrowseDefaults defaults;
};
extern BrowseTable BrowseRegistry;

inline EngineState& engineState() {
  return BrowseRegistry.engine;
}

// Reads (getOnly) or stores and reads a browse's switch by number. Answers the
// value, 1 for the probe 10, kBrowseNotRegistered when `field` is not
// registered, 0 for an invalid number (after the message "Invalid Parameter ID").
int16_t KX_BrowseProp(int16_t field, uint8_t number, uint8_t value, bool getOnly);

// The field (1 for the record's first) that Find Next looks into for the
// browse of list `field` (find_steps.h); a new browse looks into every field.
// Not a switch of KX_BrowseProp, whose numbers the procedures share.
void SetBrowseFindField(int16_t field, uint8_t recordField);

// Registers the list control `field` of the current window for thread
// `thread`; true when a new browse was added.
bool KX_InitBrowse(int16_t field, uint16_t thread, uint8_t rows, bool rowsFromControl);

// The working-copy protocol that every entry into the library starts with:
// writes the working copy back to its entry, then fetches the entry of the
// browse with window handle `handle` (detached when there is none).
bool attachBrowse(int32_t handle);

}  // namespace fesk
