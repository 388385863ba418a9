// fesk export FILE [--order code|name] [--output PATH] [--bom]: a data file as CSV.
#include <unistd.h>

#include <iostream>

#include "app/commands/command_support.h"
#include "app/commands/interruption.h"
#include "app/commands/progress_line.h"
#include "app/commands/record_commands.h"
#include "app/data_sets/data_set.h"
#include "data/data_files.h"
#include "records/csv_export.h"
#include "records/csv_format.h"
#include "runtime/files/replaced_file.h"
#include "runtime/text/ascii_case.h"

namespace fesk {
namespace {

constexpr std::string_view kCommand = "export";

// The key whose first field is named `order` (code, name), or null.
const apprt::KeyDeclaration* keyForOrder(const apprt::FileDeclaration& file,
                                         std::string_view name) {
  const std::string order = apprt::asciiUpper(name);
  for (const auto& key : file.keys()) {
    if (records::csvHeading(file.fields()[key.fields.front()]) == order) return &key;
  }
  return nullptr;
}

int runExport(ArgumentReader& arguments) {
  DataSetOptions dataSet;
  std::optional<std::string> order;
  std::optional<std::string> output;
  bool byteOrderMark = false;
  const auto rest = readCommandArguments(arguments, [&] {
    if (!arguments.flag("--bom")) {
      return readDataSetOption(arguments, dataSet) || arguments.option("--order", order) ||
             arguments.option("--output", output);
    }
    byteOrderMark = true;
    return true;
  });
  const apprt::FileDeclaration* file = rest.size() == 1 ? dataFileNamed(rest[0]) : nullptr;
  if (!arguments.failed() && !file) arguments.fail("name the data file to export: FESK1 or FESK2");
  const apprt::KeyDeclaration* key = file ? &file->key(0) : nullptr;
  if (!arguments.failed() && order && !(key = keyForOrder(*file, *order))) {
    arguments.fail(file->fileName() + " has no order " + *order);
  }
  if (arguments.failed()) return usageMistake(kCommand, arguments.error());

  if (const int status = useDataFiles(kCommand, dataSet, DataSetUse::kRead); status != kDone) {
    return status;
  }
  std::string why;

  std::optional<apprt::ReplacedFile> outputFile;
  if (!openOutput(output, outputFile, why)) return commandFailure(kCommand, why);
  std::ostream& out = outputFile ? outputFile->stream() : std::cout;
  if (byteOrderMark) out << records::kByteOrderMark;
  // The CSV going to this terminal would be broken up by the progress line.
  const bool showProgress = outputFile || isatty(STDOUT_FILENO) == 0;
  const InterruptionGuard interruption;
  ProgressLine progress("Exporting " + file->fileName(), "records");
  const auto outcome = records::exportCsv(*file, *key, out, [&](std::uint64_t written) {
    if (showProgress) progress.show(written);
    return !InterruptionGuard::interrupted();
  });
  if (outcome.stopped) {
    commandFailure(kCommand, "interrupted");
    return kInterruptedStatus;
  }
  if (!outcome.done) return commandFailure(kCommand, outcome.why);
  if (outputFile && !outputFile->commit(why)) return commandFailure(kCommand, why);
  return 0;
}

}  // namespace

const Command kExportCommand{
    "export",
    "  fesk export FESK1|FESK2 [--order code|name] [--output PATH] [--bom]\n"
    "                     writes the file as CSV in the order of its code (or name) key,\n"
    "                     to PATH or to standard output; --bom starts it with a UTF-8 byte\n"
    "                     order mark, by which spreadsheets know the text is UTF-8\n",
    runExport};

}  // namespace fesk
