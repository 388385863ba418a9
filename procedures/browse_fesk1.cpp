#include "procedures/browse_fesk1.h"

#include <algorithm>
#include <string>
#include <vector>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "procedures/browse_driving.h"
#include "procedures/edit_in_line.h"
#include "procedures/history_window.h"
#include "procedures/procedure_skeleton.h"
#include "procedures/request_codes.h"
#include "procedures/update_fesk1.h"
#include "runtime/files/file_position.h"
#include "runtime/frontend/remembered.h"
#include "runtime/text/key_text.h"
#include "runtime/threads/program.h"
#include "runtime/windows/queue.h"

namespace fesk {
namespace {

// Field numbers of the window "fesk$FESK002".
constexpr int16_t kList = 1;
constexpr int kSheet = 2;
constexpr int kSelectButton = 3;
constexpr int kInsertButton = 4;
constexpr int kChangeButton = 5;
constexpr int kDeleteButton = 6;
constexpr int kInLineButton = 7;
constexpr int kCloseButton = 8;

// What the next browse window starts with, as the user left the last one.
constexpr const char* kInLineChoice = "browse/inline";  // "on", "off"
constexpr const char* kOrderChoice = "browse/order";    // "code", "name"

// Both sort orders show the same two columns.
constexpr const char* kListFormat = "80L(2)|M~code~L(2)@S20@80L(2)|M~name~L(2)@S20@";

// One row of the list: the record's code and name, and its stored position.
struct Fesk1ListEntry {
  std::string CODE;
  std::string NAME;
  std::string POSITION;
};

std::vector<std::string> queueTexts(const Fesk1ListEntry& entry) {
  return {entry.CODE, entry.NAME};
}

struct SortOrderEntry {
  std::string ORDERNAME;      // "SQ1:ORDERNAME"
  std::string SEARCHPICTURE;  // "SQ1:SEARCHPICTURE"
  std::string ORDERFORMAT;    // "SQ1:ORDERFORMAT"
};

class BrowseFesk1Procedure {
 public:
  void run();

 private:
  void handleEvent();
  void LoadSortOrders();
  void changeSortOrder();
  void fitPageToList();
  void selectRecord();
  void showHistory();
  void toggleInLine();
  void DriveBrowse();
  void actOnRequest(int action);
  void editInLine(int action);
  void setButtonStates();
  void RefreshWindow();
  void LocatorKey();
  void ReturnFromProc();

  bool selectMode() const { return l_.LocalRequest == kSelectRecordRequest; }
  // The key of the sort order in force: the sheet has a tab for each order.
  const apprt::KeyDeclaration& currentKey() const {
    return CurrentSortOrder == kSortByName ? FES_KEYNAME : FES_KEYCODE;
  }

