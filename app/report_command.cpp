#include "app/report_command.h"

#include <iostream>

#include "app/data_set.h"
#include "app/pdf_output.h"
#include "data/data_files.h"
#include "records/report_list.h"
#include "runtime/errors.h"
#include "warnings/saved_error.h"

namespace fesk {

namespace {

int failed(const std::string& why) {
  std::cerr << "fesk report: " << why << "\n";
  return 1;
}

// Opens a data file for reading; the reason in `why` when it cannot be.
bool openForReading(const apprt::FileDeclaration& file, std::string_view label, std::string& why) {
  file.open(apprt::kOpenReadOnly);
  if (apprt::ERRCODE() == apprt::kNoError) return true;
  why = std::string(label) + " cannot be opened: " + TakeErrorDescription().text;
  return false;
}

}  // namespace

int runReportCommand(ArgumentReader& arguments) {
  DataSetOptions dataSet;
  std::optional<std::string> pdf, orderWord;
  while (!arguments.atEnd()) {
    if (readDataSetOption(arguments, dataSet) || arguments.option("--pdf", pdf) ||
        arguments.option("--order", orderWord)) {
      continue;
    }
    arguments.fail("unknown argument " + arguments.current());
  }
  std::optional<ListOrder> order = ListOrder::kCode;
  if (!arguments.failed() && !pdf) arguments.fail("the PDF file to write is missing (--pdf PATH)");
  if (!arguments.failed() && orderWord && !(order = listOrderNamed(*orderWord)))
    arguments.fail("--order is code or name, not " + *orderWord);
  if (arguments.failed()) {
    std::cerr << "fesk report: " << arguments.error() << "\n(fesk --help lists the options)\n";
    return kUsageError;
  }

  std::string why;
  if (!useDataSet(dataSet, why)) return failed(why);
  bindDataFiles(dataSetDriver());
  if (!openForReading(FESK1, kFesk1Label, why)) return failed(why);
  if (!openForReading(FESK2, kFesk2Label, why)) {
    FESK1.close();
    return failed(why);
  }
  int status = 0;
  RecordListSource source(*order);
  try {
    writePdf(*pdf, recordListHeader(*order, dataSetName(), printDate()), source);
  } catch (const apprt::PrintError& e) {
    status = failed(e.what());
  }
  FESK2.close();
  FESK1.close();
  return status;
}

}  // namespace fesk
