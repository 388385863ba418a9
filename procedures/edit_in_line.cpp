#include "procedures/edit_in_line.h"

#include <array>

#include "browse/browse_engine.h"
#include "browse/browse_registry.h"
#include "browse/inline_edit.h"
#include "browse/private_properties.h"
#include "data/data_files.h"
#include "data/record_writes.h"
#include "data/thread_block.h"
#include "procedures/browse_fesk1.h"
#include "procedures/conflict_choice.h"
#include "procedures/form_steps.h"
#include "procedures/record_field_binding.h"
#include "runtime/files/errors.h"
#include "runtime/windows/windows.h"
#include "warnings/show_warning.h"

namespace fesk {
namespace {

// The edit controls of the code and name columns.
constexpr uint8_t kFirstEditField = 201;
constexpr int kCodeEdit = 201;
constexpr int kNameEdit = 202;
constexpr const char* kEditPicture = "@s20";
constexpr std::array<int32_t, 2> kColumnControlTypes{apprt::kTypeEntry, apprt::kTypeEntry};
constexpr const char* kColumnMap = "1,2";

class InLineEdit {
 public:
  InLineEdit(int16_t listField, int action)
      : listField_(listField), action_(action), adding_(action == kActionInsert) {}
  int run(uint8_t sortOrder);

 private:
  bool changed() const {
    return !(FESK1.buffer().CODE == SavedRecord.CODE && FESK1.buffer().NAME == SavedRecord.NAME);
  }
  void bindControls() const;
  void save();
  int writeRow() const;
  bool settleConflict(const std::string& typed);
  void abandon();

