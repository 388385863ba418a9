// fesk restore DIR [--yes]: puts a backup back, replacing the data set's records.
#include <iostream>

#include "app/commands/command_support.h"
#include "app/commands/data_set_copy_run.h"
#include "app/commands/record_commands.h"
#include "app/data_sets/data_set.h"

namespace fesk {
namespace {

constexpr std::string_view kCommand = "restore";

bool userAgrees(const std::string& question) {
  std::cerr << question << " [y/N] " << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  return answer == "y" || answer == "Y" || answer == "yes";
}

int runRestore(ArgumentReader& arguments) {
  DataSetOptions dataSet;
  bool yes = false;
  const auto rest = readCommandArguments(arguments, [&] {
    if (!arguments.flag("--yes")) return readDataSetOption(arguments, dataSet);
    yes = true;
    return true;
  });
  if (!arguments.failed() && rest.size() != 1) arguments.fail("name the backup directory");
  DataSetCopyRun run{.from = {}, .to = {}, .replace = true, .confirm = nullptr};
  std::string why;
  if (!arguments.failed() && (!chooseNamedDataSet(rest[0], std::nullopt, run.from, why) ||
                              !chooseDataSet(dataSet, run.to, why))) {
    arguments.fail(why);
  }
  if (arguments.failed()) return usageMistake(kCommand, arguments.error());

  // The data set is taken alone before the question: no other fesk may have
  // its files open while they are replaced, nor open them until that is done.
  run.confirm = [&](const NamedDataSet& backup, const NamedDataSet& target) {
    return yes || userAgrees("Replace every record in " + target.choice.name +
                             " with those of the backup " + backup.choice.name + "?");
  };
  return runDataSetCopy(kCommand, run);
}

}  // namespace

const Command kRestoreCommand{
    "restore",
    "  fesk restore DIR [--yes]\n"
    "                     replaces the records of the data set with those of the backup in DIR,\n"
    "                     after asking (--yes does not ask), when no other fesk uses the data\n",
    runRestore};

}  // namespace fesk
