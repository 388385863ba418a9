#include "app/data_set_copy_run.h"

#include <iostream>
#include <set>

#include "app/command_support.h"
#include "app/file_creation_mask.h"
#include "app/interruption.h"
#include "app/progress_line.h"
#include "records/counted.h"
#include "records/data_set_copy.h"

namespace fesk {
namespace {

namespace fs = std::filesystem;

// What a copy may leave in a target directory that it does not finish: the
// directory itself when the copy made it, else the entries it added. Taken
// before the copy; undo() takes away what has come since.
class TargetDirectoryBefore {
 public:
  explicit TargetDirectoryBefore(const DataSetChoice& target) {
    if (target.onServer()) return;
    std::error_code error;
    for (fs::path at = target.directory; !fs::exists(at, error); at = at.parent_path()) {
      made_ = at;
      if (at == at.parent_path()) break;
    }
    directory_ = target.directory;
    if (!made_.empty()) return;
    for (const auto& entry : fs::directory_iterator(directory_, error)) {
      entries_.insert(entry.path().filename());
    }
  }

  void undo() const {
    std::error_code ignored;
    if (!made_.empty()) {
      fs::remove_all(directory_, ignored);
      // Directories made above it are taken away only while empty: another
      // program may have put something there meanwhile.
      for (fs::path at = directory_.parent_path(); at != made_.parent_path();
           at = at.parent_path()) {
        if (!fs::remove(at, ignored)) break;
      }
      return;
    }
    std::vector<fs::path> added;
    for (const auto& entry : fs::directory_iterator(directory_, ignored)) {
      if (!entries_.contains(entry.path().filename())) added.push_back(entry.path());
    }
    for (const auto& path : added) fs::remove(path, ignored);
  }

 private:
  fs::path made_;       // the outermost directory the copy makes, when it makes one
  fs::path directory_;  // the target directory (none on a server)
  std::set<fs::path> entries_;
};

int copyOpened(std::string_view command, const DataSetCopyRun& run) {
  NamedDataSet from;
  NamedDataSet to;
  std::string why;
  if (!openNamedDataSet(run.from, DataSetUse::kRead, from, why)) {
    return commandFailure(command, why);
  }
  if (const int status = readableOnServer(from.choice, *from.driver, why); status != kDone) {
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
  const TargetDirectoryBefore before(run.to);
  // The data sets are closed (and their locks let go) when copyOpened ends,
  // before what it added is taken away.
  const int status = copyOpened(command, run);
  if (status != kDone) before.undo();
  return status;
}

}  // namespace fesk
