#pragma once
// KX_RunBrowse, the page engine: drives one browse, a list control whose rows
// are the entries of a display queue, filled a page at a time from a keyed
// file or a view. It is resumable: whenever it needs the procedure (a record
// to turn into a row, a request to carry out, the buttons to refresh) it
// returns with an action code in the browse's ACTION and continues where it
// stopped on the next call. A procedure calls it in a loop for every event of
// its list until ACTION is 12:
//
//   do {
//     KX_RunBrowse(1, FESK1, nullptr, FES_KEYCODE, rows, rows.buffer.POSITION);
//     switch (KX_BrowseProp(1, kBrowseAction, 0, true)) {
//       case kActionFillRow: rows.buffer.code = FESK1.buffer().CODE.text(); break;
//       ...
//     }
//   } while (KX_BrowseProp(1, kBrowseAction, 0, true) != kActionEventDone);

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

// Library-wide engine state, shared by every browse (sound under the program
// lock: procedure threads run one at a time).
extern uint8_t InsertRowPending;  // a blank insert row is to be placed: pages fill one row fewer
extern uint8_t MoreRecords;       // a fill saw a record beyond the page
extern uint8_t ThumbSet;          // the current event placed the thumb itself
extern uint8_t NudgeList;         // the list is to lay itself out anew after the page load
extern int16_t LastListField;     // the list that last loaded a page or took the focus
// Shared with the in-line editor: one of the kEditState values (edit_states.h).
extern uint8_t EditState;
extern uint8_t EditColumnField;  // the edit control that keeps the focus while the list scrolls
extern int32_t BeepSound;

}  // namespace fesk
