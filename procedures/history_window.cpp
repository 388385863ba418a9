#include "procedures/history_window.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/data_files.h"
#include "data/fesk2_children.h"
#include "data/record_writes.h"
#include "procedures/browse_fesk1.h"
#include "procedures/deleted_record.h"
#include "procedures/history_line.h"
#include "procedures/history_pages.h"
#include "procedures/procedure_skeleton.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_position.h"
#include "runtime/windows/queue.h"
#include "warnings/saved_error.h"
#include "warnings/show_warning.h"

namespace fesk {

namespace {

// Field numbers of the window "fesk$FESK006".
constexpr int kList = 1;
constexpr int kUndeleteButton = 2;
constexpr int kHistoryButton = 3;
constexpr int kCloseButton = 4;

constexpr const char* kModule = "fesk$FESK006";
constexpr const char* kWindowLabel = "P1$HISTORYWINDOW";
constexpr const char* kUndeleteTitle = "Undelete";

// The identities of the FESK2 records filed under `code` now; false when a
// read failed (reported). The thread's FESK2 buffer is left as it was (a
// change form's child list may show it).
bool childrenOf(const std::string& code, std::vector<apprt::RecordIdentity>& children) {
  const Fesk2Record kept = FESK2.buffer();
  const bool read = ForEachFesk2Of(code, [&] {
    if (const auto at = apprt::decodePosition(FESK2, FESK2.positionByFile())) {
      children.push_back(at->identity);
    }
    return true;
  });
  if (!read) ShowFesk2ReadFailure();
  FESK2.buffer() = kept;
  return read;
}

// The rows the window's list shows: a page of the history.
std::size_t listRows() {
  return static_cast<std::size_t>(std::max(1L, apprt::getProp(kList, apprt::kPropItems)));
}

// The entries of one record of `file`.
HistoryPart recordPart(const apprt::FileDeclaration& file, apprt::RecordIdentity record) {
  HistoryPart part{.file = &file, .read = {}};
  part.read.record = record;
  return part;
}

std::string historyTitle(const std::string& code) {
  return "History of the fesk1 record \"" + code + "\"";
}

class HistoryWindow {
 public:
  HistoryWindow(std::vector<HistoryPart> parts, std::string title, bool deletes)
      : pages_(std::move(parts), 1), title_(std::move(title)), deletes_(deletes) {}
  void run();

 private:
  void handleEvent();
  void show(int row);
  void selectRow(int row);
  void move(int event);
  const PagedEntry* selected() const;
  void undelete();
  void historyOfSelected();
  void failedRead();

