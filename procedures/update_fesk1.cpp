#include "procedures/update_fesk1.h"

#include <optional>
#include <string>
#include <vector>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data/record_writes.h"
#include "procedures/browse_driving.h"
#include "procedures/form_steps.h"
#include "procedures/history_window.h"
#include "procedures/procedure_skeleton.h"
#include "procedures/record_field_binding.h"
#include "procedures/request_codes.h"
#include "procedures/update_fesk2.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_position.h"
#include "runtime/threads/program.h"
#include "runtime/windows/queue.h"
#include "warnings/show_warning.h"

namespace fesk {
namespace {

// Field numbers of the window "fesk$FESK003".
constexpr FormFields kFields{.sheet = 1, .codePrompt = 2, .ok = 10, .cancel = 11};
constexpr int kCodeEntry = 3;
constexpr int kNameEntry = 5;
constexpr int16_t kChildList = 6;
constexpr int kChildInsertButton = 7;
constexpr int kChildChangeButton = 8;
constexpr int kChildDeleteButton = 9;

// One row of the child browse: an FESK2 record's code and number, and its
// stored position.
struct Fesk2ListEntry {
  std::string CODE;
  std::string NUMBER;
  std::string POSITION;
};

std::vector<std::string> queueTexts(const Fesk2ListEntry& entry) {
  return {entry.CODE, entry.NUMBER};
}

class UpdateFesk1Procedure {
 public:
  void run();

 private:
  // Answers false when the request was a delete, which ends the procedure
  // without a window.
  bool OpenProcWindow();
  void handleChildControls();
  bool completeForm();  // false when the form stays open after a failed insert
  void completeChange();
  bool storedForChildren();
  void removeWhatWasStored();
  void DriveChildBrowse();
  void showHistory();
  void actOnChildRequest(int action);
  void RefreshWindow();
  void ReturnFromProc();