  int16_t listField_;
  int action_;
  // The row is added, not written over a stored record: an insert, or a
  // change whose record another station deleted and the user kept.
  bool adding_;
  Fesk1Record SavedRecord{};
  int LocalResponse = kResponseCancelled;
};

int InLineEdit::run(uint8_t sortOrder) {
  if (action_ == kActionDelete) {
    if (ConfirmAndDelete(DeleteFesk1Record)) LocalResponse = kResponseCompleted;
    apprt::DISPLAY();
    return LocalResponse;
  }
  if (action_ == kActionChange) RememberFesk1Code();
  SavedRecord = FESK1.buffer();
  apprt::setProp(listField_, kPropListEditedInPlace, 1);
  // Both orders show the same columns; any other order edits nothing.
  if (sortOrder != kSortByCode && sortOrder != kSortByName) return LocalResponse;
  // EditInProgress.Step is kEditOver here: every edit ends with it so, and another window's
  // edit still running is waited for inside the first call.
  do {
    EditSettings.FirstField = kFirstEditField;
    KX_InLineEdit(listField_, kColumnControlTypes, kColumnMap);
    switch (EditInProgress.Step) {
      case kEditControlsCreated:
        bindControls();
        break;
      case kEditKeysWanted:
        EditSettings.CancelKey = apprt::kKeyEsc;
        EditSettings.CompleteKey = apprt::kKeyCtrlEnter;
        break;
      case kEditRowComplete:
        save();
        break;
      case kEditRowAbandoned:
        abandon();
        break;
      default:
        break;
    }
  } while (EditInProgress.Step != kEditOver);
  return LocalResponse;
}

void InLineEdit::bindControls() const {
  apprt::bindEntry(kCodeEdit, bindRecordField([]() -> auto& { return FESK1.buffer().CODE; }));
  apprt::setPropText(kCodeEdit, apprt::kPropText, kEditPicture);
  apprt::setProp(kCodeEdit, kPropFirstCell, 1);
  apprt::bindEntry(kNameEdit, bindRecordField([]() -> auto& { return FESK1.buffer().NAME; }));
  apprt::setPropText(kNameEdit, apprt::kPropText, kEditPicture);
}

// Adds or writes the row under the busy cursor: a result of record_writes.h.
int InLineEdit::writeRow() const {
  apprt::setBusyCursor(true);
  int result = kWriteFailed;
  if (adding_) {
    FESK1.add();
    if (apprt::ERRCODE() == apprt::kNoError) result = kWriteDone;
    // The question that follows a failed save gives no reason; a driver's
    // error (a server gone) is told in its own words first.
    if (apprt::ERRCODE() == apprt::kDriverError) ShowWarning(kWarnInsertError);
  } else {
    result = UpdateFesk1Record(false);
    // The buffer now holds the version another station stored: a code
    // written over it must carry along the children of that version's code.
    if (result == kWriteChangedElsewhere) RememberFesk1Code();
  }
  apprt::setBusyCursor(false);
  return result;
}

// After another station changed or deleted the record: the user's choice.
// True when the typed values are to be written again; otherwise the row
// ends (added again, or left deleted) or editing goes back to it.
bool InLineEdit::settleConflict(const std::string& typed) {
  switch (ResolveConflict(EditedFesk1(), typed)) {
    case AfterConflict::kSaveAgain:
      return true;
    case AfterConflict::kAdded:
      LocalResponse = kResponseCompleted;
      break;
    case AfterConflict::kLeftDeleted:
      break;
    case AfterConflict::kEditToAdd:
      adding_ = true;
      EditInProgress.Abandon = 1;
      break;
    case AfterConflict::kShowStored:
    case AfterConflict::kEditTyped:
      EditInProgress.Abandon = 1;
      break;
  }
  apprt::DISPLAY();
  return false;
}

// kEditRowComplete. A row left as it was writes nothing. A failed save asks whether to
// try again; No ends the row unsaved, Cancel goes back to editing it. A save
// that met another station's change or delete offers the choice instead.
void InLineEdit::save() {
  if (!changed()) {
    LocalResponse = kResponseCompleted;
    return;
  }
  for (;;) {
    if (FESK1.duplicateAnyUnique()) {
      apprt::messageBox("Updating this record creates a duplicate entry!", "Duplicate Key Error",
                        apprt::Icon::Warning, apprt::kButtonOk, apprt::kButtonOk);
    } else {
      const std::string typed = RecordImage(FESK1);
      const int result = writeRow();
      if (result == kWriteDone) {
        LocalResponse = kResponseCompleted;
        return;
      }
      if (result == kWriteChangedElsewhere) {
        if (settleConflict(typed)) continue;
        return;
      }
    }
    const int answer = ShowWarning(kWarnRetryUpdate);
    apprt::DISPLAY();
    if (answer == apprt::kButtonYes) continue;
    if (answer == apprt::kButtonCancel) EditInProgress.Abandon = 1;
    return;
  }
}

// kEditRowAbandoned. A changed row asks whether to save: Yes completes it
// (kEditRowComplete follows), No leaves it, Cancel goes on editing. An unchanged row is left,
// and so is a changed one when the program ends after the user chose to exit anyway.
void InLineEdit::abandon() {
  if (changed() && !apprt::unsavedTypingDiscarded()) {
    const int answer = ShowWarning(kWarnSaveChanges);
    apprt::DISPLAY();
    if (answer == apprt::kButtonYes) {
      EditInProgress.Abandon = 0;
      engineState().EditColumnField = static_cast<uint8_t>(listField_);
    } else if (answer == apprt::kButtonNo) {
      EditInProgress.Abandon = 1;
    } else {
      EditInProgress.Abandon = 0;
    }
  }
  // An abandoned insert removes what it added. It never added anything (a
  // successful add ends the edit), and the browse cleared FESK1's current
  // record before the insert, so this finds none and writes nothing: it can
  // never take away a record that was already stored.
  if (action_ == kActionInsert && EditInProgress.Abandon == 1) FESK1.remove();
}

}  // namespace

void EditInLine(int16_t listField, int action, uint8_t sortOrder) {
  InLineEdit edit(listField, action);
  threadBlock().ResponseCode = edit.run(sortOrder);
}

}  // namespace fesk