  // The queues outlive the window that shows them (freed at the exit point).
  apprt::Queue<SortOrderEntry> SortOrderQueue;
  apprt::Queue<Fesk1ListEntry> Fesk1ListQueue;
  ProcedureLocals l_;
  uint8_t CurrentSortOrder = kSortByCode;
  uint8_t InLineOn = 1;
  int LastSelected = 0;
};

constexpr const char* kModule = "fesk$FESK002";
constexpr const char* kWindowLabel = "P1$QUICKWINDOW";

void BrowseFesk1Procedure::run() {
  l_.ProcWindow = apprt::loadWindow(kModule, kWindowLabel);
  apprt::bindList(kList, Fesk1ListQueue);
  ProcedureExit exitPoint;
  TakeRequest(l_);

  ThreadBlock& block = threadBlock();
  if (block.Fesk1OpenCount == 0) OpenDataFile(FESK1);
  ++block.Fesk1OpenCount;

  ShowProcWindow(l_);
  if (selectMode()) {
    apprt::UNHIDE(kSelectButton);
    apprt::ENABLE(kSelectButton);
  } else {
    apprt::HIDE(kSelectButton);
    apprt::DISABLE(kSelectButton);
  }
  if (apprt::getProp(kList, apprt::kPropHideUntilLoaded)) apprt::HIDE(kList);
  apprt::alert(kKeyHistory);
  InLineOn = apprt::rememberedChoice(kInLineChoice, "on") == "on" ? 1 : 0;
  apprt::setPropText(kInLineButton, apprt::kPropText, InLineOn ? "InLine On" : "InLine Off");
  LoadSortOrders();
  apprt::SELECT(kList);

  apprt::startEventLoop();
  while (!apprt::endEventLoop()) handleEvent();
  ReturnFromProc();
}

void BrowseFesk1Procedure::handleEvent() {
  if (int selected = apprt::SELECTED()) LastSelected = selected;
  if (HistoryRequested()) {
    showHistory();
    return;
  }
  switch (apprt::EVENT()) {
    case apprt::kEventOpenWindow:
      if (!l_.Initialised) {
        RefreshWindow();
        l_.Initialised = 1;
      }
      apprt::SELECT(apprt::FIRSTFIELD());
      if (apprt::getProp(kList, apprt::kPropHide)) apprt::UNHIDE(kList);
      break;
    case apprt::kEventGainFocus:
      if (l_.Initialised)
        l_.RefreshNeeded = 1;
      else
        l_.Initialised = 1;
      RefreshWindow();
      break;
    case apprt::kEventSized:
      fitPageToList();
      break;
    default:
      break;
  }

  const int event = apprt::EVENT();
  switch (apprt::FIELD()) {
    case kList:
      if (event == apprt::kEventAlertKey) LocatorKey();
      DriveBrowse();
      break;
    case kSheet:
      if (event == apprt::kEventNewSelection) changeSortOrder();
      break;
    case kSelectButton:
      if (event == apprt::kEventAccepted) selectRecord();
      break;
    case kInsertButton:
      if (event == apprt::kEventAccepted) apprt::POST(kEventInsertRequest, kList);
      break;
    case kChangeButton:
      if (event == apprt::kEventAccepted) apprt::POST(kEventChangeRequest, kList);
      break;
    case kDeleteButton:
      if (event == apprt::kEventAccepted) apprt::POST(kEventDeleteRequest, kList);
      break;
    case kInLineButton:
      if (event == apprt::kEventAccepted) toggleInLine();
      break;
    case kCloseButton:
      if (event == apprt::kEventAccepted) {
        l_.LocalResponse = kResponseCancelled;
        apprt::POST(apprt::kEventCloseWindow);
      }
      break;
    default:
      break;
  }
}

void BrowseFesk1Procedure::LoadSortOrders() {
  SortOrderQueue.free();
  for (const char* name : {"FES:Keycode", "FES:Keyname"}) {
    SortOrderQueue.buffer = {name, "", kListFormat};
    SortOrderQueue.add();
  }
  CurrentSortOrder =
      apprt::rememberedChoice(kOrderChoice, "code") == "name" ? kSortByName : kSortByCode;
  SortOrderQueue.get(CurrentSortOrder);
  apprt::SELECT(kSheet, CurrentSortOrder);
  apprt::setPropText(kList, apprt::kPropFormat, SortOrderQueue.buffer.ORDERFORMAT);
}

void BrowseFesk1Procedure::changeSortOrder() {
  const int chosen = apprt::CHOICE(kSheet);
  if (chosen < 1 || !SortOrderQueue.get(static_cast<size_t>(chosen))) return;
  CurrentSortOrder = static_cast<uint8_t>(chosen);
  apprt::rememberChoice(kOrderChoice, CurrentSortOrder == kSortByName ? "name" : "code");
  apprt::setPropText(kList, apprt::kPropFormat, SortOrderQueue.buffer.ORDERFORMAT);
  SetBrowseSwitch(kList, kBrowseRows,
                  static_cast<uint8_t>(apprt::getProp(kList, apprt::kPropItems)));
  ReloadBrowseWith(kList, kBrowseSetToPosition, kRepositionOnRecord);
  DriveBrowse();
}

// A list made taller or shorter (the window was resized) shows a page of the
// rows that now fit, loaded anew around the selected record.
void BrowseFesk1Procedure::fitPageToList() {
  const auto rows = static_cast<uint8_t>(apprt::getProp(kList, apprt::kPropItems));
  if (rows == BrowseSwitch(kList, kBrowseRows)) return;
  SetBrowseSwitch(kList, kBrowseRows, rows);
  ReloadBrowseWith(kList, kBrowseSetToItem, kReloadOnSelected);
  DriveBrowse();
}

void BrowseFesk1Procedure::selectRecord() {
  const int row = BrowseSwitch(kList, kBrowseCurItem);
  if (row > 0 && Fesk1ListQueue.get(static_cast<size_t>(row)))
    FESK1.reget(Fesk1ListQueue.buffer.POSITION);
  CloseWithChoiceMade(l_);
}

// The history of the selected row's record, in this thread.
void BrowseFesk1Procedure::showHistory() {
  const int row = BrowseSwitch(kList, kBrowseCurItem);
  if (row < 1 || !Fesk1ListQueue.get(static_cast<size_t>(row))) {
    apprt::beep();
    return;
  }
  const auto position = apprt::decodePosition(FESK1, Fesk1ListQueue.buffer.POSITION);
  ShowFesk1History(position ? position->identity : 0, Fesk1ListQueue.buffer.CODE);
  apprt::SELECT(kList);
}

// The button always names the mode now in force.
void BrowseFesk1Procedure::toggleInLine() {
  InLineOn = InLineOn ? 0 : 1;
  apprt::rememberChoice(kInLineChoice, InLineOn ? "on" : "off");
  apprt::setPropText(kInLineButton, apprt::kPropText, InLineOn ? "InLine On" : "InLine Off");
  // SELECT of field 0 would start a completion: no list has loaded yet.
  if (engineState().LastListField != 0) apprt::SELECT(engineState().LastListField);
}

void BrowseFesk1Procedure::DriveBrowse() {
  if (!RegisterBrowseOnce(kList, selectMode())) return;
  SetBrowseSwitch(kList, kBrowseInsertMode, InLineOn ? kInsertAtTop : kInsertThroughForm);
  // Find Next looks for a word in the names, whatever the order.
  SetBrowseFindField(kList, static_cast<uint8_t>(FES_KEYNAME.components.front()));
  BrowseRange noRange;
  noRange.rangeIsNumber = 1;
  DriveUntilEventDone(kList, {.runEngine =
                                  [&] {
                                    KX_RunBrowse(kList, FESK1, nullptr, currentKey(),
                                                 Fesk1ListQueue, Fesk1ListQueue.buffer.POSITION,
                                                 noRange);
                                  },
                              .fillRow =
                                  [this] {
                                    Fesk1ListQueue.buffer.CODE = FESK1.buffer().CODE.text();
                                    Fesk1ListQueue.buffer.NAME = FESK1.buffer().NAME.text();
                                  },
                              .serveRequest = [this](int action) { actOnRequest(action); },
                              .rowSelected = [this] { CloseWithChoiceMade(l_); },
                              .refreshButtons = [this] { setButtonStates(); }});
}

void BrowseFesk1Procedure::setButtonStates() {
  const bool hasRows = Fesk1ListQueue.records() > 0;
  if (selectMode()) {
    if (hasRows)
      apprt::ENABLE(kSelectButton);
    else
      apprt::DISABLE(kSelectButton);
  }
  SetRequestButtonStates(kList, hasRows, {kInsertButton, kChangeButton, kDeleteButton});
}

// Insert, change and delete: in the list's row when in-line editing is on,
// otherwise through the form.
void BrowseFesk1Procedure::actOnRequest(int action) {
  if (action == kActionInsert) {
    FESK1.getByPosition("");
    FESK1.clear();
  }
  if (InLineOn)
    editInLine(action);
  else
    ServeRequestThroughForm(kList, action, UpdateFesk1);
}

// The sheet cannot change the order under a row being edited.
void BrowseFesk1Procedure::editInLine(int action) {
  apprt::DISABLE(kSheet);
  EditInLine(kList, action, CurrentSortOrder);
  apprt::ENABLE(kSheet);
  const bool completed = threadBlock().ResponseCode == kResponseCompleted;
  if (action == kActionDelete) {
    ReloadBrowseWith(kList, kBrowseSetToItem, kReloadOnSelected);
  } else if (action == kActionChange || completed) {
    ReloadBrowseWith(kList, kBrowseSetToPosition, kRepositionOnRecord);
  } else {
    // The blank row of the insert that was left goes, and the list is read
    // again from the top.
    if (Fesk1ListQueue.get(Fesk1ListQueue.pointer()) && Fesk1ListQueue.buffer.POSITION.empty())
      Fesk1ListQueue.remove();
    apprt::POST(apprt::kEventScrollTop, kList);
  }
}

void BrowseFesk1Procedure::RefreshWindow() {
  if (apprt::getProp(0, apprt::kPropAcceptAll)) return;
  SetBrowseSwitch(kList, kBrowseAction, kActionLoad);
  SetBrowseSwitch(kList, kBrowseSetToItem, static_cast<uint8_t>(apprt::CHOICE(kList)));
  SetBrowseSwitch(kList, kBrowseDontSelect, 1);
  DriveBrowse();
  apprt::DISPLAY();
  l_.RefreshNeeded = 0;
  if (LastSelected != 0) apprt::SELECT(LastSelected);
}

// A character typed in the list locates the first record whose locator field
// starts with it; typing the same first letter again moves one row down, so
// that repeated presses walk through the records of that letter. A letter
// outside A-Z (an accented one, another script) locates as it was typed.
void BrowseFesk1Procedure::LocatorKey() {
  constexpr int kFirstPadDigit = apprt::kKeyPad0;
  constexpr int kLastPadDigit = apprt::kKeyPad0 + 9;
  constexpr int kPadToDigit = apprt::kKeyPad0 - apprt::kKey0;
  if (apprt::KEYCODE() >= kFirstPadDigit && apprt::KEYCODE() <= kLastPadDigit)
    apprt::SETKEYCODE(apprt::KEYCODE() - kPadToDigit);

  const int key = apprt::KEYCODE();
  const bool plain = key >= '0' && key <= 'Z';
  const bool shifted = key >= apprt::kShift + '0' && key <= apprt::kShift + 'Z';
  std::string typed;
  if (plain || shifted)
    typed = std::string(1, static_cast<char>(key & 0xFF));
  else if (key == apprt::kKeyCharacter)
    typed = apprt::KEYCHAR();
  if (typed.empty()) return;

  auto& locator = CurrentSortOrder == kSortByName ? FESK1.buffer().NAME : FESK1.buffer().CODE;
  // Byte for byte: a UTF-8 character is never the start of another one.
  if (apprt::sameKeyText(locator.view().substr(0, typed.size()), typed)) {
    apprt::POST(apprt::kEventScrollDown, kList);
  } else {
    locator = typed;
  }
  ReloadBrowseWith(kList, kBrowseSetToKey, kSetToKeyLocate);
}

void BrowseFesk1Procedure::ReturnFromProc() {
  // The browse always opened FESK1 in its prologue.
  if (--threadBlock().Fesk1OpenCount == 0) FESK1.close();
  fesk::ReturnFromProc(l_);
  SortOrderQueue.free();
  Fesk1ListQueue.free();
}

}  // namespace

void BrowseFesk1() {
  BrowseFesk1Procedure procedure;
  procedure.run();
}

int FrontBrowseFesk1SortOrder() {
  // The tabs of the sheet are the sort orders, in the order LoadSortOrders
  // adds them.
  const int window = apprt::frontWindow(kModule, kWindowLabel);
  return window ? apprt::CHOICE(kSheet, window) : 0;
}

void ReloadFrontBrowseFesk1() {
  const int window = apprt::frontWindow(kModule, kWindowLabel);
  if (window) apprt::POST(kEventReloadRequest, kList, window);
}

}  // namespace fesk
