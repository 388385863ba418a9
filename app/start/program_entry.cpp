#include "app/start/program_entry.h"

#include "app/data_sets/data_set.h"
#include "app/data_sets/data_set_at_startup.h"
#include "app/start/app_frame.h"
#include "browse/browse_registry.h"
#include "data/data_files.h"
#include "data/thread_block.h"
#include "resources/resources.h"
#include "runtime/windows/startup.h"

namespace fesk {

// The version of the runtime's program interface that this program is written
// against: a runtime that cannot run it ends the program before it starts.
constexpr int kBuiltForRuntimeVersion = 261;

void InitSavedCode(int code) {
  if (code != 0) return;
  threadBlock().SavedCode = "";
}

void InitModule(int code) {
  if (code != 0) return;
  resources::registerWindowDefinitions();
  ThreadBlock& t = threadBlock();
  t.RequestCode = 0;
  t.ResponseCode = 0;
  t.CancelIfUnchanged = 0;
  FESK1.clear();
  // Both files are bound once, to the process-wide driver, which lives as long
  // as the process.
  bindDataFiles(dataSetDriver());
  FESK2.clear();
}

void MainProcedure() {
  // Every browse of this program starts with extended vertical scrolling off.
  BrowseRegistry.defaults.ExtVScroll = 0;
  AwaitDataSet();
  AppFrame();
}

int ProgramEntry(const FrontEndRunner& runOnFrontEnd) {
  apprt::sysinit(
      {{apprt::kStartupRoutineKind, InitSavedCode}, {apprt::kStartupRoutineKind, InitModule}});
  if (apprt::checkVersion(kBuiltForRuntimeVersion, 0, 0) == 0) return 0;
  apprt::runStartupRoutines();
  return runOnFrontEnd(MainProcedure);
}

}  // namespace fesk
