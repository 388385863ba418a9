#include "app/commands/check_command.h"

#include <iostream>

#include "app/commands/command_support.h"
#include "app/commands/exit_status.h"
#include "app/data_sets/data_set.h"
#include "data/data_files.h"
#include "data/orphans.h"
#include "records/file_failure.h"
#include "records/file_use.h"

namespace fesk {
namespace {

constexpr std::string_view kCommand = "check";

std::string quotedValue(const apprt::FixedString<20>& field) {
  return "\"" + field.text() + "\"";
}

int runCheck(ArgumentReader& arguments) {
  DataSetOptions dataSet;
  const auto rest =
      readCommandArguments(arguments, [&] { return readDataSetOption(arguments, dataSet); });
  if (!arguments.failed() && !rest.empty()) arguments.fail("unknown argument " + rest.front());
  if (arguments.failed()) return usageMistake(kCommand, arguments.error());

  if (const int status = useDataFiles(kCommand, dataSet, DataSetUse::kRead); status != kDone) {
    return status;
  }
  const records::FileUse fesk1(FESK1, apprt::kOpenSharedReadOnly,
                               records::WhenMissing::kLeaveMissing);
  if (!fesk1.failure().empty()) return commandFailure(kCommand, fesk1.failure());
  const records::FileUse fesk2(FESK2, apprt::kOpenSharedReadOnly,
                               records::WhenMissing::kLeaveMissing);
  if (!fesk2.failure().empty()) return commandFailure(kCommand, fesk2.failure());
  if (fesk2.missing()) {
    std::cout << "Every FESK2 record has its FESK1 record.\n";
    return kDone;
  }

  std::uint64_t orphans = 0;
  const bool read = ForEachOrphanFesk2(!fesk1.missing(), [&](const Fesk2Record& record) {
    if (orphans++ == 0) std::cout << "FESK2 records without their FESK1 record:\n";
    std::cout << "  CODE " << quotedValue(record.CODE) << ", NUMBER " << quotedValue(record.NUMBER)
              << "\n";
  });
  if (!read) return commandFailure(kCommand, records::fileFailure("read", FESK2));
  if (orphans == 0) {
    std::cout << "Every FESK2 record has its FESK1 record.\n";
    return kDone;
  }
  std::cout << orphans << (orphans == 1 ? " record" : " records")
            << " of FESK2 belong to no FESK1 record, and no list shows them. Nothing was "
               "changed: add an FESK1 record with such a code, and its form shows them, to "
               "be kept or deleted.\n";
  return kCommandFailed;
}

}  // namespace

const Command kCheckCommand{
    "check",
    "  fesk check         names the FESK2 records that belong to no FESK1 record (which no\n"
    "                     list shows); changes nothing, and exits with 1 when there are any\n",
    runCheck};

}  // namespace fesk
