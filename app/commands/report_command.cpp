#include "app/commands/report_command.h"

#include "app/commands/command_support.h"
#include "app/data_sets/data_set.h"
#include "app/output/pdf_output.h"
#include "data/data_files.h"
#include "records/file_use.h"
#include "records/report_list.h"

namespace fesk {
namespace {

constexpr std::string_view kCommand = "report";

int runReport(ArgumentReader& arguments) {
  DataSetOptions dataSet;
  std::optional<std::string> pdf, orderWord;
  const auto rest = readCommandArguments(arguments, [&] {
    return readDataSetOption(arguments, dataSet) || arguments.option("--pdf", pdf) ||
           arguments.option("--order", orderWord);
  });
  std::optional<records::ListOrder> order = records::ListOrder::kCode;
  if (!arguments.failed() && !rest.empty()) arguments.fail("unknown argument " + rest.front());
  if (!arguments.failed() && !pdf) arguments.fail("the PDF file to write is missing (--pdf PATH)");
  if (!arguments.failed() && orderWord && !(order = records::listOrderNamed(*orderWord)))
    arguments.fail("--order is code or name, not " + *orderWord);
  if (arguments.failed()) return usageMistake(kCommand, arguments.error());

  std::string why;
  if (const int status = useDataSet(dataSet, DataSetUse::kRead, why); status != kDone) {
    return refuse(kCommand, status, why);
  }
  bindDataFiles(dataSetDriver());
  // Files that do not exist yet are printed as empty, as an export writes them.
  const records::FileUse fesk1(FESK1, apprt::kOpenReadOnly, records::WhenMissing::kLeaveMissing);
  if (!fesk1.failure().empty()) return commandFailure(kCommand, fesk1.failure());
  const records::FileUse fesk2(FESK2, apprt::kOpenReadOnly, records::WhenMissing::kLeaveMissing);
  if (!fesk2.failure().empty()) return commandFailure(kCommand, fesk2.failure());
  records::RecordListSource source(*order);
  try {
    writePdf(*pdf, records::recordListHeader(*order, dataSetName(), records::printDate()), source);
  } catch (const apprt::PrintError& e) {
    return commandFailure(kCommand, e.what());
  }
  return 0;
}

}  // namespace

const Command kReportCommand{
    "report",
    "  fesk report --pdf PATH [--order code|name]\n"
    "                     prints FESK1 (in code order unless told) with each record's\n"
    "                     FESK2 numbers under it, as a PDF file on the locale's paper\n",
    runReport, true};

}  // namespace fesk
