#pragma once
// KX_InLineEdit, the in-line row editor: edits the selected row of a list in
// place. It lays edit controls over the row's cells, runs an event loop of its
// own while the user types, moves between the cells, and hands the row back
// either complete (to be saved) or abandoned. It is resumable: the procedure
// calls it in a loop and acts on EditStep after every return; between calls
// the whole edit lives in the library-wide variables below.
//
//   EditStep = 0;
//   do {
//     EditFirstField = 201;
//     KX_InLineEdit(1, kTypes, "1,2");  // two edit controls, one per column
//     switch (EditStep) {
//       case kEditControlsCreated: bind 201 and 202, set their pictures; break;
//       case kEditKeysWanted: EditCancelKey = kKeyEsc; EditCompleteKey = kKeyCtrlEnter; break;
//       case kEditRowComplete: save the row; break;
//       case kEditRowAbandoned: ask whether to save; break;
//     }
//   } while (EditStep != kEditOver);
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

// Values of EditStep when KX_InLineEdit returns.
enum EditStepCode : uint8_t {
  kEditOver = 0,             // the edit is over (or none runs)
  kEditControlsCreated = 1,  // bind each new control to its variable, set its picture
  kEditKeysWanted = 2,       // set EditCancelKey and EditCompleteKey
  kEditWalking = 3,          // between two phases of a completion or a move: call again
  kEditRowComplete = 4,      // save the row; set EditAbandon to stay on it after a failed save
  kEditRowAbandoned = 5,     // ask whether to save (EditAbandon 0 + EditColumnField = list: save;
                             // EditAbandon 1: leave it; EditAbandon 0: go on editing)
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

// ---- The edit (library-wide; 0 when no edit runs) ----
extern uint8_t EditStep;
extern uint8_t EditSlot;         // the edited column being typed in (1-based)
extern uint8_t EditRow;          // the list's selected row at set-up
extern uint8_t EditAbandon;      // step 5: leave without saving; step 4: stay after a failed save
extern int32_t EditNextField;    // field to focus when a completion is broken off
extern uint8_t EditWalk;         // slot reached by the completion walk
extern uint8_t EditJumpPending;  // a move to another slot is under way
extern uint8_t EditJumpSlot;     // its target slot
extern uint8_t EditLeftToList;   // Tab / Shift+Tab just sent the focus out to the list
extern uint8_t EditTabGuard;     // a slot move started and no focus event came since
extern uint8_t EditFirstFocus;   // no edit control or list has had a focus event yet
extern uint8_t EditLastControl;  // the edit control that last took the focus
extern uint8_t EditRepostEvent;  // low byte of an event for another control, posted at the end
extern uint8_t EditRepostField;
extern uint8_t EditClosePending;   // a window close arrived: kEventCloseWindow is posted at the end
extern uint8_t EditForcedAbandon;  // kEventSized arrived: the row is completed, and the
                                   // event is posted again at the end

// ---- Settings (all but EditFirstField back to 0 after every edit) ----
extern uint8_t EditFirstField;  // first edit control's field; 0 means 101
extern int32_t EditCancelKey;
extern int32_t EditCompleteKey;
extern uint8_t EditRowMode;  // 1: one-row scrolling moves the edit to the neighbouring row
extern int32_t EditPrevRowKey;
extern int32_t EditPrevRowKey2;
extern int32_t EditNextRowKey;
extern int32_t EditNextRowKey2;
extern std::array<int32_t, 5> EditExtraKeys;  // alerted during an edit, otherwise ignored
extern uint8_t EditCompleteField;             // a control whose acceptance completes the row
extern uint8_t EditCancelField;               // a control whose acceptance abandons the row

}  // namespace fesk
