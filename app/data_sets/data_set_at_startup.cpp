#include "app/data_sets/data_set_at_startup.h"

#include <optional>

#include "app/commands/exit_status.h"
#include "runtime/frontend/constants.h"
#include "runtime/threads/program.h"
#include "runtime/windows/unreachable_store.h"
#include "runtime/windows/windows.h"

namespace fesk {
namespace {

// What the program still waits for, and why the last try failed.
struct Awaited {
  DataSetOptions options;
  std::string title;  // of the window that tells why, its kind's
  std::string why;
};
std::optional<Awaited> gAwaited;

// Quit is the default: a script with no answer for the box ends as a program
// that could not start always did, instead of trying for ever.
int askAboutDataSet(const Awaited& awaited) {
  return apprt::messageBox(apprt::asSentence(awaited.why) +
                               "\n\nfesk cannot start without its data: Retry once it can be "
                               "used again, or Quit.",
                           awaited.title, apprt::Icon::Warning,
                           apprt::kButtonRetry + apprt::kButtonQuit, apprt::kButtonQuit);
}

}  // namespace

int chooseProgramDataSet(const DataSetOptions& options, std::string& why) {
  gAwaited.reset();
  const int status = useDataSet(options, DataSetUse::kWrite, why);
  if (status == kCommandFailed) {
    DataSetChoice choice;
    std::string chosen;  // the options were read once already
    chooseDataSet(options, choice, chosen);
    gAwaited = Awaited{options, std::string(choice.kind->unavailableTitle()), why};
  }
  return status;
}

void AwaitDataSet() {
  while (gAwaited) {
    if (askAboutDataSet(*gAwaited) != apprt::kButtonRetry) {
      apprt::HALT(kUsageError, gAwaited->why);
    }
    if (useDataSet(gAwaited->options, DataSetUse::kWrite, gAwaited->why) == kDone) {
      gAwaited.reset();
    }
  }
}

}  // namespace fesk
