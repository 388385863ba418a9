// fesk copy --from DATA --to DATA [--replace]: one data set into another.
#include "app/command_support.h"
#include "app/data_set_copy_run.h"
#include "app/record_commands.h"

namespace fesk {
namespace {

constexpr std::string_view kCommand = "copy";

int runCopy(ArgumentReader& arguments) {
  std::optional<std::string> from;
  std::optional<std::string> to;
  bool replace = false;
  const auto rest = readCommandArguments(arguments, [&] {
    if (!arguments.flag("--replace")) {
      return arguments.option("--from", from) || arguments.option("--to", to);
    }
    replace = true;
    return true;
  });
  if (!arguments.failed() && !rest.empty()) arguments.fail("unexpected argument " + rest[0]);
  if (!arguments.failed() && (!from || !to)) arguments.fail("name both --from and --to");
  if (arguments.failed()) return usageMistake(kCommand, arguments.error());

  return runDataSetCopy(kCommand, {.from = *from, .to = *to, .replace = replace});
}

}  // namespace

const Command kCopyCommand{
    "copy",
    "  fesk copy --from DATA --to DATA [--replace]\n"
    "                     copies FESK1 and FESK2 of one data set into another in one\n"
    "                     transaction; DATA is a data directory or a PostgreSQL connection\n"
    "                     string; a target that holds records needs --replace\n",
    runCopy};

}  // namespace fesk
