// The in-line editor's controls: created at the first edit of a list, laid
// over the selected row's cells while an edit runs, hidden and unlinked from
// the columns between edits, and reused by the next edit.

#include <string>

#include "browse/browse_registry.h"
#include "browse/edit_states.h"
#include "browse/inline_edit.h"
#include "browse/inline_edit_steps.h"
#include "browse/private_properties.h"
#include "runtime/windows/windows.h"

namespace fesk::inline_edit {
namespace {

// The control type that a requested type is made with.
int typeToCreate(int requested) {
  return requested == kEditTypeCombo ? apprt::kTypeDropCombo : requested;
}

// Colour settings come in pairs of properties (n, n+1): a list column has
// four pairs from kPropFirstColumnColour, an edit control four from
// kPropFirstColour. The first pair that the column has set, looked for in
// this order, is copied to the control's pair beside it.
constexpr int columnColourPair(int index) {
  return apprt::kPropFirstColumnColour + 2 * index;
}
constexpr int controlColourPair(int index) {
  return apprt::kPropFirstColour + 2 * index;
}
struct ColourPair {
  int columnFirst;
  int controlFirst;
};
constexpr ColourPair kColourPairs[] = {{columnColourPair(0), controlColourPair(1)},
                                       {columnColourPair(1), controlColourPair(3)},
                                       {columnColourPair(2), controlColourPair(0)},
                                       {columnColourPair(3), controlColourPair(2)}};
static_assert(columnColourPair(3) + 1 == apprt::kPropLastColumnColour);
static_assert(controlColourPair(3) + 1 == apprt::kPropLastColour);

void copyColumnLook(int listField, const Slot& slot, int field) {
  apprt::setPropText(field, apprt::kPropText,
                     apprt::getColumnProp(listField, slot.column, apprt::kPropColumnPicture));
  for (const ColourPair& pair : kColourPairs) {
    const std::string first = apprt::getColumnProp(listField, slot.column, pair.columnFirst);
    if (first.empty() || first == "0") continue;
    apprt::setPropText(field, pair.controlFirst, first);
    apprt::setPropText(field, pair.controlFirst + 1,
                       apprt::getColumnProp(listField, slot.column, pair.columnFirst + 1));
    return;
  }
}

void linkColumn(const EditCall& call, const Slot& slot, int field) {
  apprt::setColumnProp(call.listField, slot.column, apprt::kPropColumnEditField,
                       std::to_string(field));
}

void resetSettings() {
  apprt::alert(0);
  EditSettings = InLineEditSettings{.FirstField = EditSettings.FirstField};
}

}  // namespace

bool setUp(const EditCall& call) {
  EditInProgress.FirstFocus = 1;
  if (EditSettings.CancelKey == 0) EditSettings.CancelKey = apprt::kKeyEsc;
  bool created = false;
  for (size_t n = 1; n <= call.controlTypes.size(); ++n) {
    const int field = call.base() + static_cast<int>(n);
    const int requested = call.controlTypes[n - 1];
    const int type = typeToCreate(requested);
    if (apprt::getProp(field, apprt::kPropType) == type) continue;
    apprt::createControl(field, type);
    apprt::setProp(field, apprt::kPropHide, 1);
    apprt::setProp(field, apprt::kPropHeight, 0);
    apprt::setProp(field, apprt::kPropWidth, 0);
    if (requested == kEditTypeCombo) apprt::setProp(field, kPropComboEntry, 1);
    for (int prop = apprt::kPropFirstFont; prop <= apprt::kPropLastFont; ++prop)
      apprt::setPropText(field, prop, apprt::getPropText(call.listField, prop));
    created = true;
  }
  for (int k = 1; k <= call.slotCount(); ++k) {
    const Slot& slot = call.slots[static_cast<size_t>(k - 1)];
    const int field = call.fieldOfSlot(k);
    linkColumn(call, slot, field);
    if (created)
      copyColumnLook(call.listField, slot, field);
    else
      apprt::setPropText(field, apprt::kPropText, apprt::getPropText(field, apprt::kPropText));
  }
  return created;
}

void slotSearch(const EditCall& call) {
  if (call.slotCount() == 0) {
    endEdit(call);
    return;
  }
  int slot = EditInProgress.Slot < 1 ? 1 : EditInProgress.Slot;
  while (slot < call.slotCount() && apprt::getProp(call.fieldOfSlot(slot), apprt::kPropSkip))
    ++slot;
  EditInProgress.Slot = static_cast<uint8_t>(std::min(slot, call.slotCount()));
  // The controls show the row as it stands in the variables.
  for (int k = 1; k <= call.slotCount(); ++k) apprt::DISPLAY(call.fieldOfSlot(k));
  EditInProgress.Step = kEditKeysWanted;
}

void endEdit(const EditCall& call) {
  for (int k = 1; k <= call.slotCount(); ++k) {
    const int field = call.fieldOfSlot(k);
    apprt::setProp(field, apprt::kPropHide, 1);
    apprt::setProp(field, apprt::kPropHeight, 0);
    apprt::setProp(field, apprt::kPropWidth, 0);
    apprt::setColumnProp(call.listField, call.slots[static_cast<size_t>(k - 1)].column,
                         apprt::kPropColumnEditField, "0");
  }
  EditInProgress.Step = kEditOver;
  if (EditInProgress.RepostEvent != 0) {
    apprt::POST(EditInProgress.RepostEvent, EditInProgress.RepostField);
    EditInProgress.RepostEvent = 0;
    EditInProgress.RepostField = 0;
  } else if (engineState().EditState != kEditStateNone) {
    apprt::SELECT(engineState().EditColumnField);
  } else {
    EditInProgress.Slot = 1;
    apprt::SELECT(call.listField);
  }
  if (EditInProgress.ClosePending) {
    EditInProgress.ClosePending = 0;
    apprt::POST(apprt::kEventCloseWindow);
  }
  if (EditInProgress.ForcedAbandon) {
    EditInProgress.ForcedAbandon = 0;
    apprt::POST(apprt::kEventSized);
  }
  resetSettings();
  releaseEditLock();
}

void setAlertedKeys(const EditCall& call) {
  const auto alertWhenSet = [](int32_t key) {
    if (key != 0) apprt::alert(key);
  };
  apprt::alert(0);
  apprt::alert(EditSettings.CancelKey);
  if (EditSettings.RowMode == 1) {
    const int type = call.requestedTypeOfSlot(EditInProgress.Slot);
    if (type == kEditTypeCombo || type == apprt::kTypeDropList || type == apprt::kTypeList) {
      // Lists in the cell use the plain arrow keys themselves.
      alertWhenSet(EditSettings.NextRowKey != 0 ? EditSettings.NextRowKey
                                                : EditSettings.NextRowKey2);
      alertWhenSet(EditSettings.PrevRowKey != 0 ? EditSettings.PrevRowKey
                                                : EditSettings.PrevRowKey2);
    } else {
      for (int32_t key : {EditSettings.NextRowKey, EditSettings.NextRowKey2,
                          EditSettings.PrevRowKey, EditSettings.PrevRowKey2})
        alertWhenSet(key);
    }
  }
  alertWhenSet(EditSettings.CompleteKey);
  for (int32_t key : EditSettings.ExtraKeys) alertWhenSet(key);
}

void takeSlotValues(const EditCall& call) {
  for (int k = 1; k <= call.slotCount(); ++k) apprt::UPDATE(call.fieldOfSlot(k));
}

}  // namespace fesk::inline_edit
