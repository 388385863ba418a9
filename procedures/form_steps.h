#pragma once
// The steps that both update forms take alike: their prologue's title and
// key-code reset, the events of the window, its sheet, "OK" and "Cancel", a
// confirmed delete with retries, and saving a change with retries.

#include <cstdint>
#include <functional>
#include <string>

#include "procedures/conflict_choice.h"
#include "procedures/procedure_skeleton.h"
#include "procedures/request_codes.h"
#include "runtime/files/file_declaration.h"

namespace fesk {

// The controls that every update form has.
struct FormFields {
  int sheet;
  int codePrompt;  // the focus goes here at the start and after a failed save
  int ok;
  int cancel;
};

// A change form's record as others store it. When another program commits a
// change to the record's file, the form looks at its record on its own thread
// and says in its title whether it was changed or deleted meanwhile, as a
// save of it would find; nothing typed is touched, and a save then offers the
// choice as ever. A record kept after it was deleted elsewhere is added by
// OK from then on, and the title says so. Made with the form's window open.
class StoredRecordNotice {
 public:
  StoredRecordNotice(const apprt::FileDeclaration& file, std::string fileLabel);
  ~StoredRecordNotice();
  StoredRecordNotice(const StoredRecordNotice&) = delete;
  StoredRecordNotice& operator=(const StoredRecordNotice&) = delete;

  // Titles the form for `request` (the form's request now); for a change,
  // looks at the record again and shows what became of it.
  void look(std::int32_t request) const;

 private:
  const apprt::FileDeclaration& file_;
  std::string fileLabel_;
  std::int32_t window_;
};

// What a form does in its own way.
struct FormSteps {
  std::function<void()> refresh;  // RefreshWindow, also the initial display
  std::function<void()> opened;   // after the initial focus (kEventOpenWindow); may be empty
  // kEventCompleted; false when a failed insert sent the focus back to the code and
  // the event is to be consumed.
  std::function<bool()> complete;
  // A change form's notice; null for any other request.
  const StoredRecordNotice* notice = nullptr;
};

// Handles the current event as every form does: kEventOpenWindow,
// kEventGainFocus, kEventSized, kEventRejected and kEventCompleted of the
// window (kEventCloseWindow and kEventCloseDown let it close), then the sheet,
// "OK" and "Cancel"; a change elsewhere to the file of the form's notice.
// Answers the loop step: kLoopStepConsumed after a failed
// insert, when the controls are skipped, else kLoopStepDefault.
int HandleFormEvent(ProcedureLocals& l, const FormFields& fields, const FormSteps& steps);

// "Adding a <file> Record" for an insert, "Changing a <file> Record" for a
// change, empty for any other request.
std::string RequestTitle(std::int32_t request, const std::string& fileLabel);

// kEventCompleted of an insert: adds the record buffer to `file`. Added, the window
// is asked to close and `l` answers completed. Refused, the user is told (for
// a duplicate of `uniqueKey`, when given, which key; any other duplicate is
// not reported) and the focus goes back to the code; false then, so that the
// event is consumed and the form stays open.
bool CompleteInsert(ProcedureLocals& l, const apprt::FileDeclaration& file,
                    const apprt::KeyDeclaration* uniqueKey, int codePrompt);
// The same with an add routine of record_writes.h, which tells the user why
// it refused (kWriteDone, kWriteFailed).
bool CompleteInsert(ProcedureLocals& l, int (*addRoutine)(), int codePrompt);

// Adds the record buffer to `file`; refused, the user is told as
// CompleteInsert tells it, and the answer is false. Nothing else is done.
bool AddRecordTellingWhy(const apprt::FileDeclaration& file,
                         const apprt::KeyDeclaration* uniqueKey);

// Asks for confirmation, then deletes with `deleteRecord` (kWriteDone, kWriteFailed)
// under the busy cursor, offering a retry after each failure. True when the
// record was deleted.
bool ConfirmAndDelete(const std::function<int()>& deleteRecord);

// A change that a form saves: whether the record was changed, the write
// routine (a result of record_writes.h), the record for the choice after a
// change or delete by another station, what the form does when that record
// is gone and the user keeps their typing (from then on OK adds it), and the
// control that takes the focus when the form stays open.
struct ChangeSave {
  std::function<bool()> recordChanged;
  std::function<int()> writeRecord;
  EditedRecord record;
  std::function<void()> recordGone;
  int focusField;
};

// Writes the change when `recordChanged` says so, offering a retry after a
// failure, and answers the form's response (request_codes.h). Completed, or
// unchanged, the window is asked to close. After a change or delete by
// another station the user chooses (conflict_choice.h): their values written
// again, the stored ones shown, the deleted record added again, or back to
// editing; the form stays open unless the record was written, added, or left
// deleted.
std::int32_t SaveChange(const ChangeSave& save);

}  // namespace fesk