  apprt::Queue<Fesk2ListEntry> Fesk2ListQueue;  // outlives the window that shows it
  ProcedureLocals l_;
  Fesk1Record SavedRecord{};
  // An insert stores its record when the first FESK2 record is added under
  // it, so that no FESK2 record is ever stored without it; from then on OK
  // writes it as a change, and leaving without OK removes it with its FESK2
  // records. Its position in the file, once stored.
  std::string storedPosition_;
};

void UpdateFesk1Procedure::run() {
  SavedRecord = {};
  l_.ProcWindow = apprt::loadWindow("fesk$FESK003", "P1$QUICKWINDOW");
  apprt::bindEntry(kCodeEntry, bindRecordField([]() -> auto& { return FESK1.buffer().CODE; }));
  apprt::bindEntry(kNameEntry, bindRecordField([]() -> auto& { return FESK1.buffer().NAME; }));
  apprt::bindList(kChildList, Fesk2ListQueue);
  ProcedureExit exitPoint;
  TakeRequest(l_);
  DiscardPendingRightClick();

  if (!OpenProcWindow()) return;
  apprt::setPropText(0, apprt::kPropText, RequestTitle(l_.LocalRequest, "fesk1"));
  std::optional<StoredRecordNotice> notice;
  if (l_.LocalRequest == kChangeRequest) notice.emplace(FESK1, "fesk1");

  const FormSteps steps{.refresh = [this] { RefreshWindow(); },
                        .opened =
                            [] {
                              if (apprt::getProp(kChildList, apprt::kPropHide))
                                apprt::UNHIDE(kChildList);
                            },
                        .complete = [this] { return completeForm(); },
                        .notice = notice ? &*notice : nullptr};
  apprt::startEventLoop();
  int step = apprt::kLoopStepDefault;
  apprt::alert(kKeyHistory);
  while (!apprt::endEventLoop(step)) {
    if (HistoryRequested()) {
      showHistory();
      step = apprt::kLoopStepConsumed;
      continue;
    }
    step = HandleFormEvent(l_, kFields, steps);
    if (step == apprt::kLoopStepDefault) handleChildControls();
  }
  ReturnFromProc();
}

bool UpdateFesk1Procedure::OpenProcWindow() {
  ThreadBlock& block = threadBlock();
  if (block.Fesk1OpenCount == 0) OpenDataFile(FESK1);
  ++block.Fesk1OpenCount;
  AcquireFesk2();
  l_.WindowOpenRequested = 1;

  RememberFesk1Code();
  SavedRecord = FESK1.buffer();
  if (l_.LocalRequest == kDeleteRequest) {
    l_.LocalResponse =
        ConfirmAndDelete(DeleteFesk1Record) ? kResponseCompleted : kResponseCancelled;
    ReturnFromProc();
    return false;
  }
  ShowProcWindow(l_);
  if (apprt::getProp(kChildList, apprt::kPropHideUntilLoaded)) apprt::HIDE(kChildList);
  return true;
}

// The history of the record as stored (a record not stored yet has none).
// The form's buffer, with what the user typed, stays as it is.
void UpdateFesk1Procedure::showHistory() {
  const std::string position =
      l_.LocalRequest == kChangeRequest ? FESK1.positionByFile() : storedPosition_;
  const auto stored = apprt::decodePosition(FESK1, position);
  const auto& code = l_.LocalRequest == kChangeRequest ? SavedRecord.CODE : FESK1.buffer().CODE;
  ShowFesk1History(stored ? stored->identity : 0, std::string(code.text()));
}

// The child browse and its buttons, on the form's second tab.
void UpdateFesk1Procedure::handleChildControls() {
  const bool pressed = apprt::EVENT() == apprt::kEventAccepted;
  switch (apprt::FIELD()) {
    case kChildList:
      DriveChildBrowse();
      break;
    case kChildInsertButton:
      if (pressed) apprt::POST(kEventInsertRequest, kChildList);
      break;
    case kChildChangeButton:
      if (pressed) apprt::POST(kEventChangeRequest, kChildList);
      break;
    case kChildDeleteButton:
      if (pressed) apprt::POST(kEventDeleteRequest, kChildList);
      break;
    default:
      break;
  }
}

bool UpdateFesk1Procedure::completeForm() {
  switch (l_.LocalRequest) {
    case kInsertRequest:
      if (!storedPosition_.empty()) {
        completeChange();
        return true;
      }
      // Only the unique code key can refuse a record; the name key takes duplicates.
      return CompleteInsert(l_, FESK1, &FES_KEYCODE, kFields.codePrompt);
    case kChangeRequest:
      completeChange();
      return true;
    default:
      return true;
  }
}

void UpdateFesk1Procedure::completeChange() {
  // An insert stored for its children is written whatever changed: OK is what
  // completes it.
  const auto changed = [this] {
    const Fesk1Record& now = FESK1.buffer();
    return !storedPosition_.empty() ||
           !(now.CODE == SavedRecord.CODE && now.NAME == SavedRecord.NAME);
  };
  // After a change by another station the form goes on from the version now
  // stored, so a new code must be carried over from that version's code: the
  // children of the code the form opened with may have been given another.
  const auto write = [] {
    const int result = UpdateFesk1Record(false);
    if (result == kWriteChangedElsewhere) RememberFesk1Code();
    return result;
  };
  // A record that another station deleted, kept by the user, is from then on
  // added by OK, as an insert is; the record stored for children went with it.
  const auto gone = [this] {
    l_.LocalRequest = kInsertRequest;
    storedPosition_.clear();
  };
  l_.LocalResponse = SaveChange({.recordChanged = changed,
                                 .writeRecord = write,
                                 .record = EditedFesk1(),
                                 .recordGone = gone,
                                 .focusField = kFields.codePrompt});
}

void UpdateFesk1Procedure::DriveChildBrowse() {
  if (!RegisterBrowseOnce(kChildList, l_.EntryRequest == kSelectRecordRequest)) return;
  DriveUntilEventDone(
      kChildList,
      {.runEngine =
           [this] {
             // The range follows the code in the form, taken afresh for every call.
             const std::string parentCode(FESK1.buffer().CODE.view());
             KX_RunBrowse(kChildList, FESK2, nullptr, FS2_KEYCODE, Fesk2ListQueue,
                          Fesk2ListQueue.buffer.POSITION,
                          BrowseRange{FESK2.buffer().CODE.ref(), parentCode, parentCode, 1, 0});
           },
       .fillRow =
           [this] {
             Fesk2ListQueue.buffer.NUMBER = FESK2.buffer().NUMBER.text();
             Fesk2ListQueue.buffer.CODE = FESK2.buffer().CODE.text();
           },
       .serveRequest = [this](int action) { actOnChildRequest(action); },
       .rowSelected = [this] { CloseWithChoiceMade(l_); },
       .refreshButtons =
           [this] {
             SetRequestButtonStates(kChildList, Fesk2ListQueue.records() > 0,
                                    {kChildInsertButton, kChildChangeButton, kChildDeleteButton});
           }});
}

// The record being inserted is stored before its first FESK2 record (see
// storedPosition_). When it cannot be, the user was told why and the child
// insert does not go on.
bool UpdateFesk1Procedure::storedForChildren() {
  if (l_.LocalRequest != kInsertRequest || !storedPosition_.empty()) return true;
  if (!AddRecordTellingWhy(FESK1, &FES_KEYCODE)) return false;
  storedPosition_ = FESK1.positionByFile();
  RememberFesk1Code();
  SavedRecord = FESK1.buffer();
  return true;
}

// Leaving an insert without OK leaves nothing: the record stored for its
// children goes, and they with it (as stored: what was typed since is not).
void UpdateFesk1Procedure::removeWhatWasStored() {
  FESK1.reget(storedPosition_);
  if (apprt::ERRCODE() != apprt::kNoError) return;  // gone already
  while (DeleteFesk1Record() != kWriteDone) {
    if (ShowWarning(kWarnRetryDelete) != apprt::kButtonYes) return;
  }
}

void UpdateFesk1Procedure::actOnChildRequest(int action) {
  if (action == kActionInsert) {
    if (!storedForChildren()) return;
    FESK2.getByPosition("");
    FESK2.clear();
    FESK2.buffer().CODE = FESK1.buffer().CODE;
  }
  ServeRequestThroughForm(kChildList, action, UpdateFesk2);
}

void UpdateFesk1Procedure::RefreshWindow() {
  if (apprt::getProp(0, apprt::kPropAcceptAll)) return;
  SetBrowseSwitch(kChildList, kBrowseAction, kActionLoad);
  SetBrowseSwitch(kChildList, kBrowseSetToItem, static_cast<uint8_t>(apprt::CHOICE(kChildList)));
  SetBrowseSwitch(kChildList, kBrowseDontSelect, 1);
  DriveChildBrowse();
  apprt::DISPLAY();
  l_.RefreshNeeded = 0;
}

void UpdateFesk1Procedure::ReturnFromProc() {
  if (!storedPosition_.empty() && l_.LocalResponse != kResponseCompleted) removeWhatWasStored();
  if (l_.WindowOpenRequested) {
    if (--threadBlock().Fesk1OpenCount == 0) FESK1.close();
    ReleaseFesk2();
  }
  fesk::ReturnFromProc(l_);
  Fesk2ListQueue.free();
}

}  // namespace

void UpdateFesk1() {
  UpdateFesk1Procedure procedure;
  procedure.run();
}

}  // namespace fesk
