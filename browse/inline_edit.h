#pragma once
// KX_InLineEdit, the in-line row editor: edits the selected row of a list in
// place. It lays edit controls over the row's cells, runs an event loop of its
// own while the user types, moves between the cells, and hands the row back
// either complete (to be saved) or abandoned. It is resumable: the procedure
// calls it in a loop and acts on EditInProgress.Step after every return;
// between calls the whole edit lives in the library-wide EditInProgress, and
// the procedure's settings in EditSettings.
//
//   EditInProgress.Step = 0;
//   do {
//     EditSettings.FirstField = 201;
//     KX_InLineEdit(1, kTypes, "1,2");  // two edit controls, one per column
//     switch (EditInProgress.Step) {
//       case kEditControlsCreated: bind 201 and 202, set their pictures; break;
//       case kEditKeysWanted: EditSettings.CancelKey = kKeyEsc; break;
//       case kEditRowComplete: save the row; break;
//       case kEditRowAbandoned: ask whether to save; break;
//     }
//   } while (EditInProgress.Step != kEditOver);
//
// Only one in-line edit runs in the program at a time: the first call of an
// edit takes the edit lock (a thread that finds another thread's edit running
// waits for it without holding the program lock) and the end of the edit
// gives it back.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace fesk {

// Values of EditInProgress.Step when KX_InLineEdit returns; Abandon below is
// EditInProgress.Abandon.
enum EditStepCode : uint8_t {
  kEditOver = 0,             // the edit is over (or none runs)
  kEditControlsCreated = 1,  // bind each new control to its variable, set its picture
  kEditKeysWanted = 2,       // set EditSettings.CancelKey and EditSettings.CompleteKey
  kEditWalking = 3,          // between two phases of a completion or a move: call again
  kEditRowComplete = 4,      // save the row; set Abandon to stay on it after a failed save
  // Ask whether to save: Abandon 0 with the engine's EditColumnField set to
  // the list saves, Abandon 1 leaves the row, Abandon 0 alone goes on editing.
  kEditRowAbandoned = 5,
};

// Events the editor posts to itself to move the edit to the next or previous row.
inline constexpr int kEventEditNextRow = 1281;
inline constexpr int kEventEditPrevRow = 1282;
// The control type that asks for a drop-down combination control (created as 34).
inline constexpr int kEditTypeCombo = 33;

// Edits the selected row of list `listField` of the current window with
// `controlTypes.size()` edit controls. `columnMap` names, per list column
// ("1,2"), the edit control (1-based) that edits it, or 0 for none.
void KX_InLineEdit(int16_t listField, std::span<const int32_t> controlTypes,
                   std::string_view columnMap);

// The edit under way: library-wide, all 0 when no edit runs.
struct InLineEditState {
  uint8_t Step = kEditOver;
  uint8_t Slot = 0;         // the edited column being typed in (1-based)
  uint8_t Row = 0;          // the list's selected row at set-up
  uint8_t Abandon = 0;      // step 5: leave without saving; step 4: stay after a failed save
  int32_t NextField = 0;    // field to focus when a completion is broken off
  uint8_t Walk = 0;         // slot reached by the completion walk
  uint8_t JumpPending = 0;  // a move to another slot is under way
  uint8_t JumpSlot = 0;     // its target slot
  uint8_t LeftToList = 0;   // Tab / Shift+Tab just sent the focus out to the list
  uint8_t TabGuard = 0;     // a slot move started and no focus event came since
  uint8_t FirstFocus = 0;   // no edit control or list has had a focus event yet
  uint8_t LastControl = 0;  // the edit control that last took the focus
  uint8_t RepostEvent = 0;  // low byte of an event for another control, posted at the end
  uint8_t RepostField = 0;
  uint8_t ClosePending = 0;   // a window close arrived: kEventCloseWindow is posted at the end
  uint8_t ForcedAbandon = 0;  // kEventSized arrived: the row is completed, and the event is
                              // posted again at the end
};
extern InLineEditState EditInProgress;

// What the procedure sets for an edit: all but FirstField back to 0 after
// every edit.
struct InLineEditSettings {
  uint8_t FirstField = 0;  // first edit control's field; 0 means 101
  int32_t CancelKey = 0;
  int32_t CompleteKey = 0;
  uint8_t RowMode = 0;  // 1: one-row scrolling moves the edit to the neighbouring row
  int32_t PrevRowKey = 0;
  int32_t PrevRowKey2 = 0;
  int32_t NextRowKey = 0;
  int32_t NextRowKey2 = 0;
  std::array<int32_t, 5> ExtraKeys{};  // alerted during an edit, otherwise ignored
  uint8_t CompleteField = 0;           // a control whose acceptance completes the row
  uint8_t CancelField = 0;             // a control whose acceptance abandons the row
};
extern InLineEditSettings EditSettings;

}  // namespace fesk
