// fesk import FILE PATH [--skip-bad]: adds the records of a CSV, all or none.
#include <fstream>
#include <iostream>

#include "app/commands/command_support.h"
#include "app/commands/interruption.h"
#include "app/commands/progress_line.h"
#include "app/commands/record_commands.h"
#include "app/data_sets/data_set.h"
#include "data/data_files.h"
#include "records/counted.h"
#include "records/csv_import.h"
#include "records/csv_reader.h"

namespace fesk {
namespace {

constexpr std::string_view kCommand = "import";

std::uint64_t linesOf(const records::BadRow& bad) {
  return bad.lastLine - bad.line + 1;
}

// "1 bad row", or "1 bad row (8 lines)" when rows span several lines, so that
// the summary tells how much of the file was left out.
std::string badRowsText(const std::vector<records::BadRow>& bad) {
  std::uint64_t lines = 0;
  for (const auto& row : bad) lines += linesOf(row);
  std::string text = records::counted(bad.size(), "bad row");
  if (lines != bad.size()) text += " (" + records::counted(lines, "line") + ")";
  return text;
}

void listBadRows(const std::vector<records::BadRow>& bad) {
  for (const auto& row : bad) {
    if (linesOf(row) == 1) {
      std::cerr << "line " << row.line;
    } else {
      std::cerr << "lines " << row.line << "-" << row.lastLine;
    }
    std::cerr << ": " << row.why << "\n";
  }
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
  std::string why;
  if (path != "-" && !openToRead(path, csvFile, why)) return commandFailure(kCommand, why);
  if (const int status = useDataSet(dataSet, DataSetUse::kWrite, why); status != kDone) {
    return refuse(kCommand, status, why);
  }
  bindDataFiles(dataSetDriver());

  const InterruptionGuard interruption;
  std::optional<ProgressLine> progress(std::in_place, "Importing " + path, "rows");
  options.progress = [&](std::uint64_t rows) {
    progress->show(rows);
    return !InterruptionGuard::interrupted();
  };
  const auto outcome = records::importCsv(*file, path == "-" ? std::cin : csvFile, options);
  progress.reset();

  listBadRows(outcome.bad);
  if (outcome.stopped) {
    commandFailure(kCommand, "interrupted; nothing was stored");
    return kInterruptedStatus;
  }
  if (!outcome.why.empty()) return commandFailure(kCommand, outcome.why + "; nothing was stored");
  if (!outcome.stored) {
    return commandFailure(kCommand, badRowsText(outcome.bad) +
                                        ", so nothing was stored (--skip-bad stores the others)");
  }
  std::cout << "Added " << records::counted(outcome.added, "record") << " to " << file->fileName();
  // A comma is what a CSV has unless said otherwise; any other is named.
  if (outcome.separator != ',') {
    std::cout << " (values separated by " << records::separatorName(outcome.separator) << ")";
  }
  if (!outcome.bad.empty()) std::cout << "; skipped " << badRowsText(outcome.bad);
  // Said too, so that every line of the file is accounted for.
  if (outcome.emptyLines > 0) {
    std::cout << "; passed over " << records::counted(outcome.emptyLines, "empty line");
  }
  std::cout << ".\n";
  return outcome.bad.empty() ? kDone : kCommandFailed;
}

}  // namespace

const Command kImportCommand{
    "import",
    "  fesk import FESK1|FESK2 PATH [--skip-bad]\n"
    "                     adds the records of the CSV at PATH (- for standard input) in one\n"
    "                     transaction; a bad row stores nothing unless --skip-bad is given\n"
    "                     (which stores the good rows and still ends with status 1)\n",
    runImport};

}  // namespace fesk
