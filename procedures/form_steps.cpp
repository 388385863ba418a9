#include "procedures/form_steps.h"

#include <optional>

#include "browse/list_following.h"
#include "data/record_writes.h"
#include "data/thread_block.h"
#include "runtime/files/errors.h"
#include "runtime/windows/windows.h"
#include "warnings/show_warning.h"

namespace fesk {
namespace {

// Posted to a change form's window when another program changed its file.
constexpr int kEventStoredChanged = 1042;

// Runs a write with the busy cursor shown.
int whileBusy(const std::function<int()>& write) {
  apprt::setBusyCursor(true);
  const int result = write();
  apprt::setBusyCursor(false);
  return result;
}

// kEventRejected: an entry refused what was typed; it shows its value again
// and keeps the focus.
void beepAndRefocus() {
  apprt::beep();
  apprt::DISPLAY(apprt::FIELD());
  apprt::SELECT(apprt::FIELD());
}

// "OK": an insert or change is completed by the runtime, which checks the
// entries before it delivers kEventCompleted; any other request posts it itself.
void askForCompletion(std::int32_t request) {
  if (request == kInsertRequest || request == kChangeRequest)
    apprt::SELECT(0);
  else
    apprt::POST(apprt::kEventCompleted);
}

// Answers false when the controls are to be skipped.
bool handleWindowEvent(ProcedureLocals& l, const FormFields& fields, const FormSteps& steps) {
  switch (apprt::EVENT()) {
    case apprt::kEventOpenWindow:
      if (!l.Initialised) {
        steps.refresh();
        l.Initialised = 1;
      }
      apprt::SELECT(fields.codePrompt);
      if (steps.opened) steps.opened();
      return true;
    case apprt::kEventGainFocus:
      l.RefreshNeeded = 1;
      steps.refresh();
      l.Initialised = 1;
      return true;
    case apprt::kEventSized:
      l.RefreshNeeded = 1;
      steps.refresh();
      return true;
    case apprt::kEventRejected:
      beepAndRefocus();
      return true;
    case apprt::kEventCompleted: {
      const bool goOn = steps.complete();
      // A conflict met by the save showed the stored version: the title follows.
      if (steps.notice) steps.notice->look(l.LocalRequest);
      return goOn;
    }
    case kEventStoredChanged:
      if (steps.notice) steps.notice->look(l.LocalRequest);
      return true;
    default:
      return true;  // kEventCloseWindow and kEventCloseDown among them: the window may close
  }
}

void handleControlEvent(ProcedureLocals& l, const FormFields& fields, const FormSteps& steps) {
  const int event = apprt::EVENT();
  const int field = apprt::FIELD();
  if (field == fields.sheet) {
    if (event == apprt::kEventAccepted || event == apprt::kEventNewSelection ||
        event == apprt::kEventTabChanging || event == apprt::kEventSelected)
      steps.refresh();
  } else if (field == fields.ok && event == apprt::kEventAccepted) {
    askForCompletion(l.LocalRequest);
  } else if (field == fields.cancel && event == apprt::kEventAccepted) {
    l.LocalResponse = kResponseCancelled;
    apprt::POST(apprt::kEventCloseWindow);
  }
}

// An insert completed: the window closes with the form answering completed.
void closeCompleted(ProcedureLocals& l) {
  l.LocalResponse = kResponseCompleted;
  apprt::POST(apprt::kEventCloseWindow);
}

constexpr int kAdded = -1;

// Adds the record buffer to `file`: kAdded, or the answer to the warning that
// told why not (0 when none was shown: a duplicate of a key other than
// `uniqueKey`).
int addRecord(const apprt::FileDeclaration& file, const apprt::KeyDeclaration* uniqueKey) {
  file.add();
  const int error = apprt::ERRCODE();
  if (error == apprt::kNoError) return kAdded;
  if (uniqueKey && error == apprt::kDuplicateKey) {
    if (!file.duplicateOnKey(*uniqueKey)) return 0;
    return ShowWarning(kWarnDuplicateKey, uniqueKey->displayName);
  }
  return ShowWarning(kWarnInsertError);
}

// After a write met a change or delete by another station: the user's
// choice. Answers kSaveAgain to write the typed values again, the form's
// response when the form closes, or nothing when it stays open.
constexpr std::int32_t kSaveAgain = -1;

std::optional<std::int32_t> afterConflict(const ChangeSave& save, const std::string& typed) {
  switch (ResolveConflict(save.record, typed)) {
    case AfterConflict::kSaveAgain:
      return kSaveAgain;
    case AfterConflict::kAdded:
      apprt::POST(apprt::kEventCloseWindow);
      return kResponseCompleted;
    case AfterConflict::kLeftDeleted:
      apprt::POST(apprt::kEventCloseWindow);
      return kResponseCancelled;
    case AfterConflict::kEditToAdd:
      save.recordGone();
      return std::nullopt;
    case AfterConflict::kShowStored:
    case AfterConflict::kEditTyped:
      return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

StoredRecordNotice::StoredRecordNotice(const apprt::FileDeclaration& file, std::string fileLabel)
    : file_(file),
      fileLabel_(std::move(fileLabel)),
      window_(static_cast<std::int32_t>(apprt::getProp(0, apprt::kPropHandle))) {
  FollowChangesInForm(window_, file.fileName(), kEventStoredChanged);
}

StoredRecordNotice::~StoredRecordNotice() {
  StopFollowingInForm(window_);
}

void StoredRecordNotice::look(std::int32_t request) const {
  ServeFollowedChange(window_);
  std::string title = RequestTitle(request, fileLabel_);
  if (request != kChangeRequest) {
    apprt::setPropText(0, apprt::kPropText, title);
    return;
  }
  switch (file_.watchedRecordNow()) {
    case apprt::FileDeclaration::Watched::kChanged:
      title += " - Record Changed by Another Station";
      break;
    case apprt::FileDeclaration::Watched::kDeleted:
      title += " - Record Deleted by Another Station";
      break;
    default:
      break;  // unchanged, or not to be told: the title as it was
  }
  apprt::setPropText(0, apprt::kPropText, title);
}

int HandleFormEvent(ProcedureLocals& l, const FormFields& fields, const FormSteps& steps) {
  if (!handleWindowEvent(l, fields, steps)) return apprt::kLoopStepConsumed;
  handleControlEvent(l, fields, steps);
  return apprt::kLoopStepDefault;
}

std::string RequestTitle(std::int32_t request, const std::string& fileLabel) {
  switch (request) {
    case kInsertRequest:
      return "Adding a " + fileLabel + " Record";
    case kChangeRequest:
      return "Changing a " + fileLabel + " Record";
    default:
      return "";
  }
}

bool AddRecordTellingWhy(const apprt::FileDeclaration& file,
                         const apprt::KeyDeclaration* uniqueKey) {
  return addRecord(file, uniqueKey) == kAdded;
}

bool CompleteInsert(ProcedureLocals& l, const apprt::FileDeclaration& file,
                    const apprt::KeyDeclaration* uniqueKey, int codePrompt) {
  const int outcome = addRecord(file, uniqueKey);
  if (outcome == kAdded) {
    closeCompleted(l);
    return true;
  }
  if (outcome == 0) return true;
  apprt::SELECT(codePrompt);
  return false;
}

bool CompleteInsert(ProcedureLocals& l, int (*addRoutine)(), int codePrompt) {
  if (whileBusy(addRoutine) == kWriteDone) {
    closeCompleted(l);
    return true;
  }
  apprt::SELECT(codePrompt);
  return false;
}

bool ConfirmAndDelete(const std::function<int()>& deleteRecord) {
  if (ShowWarning(kWarnConfirmDelete) != apprt::kButtonOk) return false;
  for (;;) {
    if (whileBusy(deleteRecord) == kWriteDone) return true;
    if (ShowWarning(kWarnRetryDelete) != apprt::kButtonYes) return false;
  }
}

std::int32_t SaveChange(const ChangeSave& save) {
  for (;;) {
    bool changed = false;
    const std::string typed = RecordImage(save.record.file);
    const int result = whileBusy([&] {
      changed = save.recordChanged();
      return changed ? save.writeRecord() : kWriteDone;
    });
    if (result == kWriteDone) {
      apprt::POST(apprt::kEventCloseWindow);
      const bool completed = changed || threadBlock().CancelIfUnchanged == 0;
      return completed ? kResponseCompleted : kResponseCancelled;
    }
    if (result == kWriteFailed) {
      const int answer = ShowWarning(kWarnRetryUpdate);
      if (answer == apprt::kButtonYes) continue;
      if (answer == apprt::kButtonNo) {
        apprt::POST(apprt::kEventCloseWindow);
        return kResponseCancelled;
      }
      if (answer != apprt::kButtonCancel) return kResponseCancelled;
    } else if (const auto settled = afterConflict(save, typed)) {
      if (*settled == kSaveAgain) continue;
      return *settled;
    }
    // The form stays open, showing what the user chose to go on with.
    apprt::DISPLAY();
    apprt::SELECT(save.focusField);
    return kResponseCancelled;
  }
}

}  // namespace fesk
