// fesk history [FILE] [--code CODE] [--since DATE] [--output PATH] and
// fesk history --prune-before DATE: the history of every change, as CSV, and
// its pruning.
#include <iostream>

#include "app/commands/command_support.h"
#include "app/commands/record_commands.h"
#include "app/data_sets/data_set.h"
#include "data/data_files.h"
#include "records/history_csv.h"
#include "runtime/files/replaced_file.h"

namespace fesk {
namespace {

constexpr std::string_view kCommand = "history";

int prune(const DataSetOptions& dataSet, const std::string& before) {
  if (const int status = useDataFiles(kCommand, dataSet, DataSetUse::kWrite); status != kDone) {
    return status;
  }
  const auto outcome = records::pruneHistoryBefore(before);
  if (!outcome.done) return commandFailure(kCommand, outcome.why);
  std::cout << outcome.entries << (outcome.entries == 1 ? " entry" : " entries")
            << " of the history before " << before << " removed.\n";
  return kDone;
}

int runHistory(ArgumentReader& arguments) {
  DataSetOptions dataSet;
  records::HistoryChoice choice;
  std::optional<std::string> since;
  std::optional<std::string> output;
  std::optional<std::string> pruneBefore;
  const auto rest = readCommandArguments(arguments, [&] {
    return readDataSetOption(arguments, dataSet) || arguments.option("--code", choice.code) ||
           arguments.option("--since", since) || arguments.option("--output", output) ||
           arguments.option("--prune-before", pruneBefore);
  });
  if (!arguments.failed() && rest.size() > 1) arguments.fail("name at most one data file");
  if (!arguments.failed() && rest.size() == 1 && !(choice.file = dataFileNamed(rest[0]))) {
    arguments.fail("there is no data file " + rest[0] + ": name FESK1 or FESK2");
  }
  for (const auto* moment : {&since, &pruneBefore}) {
    if (!arguments.failed() && *moment && !records::isHistoryMoment(**moment)) {
      arguments.fail("\"" + **moment + "\" is no date: write YYYY-MM-DD, optionally with THH:MM");
    }
  }
  if (!arguments.failed() && pruneBefore && (since || output || choice.code || choice.file)) {
    arguments.fail("--prune-before takes no other choice but the data set");
  }
  if (arguments.failed()) return usageMistake(kCommand, arguments.error());
  if (pruneBefore) return prune(dataSet, *pruneBefore);
  choice.since = since.value_or("");

  if (const int status = useDataFiles(kCommand, dataSet, DataSetUse::kRead); status != kDone) {
    return status;
  }
  std::string why;
  std::optional<apprt::ReplacedFile> outputFile;
  if (!openOutput(output, outputFile, why)) return commandFailure(kCommand, why);
  const auto outcome =
      records::writeHistoryCsv(choice, outputFile ? outputFile->stream() : std::cout);
  if (!outcome.done) return commandFailure(kCommand, outcome.why);
  if (outputFile && !outputFile->commit(why)) return commandFailure(kCommand, why);
  return kDone;
}

}  // namespace

const Command kHistoryCommand{
    "history",
    "  fesk history [FESK1|FESK2] [--code CODE] [--since DATE] [--output PATH]\n"
    "                     writes the history of every change, newest first, as CSV (of\n"
    "                     one file, of the records that had or got CODE, from DATE on:\n"
    "                     YYYY-MM-DD[THH:MM[:SS]], UTC) to PATH or to standard output\n"
    "  fesk history --prune-before DATE\n"
    "                     removes the entries older than DATE, in one transaction\n",
    runHistory};

}  // namespace fesk
