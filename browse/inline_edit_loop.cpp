// The in-line editor's event loop, nested in the procedure's own: it keeps the
// user in the row (the list does not scroll away under it), moves between the
// cells, and turns the keys and events that end a row into steps for the
// procedure. Events for other controls are held back and posted again once
// the row is done.

#include "browse/browse_registry.h"
#include "browse/edit_states.h"
#include "browse/inline_edit.h"
#include "browse/inline_edit_steps.h"
#include "browse/private_properties.h"
#include "runtime/windows/windows.h"

namespace fesk::inline_edit {
namespace {

// How an event was dealt with.
enum class Handled {
  kNormally,  // the runtime's own handling runs
  kConsumed,
  kReturn,  // the procedure is needed: the loop ends, EditInProgress.Step says why
};

struct Loop {
  const EditCall& call;
  int rememberedThumb;

  Handled focusEvent();
  Handled acceptedEvent();
  Handled alertedKey();
  Handled oneRowScroll();
  Handled pageScroll();
  Handled rowMove(uint8_t continuation);
  Handled closeRequested();
  Handled handle();

  int event() const { return apprt::EVENT(); }
  int field() const { return apprt::FIELD(); }
  void keepListStill() const {
    apprt::setProp(call.listField, apprt::kPropVScrollPos, rememberedThumb);
  }
  void focusSlot() const { apprt::SELECT(call.fieldOfSlot(EditInProgress.Slot)); }
};

Handled Loop::focusEvent() {
  EditInProgress.TabGuard = 0;
  const int focused = apprt::SELECTED();
  if (call.isEditControl(focused)) {
    EditInProgress.FirstFocus = 0;
    EditInProgress.LastControl = static_cast<uint8_t>(focused);
    apprt::setProp(focused, kPropCellFocused, 1);
    if (const int slot = call.slotOfField(focused)) {
      EditInProgress.Slot = static_cast<uint8_t>(slot);
      setAlertedKeys(call);
    }
    return Handled::kNormally;
  }
  if (focused == call.listField) {
    if (!EditInProgress.FirstFocus) {
      startCompletion(call);
      return Handled::kReturn;
    }
    EditInProgress.FirstFocus = 0;
    focusSlot();
    return Handled::kConsumed;
  }
  if (focused != 0 &&
      (focused == EditSettings.CompleteField || focused == EditSettings.CancelField))
    return Handled::kConsumed;
  const int key = apprt::KEYCODE();
  if (key == apprt::kKeyTab || key == apprt::kKeyShiftTab) {
    apprt::SELECT(EditInProgress.LastControl);
    return Handled::kNormally;
  }
  // Another control wants the focus: the row is completed first, then that
  // control is given it as if accepted.
  EditInProgress.Slot = 1;
  EditInProgress.RepostEvent = static_cast<uint8_t>(apprt::kEventSelected & 0xFF);
  EditInProgress.RepostField = static_cast<uint8_t>(focused);
  apprt::SELECT(call.listField);
  return Handled::kNormally;
}

Handled Loop::acceptedEvent() {
  const int accepted = field();
  const int key = apprt::KEYCODE();
  const bool tabbing = key == apprt::kKeyTab || key == apprt::kKeyShiftTab;
  if (call.isEditControl(accepted) && tabbing && !EditInProgress.LeftToList &&
      !EditInProgress.TabGuard) {
    const int step = key == apprt::kKeyShiftTab ? -1 : 1;
    int found = 0;
    for (int k = EditInProgress.Slot + step; k >= 1 && k <= call.slotCount(); k += step) {
      if (!apprt::getProp(call.fieldOfSlot(k), apprt::kPropSkip)) {
        found = k;
        break;
      }
    }
    if (found == 0) {
      EditInProgress.Slot = static_cast<uint8_t>(step < 0 ? 1 : call.slotCount());
      EditInProgress.LeftToList = 1;
      apprt::SELECT(call.listField);
      return Handled::kConsumed;
    }
    EditInProgress.JumpPending = 1;
    EditInProgress.TabGuard = 1;
    EditInProgress.LeftToList = 0;
    EditInProgress.Abandon = 0;
    engineState().EditColumnField = static_cast<uint8_t>(call.fieldOfSlot(EditInProgress.Slot));
    EditInProgress.Walk = EditInProgress.Slot;
    EditInProgress.NextField = call.fieldOfSlot(EditInProgress.Walk);
    EditInProgress.Slot = EditInProgress.JumpSlot = static_cast<uint8_t>(found);
    EditInProgress.Step = kEditWalking;
    return Handled::kReturn;
  }
  if (accepted != 0 && accepted == EditSettings.CompleteField) {
    apprt::SELECT(call.listField);
    return Handled::kConsumed;
  }
  if (accepted != 0 && accepted == EditSettings.CancelField) {
    takeSlotValues(call);
    engineState().EditColumnField = static_cast<uint8_t>(call.fieldOfSlot(EditInProgress.Slot));
    EditInProgress.Abandon = 1;
    EditInProgress.Step = kEditRowAbandoned;
    return Handled::kReturn;
  }
  return Handled::kNormally;
}

Handled Loop::alertedKey() {
  const int key = apprt::KEYCODE();
  if (key == EditSettings.CancelKey) {
    takeSlotValues(call);
    engineState().EditColumnField = static_cast<uint8_t>(field());
    EditInProgress.Abandon = 1;
    EditInProgress.Step = kEditRowAbandoned;
    return Handled::kReturn;
  }
  if (key == EditSettings.CompleteKey) {
    apprt::SELECT(call.listField);
    return Handled::kConsumed;
  }
  if (key == EditSettings.NextRowKey || key == EditSettings.NextRowKey2)
    return rowMove(kEditStateNextRow);
  if (key == EditSettings.PrevRowKey || key == EditSettings.PrevRowKey2)
    return rowMove(kEditStatePreviousRow);
  return Handled::kNormally;
}

// One row up or down would take the list away from the edited row.
Handled Loop::oneRowScroll() {
  if (field() == call.listField && EditSettings.RowMode == 1)
    apprt::POST(event() == apprt::kEventScrollUp ? kEventEditPrevRow : kEventEditNextRow);
  else
    apprt::beep();
  keepListStill();
  focusSlot();
  return Handled::kConsumed;
}

Handled Loop::pageScroll() {
  if (field() == call.listField) {
    keepListStill();
    focusSlot();
    apprt::beep();
    return Handled::kConsumed;
  }
  EditInProgress.RepostEvent = static_cast<uint8_t>(event() & 0xFF);
  EditInProgress.RepostField = static_cast<uint8_t>(field());
  apprt::SELECT(call.listField);
  return Handled::kConsumed;
}

// The row is completed and the engine continues the edit on the next or
// previous row (kEditStateNextRow, kEditStatePreviousRow).
Handled Loop::rowMove(uint8_t continuation) {
  apprt::UPDATE(field());
  engineState().EditState = continuation;
  startCompletion(call);
  return Handled::kReturn;
}

// A window close while editing asks about the row first; the close follows
// once the row is saved or left, and is forgotten when the user goes on, in
// the cell being edited (the close's own field is the window's).
Handled Loop::closeRequested() {
  takeSlotValues(call);
  engineState().EditColumnField = static_cast<uint8_t>(call.fieldOfSlot(EditInProgress.Slot));
  EditInProgress.Abandon = 1;
  EditInProgress.Step = kEditRowAbandoned;
  EditInProgress.ClosePending = 1;
  return Handled::kReturn;
}

Handled Loop::handle() {
  if (event() != apprt::kEventAccepted) EditInProgress.LeftToList = 0;
  switch (event()) {
    case apprt::kEventSelected:
      return focusEvent();
    case apprt::kEventAccepted:
      return acceptedEvent();
    case apprt::kEventAlertKey:
      return alertedKey();
    case apprt::kEventScrollUp:
    case apprt::kEventScrollDown:
      return oneRowScroll();
    case apprt::kEventPageUp:
    case apprt::kEventPageDown:
    case apprt::kEventScrollTop:
    case apprt::kEventScrollBottom:
    case apprt::kEventScrollDrag:
      return pageScroll();
    case kEventEditNextRow:
      return rowMove(kEditStateNextRow);
    case kEventEditPrevRow:
      return rowMove(kEditStatePreviousRow);
    case apprt::kEventCloseWindow:
      return closeRequested();
    case apprt::kEventCloseDown:
      return EditInProgress.ClosePending ? Handled::kNormally : closeRequested();
    case apprt::kEventSized:
      // The window's new size is dealt with once the row is saved: leaving
      // the row unasked would throw away what was typed.
      EditInProgress.ForcedAbandon = 1;
      startCompletion(call);
      return Handled::kReturn;
    case apprt::kEventGainFocus:
      EditInProgress.Step = kEditKeysWanted;
      return Handled::kReturn;
    default:
      return Handled::kNormally;
  }
}

}  // namespace

void runEventLoop(const EditCall& call) {
  Loop loop{call, static_cast<int>(apprt::getProp(call.listField, apprt::kPropVScrollPos))};
  apprt::startEventLoop();
  int step = apprt::kLoopStepDefault;
  while (!apprt::endEventLoop(step)) {
    // Another window taking the focus (kEventLoseFocus) leaves the edit as it
    // is: what was typed stays, and the edit goes on when the window is back
    // (kEventGainFocus).
    switch (loop.handle()) {
      case Handled::kNormally:
        step = apprt::kLoopStepDefault;
        break;
      case Handled::kConsumed:
        step = apprt::kLoopStepConsumed;
        break;
      case Handled::kReturn:
        apprt::endEventLoop(apprt::kLoopStepEnd);
        return;
    }
  }
  // The runtime ended the loop (the window went away): nothing is left to
  // edit, so the edit is over rather than left half-way for the next call.
  endEdit(call);
}

}  // namespace fesk::inline_edit
