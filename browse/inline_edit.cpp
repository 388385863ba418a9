// KX_InLineEdit: the column map, the dispatch on EditStep, and the steps that
// continue an edit (walk, complete, abandon).

#include "browse/inline_edit.h"

#include <charconv>

#include "browse/browse_engine.h"
#include "browse/edit_states.h"
#include "browse/inline_edit_steps.h"
#include "runtime/windows/windows.h"

namespace fesk {

uint8_t EditStep = 0;
uint8_t EditSlot = 0;
uint8_t EditRow = 0;
uint8_t EditAbandon = 0;
int32_t EditNextField = 0;
uint8_t EditWalk = 0;
uint8_t EditJumpPending = 0;
uint8_t EditJumpSlot = 0;
uint8_t EditLeftToList = 0;
uint8_t EditTabGuard = 0;
uint8_t EditFirstFocus = 0;
uint8_t EditLastControl = 0;
uint8_t EditRepostEvent = 0;
uint8_t EditRepostField = 0;
uint8_t EditClosePending = 0;
uint8_t EditForcedAbandon = 0;

uint8_t EditFirstField = 0;
int32_t EditCancelKey = 0;
int32_t EditCompleteKey = 0;
uint8_t EditRowMode = 0;
int32_t EditPrevRowKey = 0;
int32_t EditPrevRowKey2 = 0;
int32_t EditNextRowKey = 0;
int32_t EditNextRowKey2 = 0;
std::array<int32_t, 5> EditExtraKeys{};
uint8_t EditCompleteField = 0;
uint8_t EditCancelField = 0;

namespace inline_edit {

constexpr int kMaxSlots = 99;
constexpr size_t kLastEntryWidth = 3;

int EditCall::base() const {
  return EditFirstField == 0 ? 100 : EditFirstField - 1;
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
  EditAbandon = 0;
  EditColumnField = static_cast<uint8_t>(call.fieldOfSlot(EditSlot));
  EditWalk = 1;
  EditNextField = call.fieldOfSlot(1);
  EditStep = kEditWalking;
}

namespace {

// Step 3: a move to another cell goes on, or the completion walks one slot
// further, handing the row over complete after the last.
void walk(const EditCall& call) {
  if (EditJumpPending) {
    apprt::SELECT(call.fieldOfSlot(EditJumpSlot));
    EditNextField = 0;
    EditAbandon = 0;
    EditJumpPending = 0;
    EditStep = kEditOver;
    runEventLoop(call);
    return;
  }
  if (EditWalk >= call.slotCount()) {
    EditStep = kEditRowComplete;
    return;
  }
  ++EditWalk;
  EditNextField = call.fieldOfSlot(EditWalk);
}

// Step 4: saved (or declined) the edit ends; after a failed save that the
// user wants to mend, editing goes on in the row selected at set-up.
void complete(const EditCall& call) {
  if (!EditAbandon) {
    endEdit(call);
    return;
  }
  EditState = kEditStateNone;
  if (apprt::CHOICE(call.listField) != EditRow) apprt::SELECT(call.listField, EditRow);
  apprt::SELECT(EditColumnField);
  EditColumnField = 0;
  EditAbandon = 0;
  EditRepostEvent = 0;
  EditRepostField = 0;
  EditStep = kEditOver;
  runEventLoop(call);
}

// Step 5: the procedure answered the abandon: leave the row, save it, or go
// on editing (a close that was asked for is then forgotten).
void abandon(const EditCall& call) {
  if (EditAbandon) {
    endEdit(call);
    return;
  }
  if (EditColumnField == call.listField) {
    startCompletion(call);
    return;
  }
  apprt::SELECT(EditColumnField);
  EditColumnField = 0;
  EditClosePending = 0;
  EditStep = kEditOver;
  runEventLoop(call);
}

}  // namespace
}  // namespace inline_edit

void KX_InLineEdit(int16_t listField, std::span<const int32_t> controlTypes,
                   std::string_view columnMap) {
  using namespace inline_edit;
  takeEditLock();
  const EditCall call{listField, controlTypes, readColumnMap(columnMap)};
  switch (EditStep) {
    case kEditOver:
      if (setUp(call)) {
        EditRow = static_cast<uint8_t>(apprt::CHOICE(listField));
        EditStep = kEditControlsCreated;
        return;
      }
      EditRow = static_cast<uint8_t>(apprt::CHOICE(listField));
      slotSearch(call);
      return;
    case kEditControlsCreated:
      EditSlot = 1;
      slotSearch(call);
      return;
    case kEditKeysWanted:
      setAlertedKeys(call);
      apprt::SELECT(call.fieldOfSlot(EditSlot));
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
