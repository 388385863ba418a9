#pragma once
// The in-line editor's parts, shared by its files: the call being served
// (list, control types, edited columns), the set-up and end of an edit, the
// event loop, and the edit lock.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace fesk::inline_edit {

// One edited column: the edit control (1-based) that edits list column `column`.
struct Slot {
  uint8_t control;
  uint8_t column;
  friend bool operator==(const Slot&, const Slot&) = default;
};

// What one call of KX_InLineEdit works with. Slots are numbered from 1, like
// EditInProgress.Slot: slot(k) is slots[k - 1].
struct EditCall {
  int16_t listField;
  std::span<const int32_t> controlTypes;
  std::vector<Slot> slots;

  int base() const;  // field of edit control n is base() + n
  int slotCount() const { return static_cast<int>(slots.size()); }
  int fieldOfSlot(int slot) const;   // 0 for a slot out of range
  int slotOfField(int field) const;  // 0 when no slot has that field
  bool isEditControl(int field) const;
  int requestedTypeOfSlot(int slot) const;
};

// Reads a column map such as "1,2": at most 99 entries; an entry that is not
// a number, or 0, edits nothing; the last entry counts its first 3 characters.
std::vector<Slot> readColumnMap(std::string_view columnMap);

// Step 0: creates the edit controls that are missing and links every edited
// column to its control. Answers true when a control was created.
bool setUp(const EditCall& call);
// Takes the first slot from EditInProgress.Slot on whose control is not skipped (the
// last slot when all are) and asks for the keys (EditInProgress.Step kEditKeysWanted).
void slotSearch(const EditCall& call);
// Hides the controls and unlinks the columns, gives the focus back (or posts
// the event that was held back), posts a held-back close, resets the settings
// and lets go of the edit lock.
void endEdit(const EditCall& call);
// Clears the alerted keys and alerts the ones the edit uses now.
void setAlertedKeys(const EditCall& call);
// Copies what every edit control shows into its variable.
void takeSlotValues(const EditCall& call);
// Starts a completion: the walk over the slots that ends with EditInProgress.Step
// kEditRowComplete.
void startCompletion(const EditCall& call);

// The editor's own event loop; returns when the procedure is needed (EditInProgress.Step
// then says why) or the edit ended.
void runEventLoop(const EditCall& call);

// The edit lock: one in-line edit in the whole program at a time. Taking it
// in a thread that holds it already changes nothing; a thread that finds it
// held elsewhere waits without holding the program lock.
void takeEditLock();
void releaseEditLock();

}  // namespace fesk::inline_edit
