#include "procedures/update_fesk2.h"

#include "app/procedure_skeleton.h"
#include "data/data_files.h"
#include "data/record_writes.h"
#include "procedures/form_completion.h"
#include "procedures/record_field_binding.h"
#include "runtime/errors.h"
#include "warnings/show_warning.h"

namespace fesk {
namespace {

// Field numbers of the window "fesk$FESK004".
constexpr int kSheet = 1;
constexpr int kCodePrompt = 2;
constexpr int kCodeEntry = 3;
constexpr int kNumberEntry = 5;
constexpr int kOkButton = 6;
constexpr int kCancelButton = 7;

class UpdateFesk2Procedure {
 public:
  void run();

 private:
  // Answers false when the request was a delete, which ends the procedure
  // without a window.
  bool OpenProcWindow();
  bool handleWindowEvent();  // false after a failed insert: the controls are skipped
  void handleControlEvent();
  bool completeInsert();  // false when the form stays open
  void RefreshWindow() { fesk::RefreshWindow(l_); }
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

  apprt::startEventLoop();
  int step = 0;
  while (!apprt::endEventLoop(step)) {
    step = handleWindowEvent() ? 0 : 1;
    if (step == 0) handleControlEvent();
  }
  ReturnFromProc();
}

bool UpdateFesk2Procedure::OpenProcWindow() {
  AcquireFesk2();
  l_.WindowOpenRequested = 1;
  SavedRecord = FESK2.buffer();
  if (l_.LocalRequest == kDeleteRequest) {
    l_.LocalResponse = ConfirmAndDelete(DeleteFesk2Record) ? 1 : 2;
    ReturnFromProc();
    return false;
  }
  apprt::openWindow();
  l_.WindowOpened = 1;
  return true;
}

bool UpdateFesk2Procedure::handleWindowEvent() {
  switch (apprt::EVENT()) {
    case apprt::kEventOpenWindow:
      if (!l_.Initialised) {
        RefreshWindow();
        l_.Initialised = 1;
      }
      apprt::SELECT(kCodePrompt);
      return true;
    case apprt::kEventGainFocus:
      l_.RefreshNeeded = 1;
      RefreshWindow();
      l_.Initialised = 1;
      return true;
    case apprt::kEventSized:
      l_.RefreshNeeded = 1;
      RefreshWindow();
      return true;
    case apprt::kEventRejected:
      BeepAndRefocus();
      return true;
    case apprt::kEventCompleted:
      if (l_.LocalRequest == kInsertRequest) return completeInsert();
      if (l_.LocalRequest == kChangeRequest) {
        const auto changed = [this] {
          const Fesk2Record& now = FESK2.buffer();
          return !(now.CODE == SavedRecord.CODE && now.NUMBER == SavedRecord.NUMBER);
        };
        l_.LocalResponse = SaveChange(
            changed, [] { return UpdateFesk2Record(false); }, kCodePrompt);
      }
      return true;
    default:
      return true;  // 513 and 514 among them: the window may close
  }
}

void UpdateFesk2Procedure::handleControlEvent() {
  const int event = apprt::EVENT();
  switch (apprt::FIELD()) {
    case kSheet:
      if (event == apprt::kEventAccepted || event == apprt::kEventNewSelection ||
          event == apprt::kEventTabChanging || event == apprt::kEventSelected)
        RefreshWindow();
      break;
    case kOkButton:
      if (event == apprt::kEventAccepted) AskForCompletion(l_.LocalRequest);
      break;
    case kCancelButton:
      if (event == apprt::kEventAccepted) {
        l_.LocalResponse = 2;
        apprt::POST(apprt::kEventCloseWindow);
      }
      break;
    default:
      break;
  }
}

// The form has no duplicate check of its own: FS2:KEYCODE takes duplicates.
bool UpdateFesk2Procedure::completeInsert() {
  FESK2.add();
  if (apprt::ERRCODE() == apprt::kNoError) {
    l_.LocalResponse = 1;
    apprt::POST(apprt::kEventCloseWindow);
    return true;
  }
  if (ShowWarning(kWarnInsertError) == 0) return true;
  apprt::SELECT(kCodePrompt);
  return false;
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
