#include "app/start/app_frame.h"

#include "app/output/export_list.h"
#include "app/output/print_list.h"
#include "procedures/browse_fesk1.h"
#include "procedures/history_window.h"
#include "procedures/procedure_skeleton.h"
#include "procedures/undo_change.h"
#include "runtime/threads/program.h"

namespace fesk {
namespace {

constexpr int kFeskMenuItem = -4;
constexpr int kPrintListItem = -16;
constexpr int kExportListItem = -17;
constexpr int kUndoItem = -19;
constexpr int kHistoryItem = -20;
constexpr int kDeletedRecordsItem = -21;
constexpr size_t kBrowseStackBytes = 25000;

}  // namespace

void AppFrame() {
  ProcedureLocals l;
  l.ProcWindow = apprt::loadWindow("fesk$FESK001", "P1$APPFRAME");
  ProcedureExit exit;
  TakeRequest(l);
  DiscardPendingRightClick();
  OpenProcWindow(l);
  apprt::startEventLoop();
  while (!apprt::endEventLoop(0)) {
    switch (apprt::EVENT()) {
      case apprt::kEventOpenWindow:
        if (!l.Initialised) {
          RefreshWindow(l);  // the frame's initial display is its refresh
          l.Initialised = 1;
        }
        apprt::SELECT(1);
        break;
      case apprt::kEventGainFocus:
        l.RefreshNeeded = 1;
        RefreshWindow(l);
        l.Initialised = 1;
        break;
      case apprt::kEventRejected:
        apprt::beep();
        apprt::DISPLAY(apprt::FIELD());
        apprt::SELECT(apprt::FIELD());
        break;
      default:
        break;
    }
    // Each choice opens one more browse window; the frame neither waits for
    // it nor limits how many run.
    if (apprt::ACCEPTED() == kFeskMenuItem) apprt::START(BrowseFesk1, kBrowseStackBytes);
    if (apprt::ACCEPTED() == kPrintListItem) PrintList();
    if (apprt::ACCEPTED() == kExportListItem) ExportList();
    if (apprt::ACCEPTED() == kUndoItem) UndoLastChange();
    if (apprt::ACCEPTED() == kHistoryItem) RequestHistoryOfFront();
    if (apprt::ACCEPTED() == kDeletedRecordsItem) {
      apprt::START(DeletedFesk1Records, kBrowseStackBytes);
    }
  }
  ReturnFromProc(l);
}

}  // namespace fesk
