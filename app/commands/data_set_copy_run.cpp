#include "app/commands/data_set_copy_run.h"

#include <iostream>

#include "app/commands/command_support.h"
#include "app/commands/interruption.h"
#include "app/commands/progress_line.h"
#include "app/data_sets/file_creation_mask.h"
#include "records/counted.h"
#include "records/data_set_copy.h"

namespace fesk {
namespace {

int copyOpened(std::string_view command, const DataSetCopyRun& run) {
  NamedDataSet from;
  NamedDataSet to;
  std::string why;
  if (!openNamedDataSet(run.from, DataSetUse::kRead, from, why)) {
    return commandFailure(command, why);
  }
  if (const int status = readableDataSet(from.choice, *from.driver, why); status != kDone) {
    return refuse(command, status, why);
  }
  const bool alone = run.replace || run.takeTargetAlone;
  if (!openNamedDataSet(run.to, alone ? DataSetUse::kReplace : DataSetUse::kWrite, to, why)) {
    return commandFailure(command, why);
  }
  if (run.confirm && !run.confirm(from, to)) return commandFailure(command, "nothing was copied");
  const InterruptionGuard interruption;
  std::optional<ProgressLine> progress(std::in_place, "Copying " + from.choice.name, "records");
  records::CopyOptions options;
  options.replace = run.replace;
  options.targetAlone = run.takeTargetAlone;
  options.progress = [&](std::uint64_t copied) {
    progress->show(copied);
    return !InterruptionGuard::interrupted();
  };
  const auto outcome = records::copyDataSet(*from.driver, *to.driver, options);
  progress.reset();
  if (outcome.stopped) {
    commandFailure(command, "interrupted; " + to.choice.name + " is as it was");
    return kInterruptedStatus;
  }
  if (outcome.targetHoldsRecords) {
    return commandFailure(command,
                          to.choice.name + " already holds records; --replace replaces them");
  }
  if (!outcome.done)
    return commandFailure(command, outcome.why + "; " + to.choice.name + " is as it was");
  std::string counts;
  for (const auto& count : outcome.counts) {
    counts += (counts.empty() ? "" : ", ") + count.file + ": " +
              records::counted(count.records, "record");
  }
  std::cout << counts << " copied from " << from.choice.name << " to " << to.choice.name << ".\n";
  return kDone;
}

}  // namespace

int runDataSetCopy(std::string_view command, const DataSetCopyRun& run) {
  for (const auto& [choice, use] :
       {std::pair{&run.from, DataSetUse::kRead}, std::pair{&run.to, DataSetUse::kWrite}}) {
    if (const std::string why = dataSetMistake(*choice, use); !why.empty()) {
      return refuse(command, kUsageError, why);
    }
  }
  if (sameDataSet(run.from, run.to)) {
    return usageMistake(command, run.from.name + " and " + run.to.name + " are the same data set");
  }
  maskNewFilesFor(run.to);
  const auto before = run.to.kind->notePlace(run.to);
  // The data sets are closed (and their locks let go) when copyOpened ends,
  // before what it added is taken away.
  const int status = copyOpened(command, run);
  if (status != kDone) before->undo();
  return status;
}

}  // namespace fesk
