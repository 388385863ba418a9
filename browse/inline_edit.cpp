// KX_InLineEdit: the column map, the dispatch on EditInProgress.Step, and the steps that
// continue an edit (walk, complete, abandon).

#include "browse/inline_edit.h"

#include <charconv>

#include "browse/browse_registry.h"
#include "browse/edit_states.h"
#include "browse/inline_edit_steps.h"
#include "runtime/windows/windows.h"

namespace fesk {

InLineEditState EditInProgress;
InLineEditSettings EditSettings;

namespace inline_edit {

constexpr int kMaxSlots = 99;
constexpr size_t kLastEntryWidth = 3;

int EditCall::base() const {
  return EditSettings.FirstField == 0 ? 100 : EditSettings.FirstField - 1;
}

int EditCall::fieldOfSlot(int slot) const {
  if (slot < 1 || slot > slotCount()) return 0;
  return base() + slots[static_cast<size_t>(slot - 1)].control;
}

int EditCall::slotOfField(int field) const {
  for (int k = 1; k <= slotCount(); ++k)
    if (fieldOfSlot(k) == field) return k;
  return 0;
}

bool EditCall::isEditControl(int field) const {
  return field > base() && field <= base() + static_cast<int>(controlTypes.size());
}

int EditCall::requestedTypeOfSlot(int slot) const {
  if (slot < 1 || slot > slotCount()) return 0;
  const size_t control = slots[static_cast<size_t>(slot - 1)].control;
  return control >= 1 && control <= controlTypes.size() ? controlTypes[control - 1] : 0;
}

std::vector<Slot> readColumnMap(std::string_view columnMap) {
  std::vector<Slot> slots;
  size_t scan = 0;
  for (int entry = 1; entry <= kMaxSlots && slots.size() < kMaxSlots; ++entry) {
    const size_t comma = columnMap.find(',', scan);
    const bool last = comma == std::string_view::npos;
    const std::string_view text =
        last ? columnMap.substr(std::min(scan, columnMap.size()), kLastEntryWidth)
             : columnMap.substr(scan, comma - scan);
    int value = 0;
    const size_t start = text.find_first_not_of(' ');
    if (start != std::string_view::npos)
      std::from_chars(text.data() + start, text.data() + text.size(), value);
    const auto control = static_cast<uint8_t>(value & 0xFF);
    if (control != 0) slots.push_back({control, static_cast<uint8_t>(entry)});
    if (last) break;
    scan = comma + 1;
  }
  return slots;
}

void startCompletion(const EditCall& call) {
  takeSlotValues(call);
  EditInProgress.Abandon = 0;
  engineState().EditColumnField = static_cast<uint8_t>(call.fieldOfSlot(EditInProgress.Slot));
  EditInProgress.Walk = 1;
  EditInProgress.NextField = call.fieldOfSlot(1);
  EditInProgress.Step = kEditWalking;
}

namespace {

// Step 3: a move to another cell goes on, or the completion walks one slot
// further, handing the row over complete after the last.
void walk(const EditCall& call) {
  if (EditInProgress.JumpPending) {
    apprt::SELECT(call.fieldOfSlot(EditInProgress.JumpSlot));
    EditInProgress.NextField = 0;
    EditInProgress.Abandon = 0;
    EditInProgress.JumpPending = 0;
    EditInProgress.Step = kEditOver;
    runEventLoop(call);
    return;
  }
  if (EditInProgress.Walk >= call.slotCount()) {
    EditInProgress.Step = kEditRowComplete;
    return;
  }
  ++EditInProgress.Walk;
  EditInProgress.NextField = call.fieldOfSlot(EditInProgress.Walk);
}

// Step 4: saved (or declined) the edit ends; after a failed save that the
// user wants to mend, editing goes on in the row selected at set-up.
void complete(const EditCall& call) {
  if (!EditInProgress.Abandon) {
    endEdit(call);
    return;
  }
  engineState().EditState = kEditStateNone;
  if (apprt::CHOICE(call.listField) != EditInProgress.Row)
    apprt::SELECT(call.listField, EditInProgress.Row);
  apprt::SELECT(engineState().EditColumnField);
  engineState().EditColumnField = 0;
  EditInProgress.Abandon = 0;
  EditInProgress.RepostEvent = 0;
  EditInProgress.RepostField = 0;
  EditInProgress.Step = kEditOver;
  runEventLoop(call);
}

// Step 5: the procedure answered the abandon: leave the row, save it, or go
// on editing (a close that was asked for is then forgotten).
void abandon(const EditCall& call) {
  if (EditInProgress.Abandon) {
    endEdit(call);
    return;
  }
  if (engineState().EditColumnField == call.listField) {
    startCompletion(call);
    return;
  }
  apprt::SELECT(engineState().EditColumnField);
  engineState().EditColumnField = 0;
  EditInProgress.ClosePending = 0;
  EditInProgress.Step = kEditOver;
  runEventLoop(call);
}

}  // namespace
}  // namespace inline_edit

void KX_InLineEdit(int16_t listField, std::span<const int32_t> controlTypes,
                   std::string_view columnMap) {
  using namespace inline_edit;
  takeEditLock();
  const EditCall call{listField, controlTypes, readColumnMap(columnMap)};
  switch (EditInProgress.Step) {
    case kEditOver:
      if (setUp(call)) {
        EditInProgress.Row = static_cast<uint8_t>(apprt::CHOICE(listField));
        EditInProgress.Step = kEditControlsCreated;
        return;
      }
      EditInProgress.Row = static_cast<uint8_t>(apprt::CHOICE(listField));
      slotSearch(call);
      return;
    case kEditControlsCreated:
      EditInProgress.Slot = 1;
      slotSearch(call);
      return;
    case kEditKeysWanted:
      setAlertedKeys(call);
      apprt::SELECT(call.fieldOfSlot(EditInProgress.Slot));
      runEventLoop(call);
      return;
    case kEditWalking:
      walk(call);
      return;
    case kEditRowComplete:
      complete(call);
      return;
    case kEditRowAbandoned:
      abandon(call);
      return;
    default:
      runEventLoop(call);
      return;
  }
}

}  // namespace fesk
