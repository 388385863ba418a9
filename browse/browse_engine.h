#pragma once
// KX_RunBrowse, the page engine: drives one browse, a list control whose rows
// are the entries of a display queue, filled a page at a time from a keyed
// file or a view. It is resumable: whenever it needs the procedure (a record
// to turn into a row, a request to carry out, the buttons to refresh) it
// returns with an action code in the browse's ACTION and continues where it
// stopped on the next call. DriveUntilEventDone (engine_loop.h) calls it for
// every event of a list until ACTION is kActionEventDone and hands each action
// to the procedure:
//
//   DriveUntilEventDone(1, {.runEngine = [&] { KX_RunBrowse(1, FESK1, nullptr,
//                                                FES_KEYCODE, rows, rows.buffer.POSITION); },
//                           .fillRow = [&] { rows.buffer.code = FESK1.buffer().CODE.text(); },
//                           ...});
//
// How a located value reaches the engine: the procedure puts the value sought
// into the key fields of the file's record buffer (the buffer that every read
// of the engine fills), leaves SETTOITEM at 0 (a reload around the selection
// would take precedence) and asks for a load with SETTOKEY kSetToKeyLocate:
// ReloadBrowseWith(list, kBrowseSetToKey, kSetToKeyLocate) (engine_loop.h), or
// kEventLocateRequest posted to the list. The engine takes the value from the
// buffer as it finds it on its next call, so nothing may read into the buffer
// in between. It then loads the page from the first record at or after the
// value (from the range's lower bound when the value lies outside the range)
// and selects that record; with none at or after it, the last page shows with
// its last row selected, and the engine beeps.

#include <cstdint>
#include <optional>
#include <string>

#include "runtime/files/file_declaration.h"
#include "runtime/files/file_view.h"
#include "runtime/windows/queue.h"

namespace fesk {

// Values of ACTION.
enum BrowseAction : uint8_t {
  kActionLoad = 0,      // procedure -> engine: load the page (after a write)
  kActionFillRow = 1,   // a record was read: fill the display entry from it
  kActionBatchRow = 2,  // batch add: edit the blank last row
  kActionInsert = 3,
  kActionChange = 4,          // the selected record is in the record buffer
  kActionDelete = 5,          // likewise
  kActionSelected = 6,        // a row was picked in a selecting browse
  kActionThumbMoved = 7,      // THUMBOPTION: the procedure positions for the thumb
  kActionRecordRead = 8,      // the selected row's record is in the record buffer
  kActionRefreshButtons = 9,  // enable or disable insert, change and delete
  kActionListEmpty = 10,
  kActionEmptyRequest = 11,  // an insert or batch add on an empty list
  kActionEventDone = 12,
};

// Values of REENTRYPNT: where the next call resumes.
enum ResumePoint : uint8_t {
  kResumeNone = 0,
  kResumeUpwardFill = 1,
  kResumeDownwardFill = 2,
  kResumeTopUpFill = 3,
  kResumeScrollUp = 4,
  kResumeScrollDown = 5,
  kResumeBatchRow = 6,
  kResumeBatchRequest = 7,
  kResumeInsertRequest = 8,
};

// Values of SETTOKEY.
enum SetToKey : uint8_t {
  kSetToKeyNone = 0,    // a load with an empty page starts at the start of the key or range
  kSetToKeyLocate = 1,  // from the value in the record buffer (so does any value but the next)
  // Page down, inside the engine: the load reads on from the record below the
  // old page, where the file already stands.
  kSetToKeyReadOn = 99,
};

// Values of SETTOPOSITION, served at the start of the next load.
enum SetToPosition : uint8_t {
  kRepositionNone = 0,
  kRepositionOnRecord = 1,    // on the record in the record buffer (one just written)
  kRepositionOnSelected = 2,  // on the selected row's record
  kRepositionKeepRow = 3,     // reload from the selected row's record, which keeps its row
};

// Values of SETTOITEM that ask for a reload around the selection; any other
// value is the row at which the load's starting record is to stand.
enum ReloadAround : uint8_t {
  kReloadOnSelected = 1,   // the selected row's record stays on its row
  kReloadOnNeighbour = 2,  // its neighbour (below, or above from the last row) takes the row
};

// Values of INSERTMODE: where a new record is edited.
enum InsertMode : uint8_t {
  kInsertThroughForm = 0,
  kInsertAtTop = 1,          // in a blank first row, on the first page
  kInsertAtBottom = 2,       // in a blank last row, on the last page (so does a batch add)
  kInsertAboveSelected = 3,  // in a blank row above the selected one, on the same page
};

// Events the engine serves besides the list's own.
inline constexpr int kEventBatchAdd = 1025;
inline constexpr int kEventInsertRequest = 1026;
inline constexpr int kEventChangeRequest = 1027;
inline constexpr int kEventDeleteRequest = 1028;
inline constexpr int kEventReloadSelected = 1029;
inline constexpr int kEventLocateRequest = 1030;
inline constexpr int kEventReloadRequest = 1031;
inline constexpr int kEventRepositionRequest = 1032;
inline constexpr int kEventReselectRequest = 1033;

// An optional range on one key field of the record: rangeField must lie
// between rangeLow and rangeHigh. In force when all three are given. Compared
// exactly unless the range is marked text and not number, then as upper-case
// text (so "A" also admits "a").
struct BrowseRange {
  std::optional<apprt::FieldRef> rangeField;
  std::optional<std::string> rangeLow;
  std::optional<std::string> rangeHigh;
  uint8_t rangeIsText = 0;
  uint8_t rangeIsNumber = 0;
};

// Up to three key components of the record that must hold fixed values; they
// take part only together with a range. Pair n counts only when pairs 1 to
// n-1 are in force.
struct BrowseFixedComponents {
  std::optional<apprt::FieldRef> fixed1Field;
  std::optional<std::string> fixed1Value;
  std::optional<apprt::FieldRef> fixed2Field;
  std::optional<std::string> fixed2Value;
  std::optional<apprt::FieldRef> fixed3Field;
  std::optional<std::string> fixed3Value;
};

// Runs one step of the browse of list `listField` of the current window. It
// reads `file` in the order of `key`, or `view` (over `file`) when the
// browse's USEVIEW is set; every read fills the file's record buffer.
// `position` is the field of the display queue's entry buffer that keeps each
// row's stored position. It leaves what the procedure is to do next in the
// browse's ACTION (read with KX_BrowseProp(listField, kBrowseAction, ...)).
void KX_RunBrowse(int16_t listField, const apprt::FileDeclaration& file, apprt::View* view,
                  const apprt::KeyDeclaration& key, apprt::QueueBase& displayQueue,
                  std::string& position, const BrowseRange& range = {},
                  const BrowseFixedComponents& fixed = {});

}  // namespace fesk
