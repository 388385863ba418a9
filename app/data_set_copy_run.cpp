#include "app/data_set_copy_run.h"

#include <iostream>

#include "app/command_support.h"
#include "app/interruption.h"
#include "app/progress_line.h"
#include "records/data_set_copy.h"

namespace fesk {

int runDataSetCopy(std::string_view command, const DataSetCopyRun& run) {
  NamedDataSet from;
  NamedDataSet to;
  std::string why;
  if (!openNamedDataSet(run.from, DataSetUse::kRead, from, why)) {
    return commandFailure(command, why);
  }
  if (sameDataSet(run.from, run.to)) {
    return usageMistake(command, run.from.name + " and " + run.to.name + " are the same data set");
  }
  if (!openNamedDataSet(run.to, run.replace ? DataSetUse::kReplace : DataSetUse::kWrite, to, why)) {
    return commandFailure(command, why);
  }
  if (run.confirm && !run.confirm(from, to)) return commandFailure(command, "nothing was copied");
  const InterruptionGuard interruption;
  std::optional<ProgressLine> progress(std::in_place, "Copying " + from.choice.name, "records");
  records::CopyOptions options;
  options.replace = run.replace;
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
    counts += (counts.empty() ? "" : ", ") + count.file + ": " + std::to_string(count.records) +
              " records";
  }
  std::cout << counts << " copied from " << from.choice.name << " to " << to.choice.name << ".\n";
  return 0;
}

}  // namespace fesk
