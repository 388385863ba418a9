// fesk copy --from DATA --to DATA [--replace]: one data set into another.
#include "app/commands/command_support.h"
#include "app/commands/data_set_copy_run.h"
#include "app/commands/record_commands.h"

namespace fesk {
namespace {

constexpr std::string_view kCommand = "copy";

int runCopy(ArgumentReader& arguments) {
  std::optional<std::string> from;
  std::optional<std::string> to;
  std::optional<std::string> schema;
  bool replace = false;
  const auto rest = readCommandArguments(arguments, [&] {
    if (!arguments.flag("--replace")) {
      return arguments.option("--from", from) || arguments.option("--to", to) ||
             arguments.option("--schema", schema);
    }
    replace = true;
    return true;
  });
  if (!arguments.failed() && !rest.empty()) arguments.fail("unexpected argument " + rest[0]);
  if (!arguments.failed() && (!from || !to)) arguments.fail("name both --from and --to");
  DataSetCopyRun run{.from = {}, .to = {}, .replace = replace};
  std::string why;
  if (!arguments.failed() && (!chooseNamedDataSet(*from, schema, run.from, why) ||
                              !chooseNamedDataSet(*to, schema, run.to, why))) {
    arguments.fail(why);
  }
  if (arguments.failed()) return usageMistake(kCommand, arguments.error());

  return runDataSetCopy(kCommand, run);
}

}  // namespace

const Command kCopyCommand{
    "copy",
    "  fesk copy --from DATA --to DATA [--schema NAME] [--replace]\n"
    "                     copies FESK1 and FESK2 of one data set into another in one\n"
    "                     transaction; DATA is a data directory or a PostgreSQL connection\n"
    "                     string (its data set in schema NAME, default fesk); a target\n"
    "                     that holds records needs --replace\n",
    runCopy};

}  // namespace fesk
