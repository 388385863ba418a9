// fesk import FILE PATH [--skip-bad]: adds the records of a CSV, all or none.
#include <fstream>
#include <iostream>

#include "app/command_support.h"
#include "app/data_set.h"
#include "app/interruption.h"
#include "app/progress_line.h"
#include "app/record_commands.h"
#include "data/data_files.h"
#include "records/csv_import.h"

namespace fesk {
namespace {

constexpr std::string_view kCommand = "import";

std::string rowsText(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " bad row" : " bad rows");
}

int runImport(ArgumentReader& arguments) {
  DataSetOptions dataSet;
  records::ImportOptions options;
  const auto rest = readCommandArguments(arguments, [&] {
    if (!arguments.flag("--skip-bad")) return readDataSetOption(arguments, dataSet);
    options.skipBad = true;
    return true;
  });
  const apprt::FileDeclaration* file = rest.size() == 2 ? dataFileNamed(rest[0]) : nullptr;
  if (!arguments.failed() && !file) {
    arguments.fail("name the data file and the CSV to import: FESK1|FESK2 PATH");
  }
  if (arguments.failed()) return usageMistake(kCommand, arguments.error());

  const std::string& path = rest[1];
  std::ifstream csvFile;
  if (path != "-") {
    csvFile.open(path, std::ios::binary);
    if (!csvFile) return commandFailure(kCommand, "cannot read " + path);
  }
  std::string why;
  if (!useDataSet(dataSet, why)) return commandFailure(kCommand, why);
  bindDataFiles(dataSetDriver());

  const InterruptionGuard interruption;
  std::optional<ProgressLine> progress(std::in_place, "Importing " + path, "rows");
  options.progress = [&](std::uint64_t rows) {
    progress->show(rows);
    return !InterruptionGuard::interrupted();
  };
  const auto outcome = records::importCsv(*file, path == "-" ? std::cin : csvFile, options);
  progress.reset();

  for (const auto& bad : outcome.bad) std::cerr << "line " << bad.line << ": " << bad.why << "\n";
  if (outcome.stopped) {
    commandFailure(kCommand, "interrupted; nothing was stored");
    return kInterruptedStatus;
  }
  if (!outcome.why.empty()) return commandFailure(kCommand, outcome.why + "; nothing was stored");
  if (!outcome.stored) {
    return commandFailure(kCommand, rowsText(outcome.bad.size()) +
                                        ", so nothing was stored (--skip-bad stores the others)");
  }
  std::cout << "Added " << outcome.added << " records to " << file->fileName();
  if (!outcome.bad.empty()) std::cout << "; skipped " << rowsText(outcome.bad.size());
  std::cout << ".\n";
  return 0;
}

}  // namespace

const Command kImportCommand{
    "import",
    "  fesk import FESK1|FESK2 PATH [--skip-bad]\n"
    "                     adds the records of the CSV at PATH (- for standard input) in one\n"
    "                     transaction; a bad row stores nothing unless --skip-bad is given\n",
    runImport};

}  // namespace fesk
