// fesk backup DIR [--replace]: a consistent copy of the data set into DIR.
#include "app/commands/command_support.h"
#include "app/commands/data_set_copy_run.h"
#include "app/commands/record_commands.h"
#include "app/data_sets/data_set.h"

namespace fesk {
namespace {

constexpr std::string_view kCommand = "backup";

int runBackup(ArgumentReader& arguments) {
  DataSetOptions dataSet;
  bool replace = false;
  const auto rest = readCommandArguments(arguments, [&] {
    if (!arguments.flag("--replace")) return readDataSetOption(arguments, dataSet);
    replace = true;
    return true;
  });
  if (!arguments.failed() && rest.size() != 1) arguments.fail("name the backup directory");
  DataSetCopyRun run{.from = {}, .to = {}, .replace = replace, .takeTargetAlone = true};
  std::string why;
  if (!arguments.failed() && (!chooseDataSet(dataSet, run.from, why) ||
                              !chooseNamedDataSet(rest[0], std::nullopt, run.to, why))) {
    arguments.fail(why);
  }
  if (arguments.failed()) return usageMistake(kCommand, arguments.error());

  return runDataSetCopy(kCommand, run);
}

}  // namespace

const Command kBackupCommand{
    "backup",
    "  fesk backup DIR [--replace]\n"
    "                     writes a consistent copy of FESK1 and FESK2 into the data directory\n"
    "                     DIR while others keep working; a DIR holding records needs --replace\n",
    runBackup};

}  // namespace fesk