  apprt::Queue<HistoryLine> lines_;
  HistoryPages pages_;
  std::string title_;
  bool deletes_;
  ProcedureLocals l_;
};

void HistoryWindow::run() {
  l_.ProcWindow = apprt::loadWindow(kModule, kWindowLabel);
  apprt::bindList(kList, lines_);
  ProcedureExit exitPoint;
  AcquireFesk1();
  AcquireFesk2();
  OpenProcWindow(l_);
  apprt::setPropText(0, apprt::kPropText, title_);
  if (!deletes_) {
    apprt::HIDE(kUndeleteButton);
    apprt::HIDE(kHistoryButton);
  }
  apprt::alert(kKeyHistory);
  pages_.setRows(listRows());
  if (!pages_.toNewest()) failedRead();
  show(1);
  apprt::SELECT(kList);
  apprt::startEventLoop();
  while (!apprt::endEventLoop()) handleEvent();
  lines_.free();
  fesk::ReturnFromProc(l_);
  ReleaseFesk2();
  ReleaseFesk1();
}

void HistoryWindow::handleEvent() {
  const int event = apprt::EVENT();
  switch (apprt::FIELD()) {
    case kList:
      if (event == apprt::kEventAlertKey && apprt::KEYCODE() == kKeyHistory) {
        if (deletes_) historyOfSelected();
      } else if (event >= apprt::kEventScrollUp && event <= apprt::kEventScrollBottom) {
        move(event);
      } else if (event == apprt::kEventScrollDrag) {
        // The thumb let go of in the upper half goes to the newest entries, in
        // the lower half to the oldest, as in a browse without a thumb that
        // locates.
        move(apprt::getProp(kList, apprt::kPropVScrollPos) > apprt::kThumbMiddle
                 ? apprt::kEventScrollBottom
                 : apprt::kEventScrollTop);
      } else if (event == apprt::kEventNewSelection) {
        selectRow(apprt::CHOICE(kList));
      }
      break;
    case kUndeleteButton:
      if (event == apprt::kEventAccepted) undelete();
      break;
    case kHistoryButton:
      if (event == apprt::kEventAccepted) historyOfSelected();
      break;
    case kCloseButton:
      if (event == apprt::kEventAccepted) apprt::POST(apprt::kEventCloseWindow);
      break;
    default:
      break;
  }
}

// The page into the list, row `row` selected (the nearest row there is).
void HistoryWindow::show(int row) {
  lines_.free();
  for (const PagedEntry& paged : pages_.page()) {
    const apprt::FileDeclaration& file =
        paged.part == 0 || deletes_ ? static_cast<const apprt::FileDeclaration&>(FESK1) : FESK2;
    lines_.buffer = historyLine(file, paged.entry);
    lines_.add();
  }
  apprt::DISPLAY(kList);
  selectRow(std::clamp(row, lines_.records() == 0 ? 0 : 1, static_cast<int>(lines_.records())));
}

void HistoryWindow::selectRow(int row) {
  if (row > 0) apprt::SELECT(kList, row);
  const PagedEntry* entry = row > 0 ? selected() : nullptr;
  const bool deletedRecord = entry && deletes_;
  if (deletedRecord) {
    apprt::ENABLE(kUndeleteButton);
    apprt::ENABLE(kHistoryButton);
  } else {
    apprt::DISABLE(kUndeleteButton);
    apprt::DISABLE(kHistoryButton);
  }
}

const PagedEntry* HistoryWindow::selected() const {
  const int row = apprt::CHOICE(kList);
  if (row < 1 || static_cast<std::size_t>(row) > pages_.page().size()) return nullptr;
  return &pages_.page()[static_cast<std::size_t>(row) - 1];
}

// The keys and the scroll bar as in the program's other lists: a row up or
// down (the page moves by one at its edge), a page (from the page's edge
// row), the newest or the oldest.
void HistoryWindow::move(int event) {
  const int row = apprt::CHOICE(kList);
  const int rows = static_cast<int>(lines_.records());
  const std::size_t pageRows = listRows();
  pages_.setRows(pageRows);
  bool moved = true;
  bool read = true;
  int to = row;
  switch (event) {
    case apprt::kEventScrollUp:
      if (row > 1) {
        selectRow(row - 1);
        return;
      }
      read = pages_.newer(1, moved);
      break;
    case apprt::kEventScrollDown:
      if (row < rows) {
        selectRow(row + 1);
        return;
      }
      read = pages_.older(1, moved);
      break;
    case apprt::kEventPageUp:
      // The first press goes to the page's first row, the next one pages.
      if (row > 1) {
        selectRow(1);
        return;
      }
      read = pages_.newer(pageRows, moved);
      break;
    case apprt::kEventPageDown:
      if (row < rows) {
        selectRow(rows);
        return;
      }
      read = pages_.older(pageRows, moved);
      break;
    case apprt::kEventScrollTop:
      read = pages_.toNewest();
      to = 1;
      break;
    default:
      read = pages_.toOldest();
      to = static_cast<int>(pages_.page().size());
      break;
  }
  if (!read) {
    failedRead();
    return;
  }
  if (!moved && to == row) apprt::beep();
  show(to);
  // The thumb tells where the page is: at an end once it is there, else between.
  const bool newest = event == apprt::kEventScrollTop ||
                      (!moved && (event == apprt::kEventScrollUp || event == apprt::kEventPageUp));
  const bool oldest =
      event == apprt::kEventScrollBottom ||
      (!moved && (event == apprt::kEventScrollDown || event == apprt::kEventPageDown));
  apprt::setProp(kList, apprt::kPropVScrollPos,
                 newest   ? apprt::kThumbTop
                 : oldest ? apprt::kThumbBottom
                          : apprt::kThumbMiddle);
}

void HistoryWindow::failedRead() {
  SaveFileError();
  ShowWarning(kWarnRetrievalError, kFesk1Label);
}

// The deleted record comes back with the FESK2 records deleted with it.
void HistoryWindow::undelete() {
  const PagedEntry* entry = selected();
  if (!entry || entry->entry.action != "delete" || entry->entry.before.empty()) return;
  const apprt::HistoryEntry deleted = entry->entry;
  const std::vector<apprt::HistoryEntry> children = ChildrenDeletedWith(deleted);
  if (apprt::ERRCODE() != apprt::kNoError) {
    failedRead();
    return;
  }
  switch (AddBackDeletedFesk1(deleted, children)) {
    case AddBack::kCodeTaken:
      apprt::messageBox("Cannot undelete: another fesk1 record has the code \"" +
                            deleted.before.at(0) + "\" now.",
                        kUndeleteTitle, apprt::Icon::Warning, apprt::kButtonOk, apprt::kButtonOk);
      return;
    case AddBack::kFailed:
      if (apprt::ERRCODE() != apprt::kNoError) failedRead();
      return;
    case AddBack::kDone:
      ReloadFrontBrowseFesk1();
      return;
  }
}

// The history of the deleted record in the selected row, in a window of its own.
void HistoryWindow::historyOfSelected() {
  const PagedEntry* entry = selected();
  if (!entry || entry->entry.before.empty()) return;
  // Its own entries alone: the fesk2 records under its code now are not the
  // ones that were deleted with it.
  const apprt::HistoryEntry deleted = entry->entry;
  HistoryWindow window({recordPart(FESK1, deleted.record)}, historyTitle(deleted.before.at(0)),
                       false);
  window.run();
  apprt::SELECT(kList);
}

// The record's own entries first at the same moment, then its FESK2 records'.
// Nothing when reading FESK2 failed (reported): a history without some of
// the records would look whole.
std::optional<std::vector<HistoryPart>> partsOf(apprt::RecordIdentity record,
                                                const std::string& code) {
  std::vector<apprt::RecordIdentity> children;
  if (!childrenOf(code, children)) return std::nullopt;
  std::vector<HistoryPart> parts{recordPart(FESK1, record)};
  for (const apprt::RecordIdentity child : children) parts.push_back(recordPart(FESK2, child));
  return parts;
}

}  // namespace

bool HistoryRequested() {
  return apprt::EVENT() == kEventHistoryRequest ||
         (apprt::EVENT() == apprt::kEventAlertKey && apprt::KEYCODE() == kKeyHistory);
}

void ShowFesk1History(apprt::RecordIdentity record, const std::string& code) {
  if (record == 0) {
    apprt::beep();
    return;
  }
  AcquireFesk2();
  std::optional<std::vector<HistoryPart>> parts = partsOf(record, code);
  ReleaseFesk2();
  if (!parts) return;
  HistoryWindow window(std::move(*parts), historyTitle(code), false);
  window.run();
}

void DeletedFesk1Records() {
  std::vector<HistoryPart> parts{{.file = &FESK1, .read = {}}};
  parts.back().read.deletesOnly = true;
  HistoryWindow window(std::move(parts), "Deleted Records", true);
  window.run();
}

void RequestHistoryOfFront() {
  const int window = apprt::frontWindowOf(
      {{"fesk$FESK002", "P1$QUICKWINDOW"}, {"fesk$FESK003", "P1$QUICKWINDOW"}});
  if (window == 0) {
    apprt::beep();
    return;
  }
  apprt::POST(kEventHistoryRequest, 0, window);
}

}  // namespace fesk
