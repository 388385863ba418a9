#include "procedures/update_fesk2.h"

#include <optional>
#include <string>

#include "data/data_files.h"
#include "data/record_writes.h"
#include "procedures/form_steps.h"
#include "procedures/procedure_skeleton.h"
#include "procedures/record_field_binding.h"

namespace fesk {
namespace {

// Field numbers of the window "fesk$FESK004".
constexpr FormFields kFields{.sheet = 1, .codePrompt = 2, .ok = 6, .cancel = 7};
constexpr int kCodeEntry = 3;
constexpr int kNumberEntry = 5;

class UpdateFesk2Procedure {
 public:
  void run();

 private:
  // Answers false when the request was a delete, which ends the procedure
  // without a window.
  bool OpenProcWindow();
  bool completeForm();  // false when the form stays open after a failed insert
  void ReturnFromProc();

  ProcedureLocals l_;
  Fesk2Record SavedRecord{};
};

void UpdateFesk2Procedure::run() {
  SavedRecord = {};
  l_.ProcWindow = apprt::loadWindow("fesk$FESK004", "P1$QUICKWINDOW");
  apprt::bindEntry(kCodeEntry, bindRecordField([]() -> auto& { return FESK2.buffer().CODE; }));
  apprt::bindEntry(kNumberEntry, bindRecordField([]() -> auto& { return FESK2.buffer().NUMBER; }));
  ProcedureExit exitPoint;
  TakeRequest(l_);
  DiscardPendingRightClick();

  if (!OpenProcWindow()) return;
  apprt::setPropText(0, apprt::kPropText, RequestTitle(l_.LocalRequest, "fesk2"));
  std::optional<StoredRecordNotice> notice;
  if (l_.LocalRequest == kChangeRequest) notice.emplace(FESK2, "fesk2");

  const FormSteps steps{.refresh = [this] { RefreshWindow(l_); },
                        .opened = {},
                        .complete = [this] { return completeForm(); },
                        .notice = notice ? &*notice : nullptr};
  apprt::startEventLoop();
  int step = apprt::kLoopStepDefault;
  while (!apprt::endEventLoop(step)) step = HandleFormEvent(l_, kFields, steps);
  ReturnFromProc();
}

bool UpdateFesk2Procedure::OpenProcWindow() {
  AcquireFesk2();
  l_.WindowOpenRequested = 1;
  SavedRecord = FESK2.buffer();
  if (l_.LocalRequest == kDeleteRequest) {
    l_.LocalResponse =
        ConfirmAndDelete(DeleteFesk2Record) ? kResponseCompleted : kResponseCancelled;
    ReturnFromProc();
    return false;
  }
  ShowProcWindow(l_);
  return true;
}

bool UpdateFesk2Procedure::completeForm() {
  // FS2:KEYCODE takes duplicates: the form has no duplicate check of its own.
  // A code that no FESK1 record has is refused by the write routines, here as
  // for a change: the form stays open on the code.
  if (l_.LocalRequest == kInsertRequest)
    return CompleteInsert(l_, AddFesk2Record, kFields.codePrompt);
  if (l_.LocalRequest == kChangeRequest) {
    const auto changed = [this] {
      const Fesk2Record& now = FESK2.buffer();
      return !(now.CODE == SavedRecord.CODE && now.NUMBER == SavedRecord.NUMBER);
    };
    l_.LocalResponse = SaveChange({.recordChanged = changed,
                                   .writeRecord = [] { return UpdateFesk2Record(false); },
                                   .record = EditedFesk2(),
                                   .recordGone = [this] { l_.LocalRequest = kInsertRequest; },
                                   .focusField = kFields.codePrompt});
  }
  return true;
}

void UpdateFesk2Procedure::ReturnFromProc() {
  if (l_.WindowOpenRequested) ReleaseFesk2();
  fesk::ReturnFromProc(l_);
}

}  // namespace

void UpdateFesk2() {
  UpdateFesk2Procedure procedure;
  procedure.run();
}

}  // namespace fesk
