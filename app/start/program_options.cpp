#include "app/start/program_options.h"

#include <filesystem>
#include <sstream>

#include "app/commands/commands.h"
#include "app/commands/exit_status.h"

namespace fesk {
namespace {

constexpr std::string_view kProgramUsage =
    "usage: fesk [--data-dir DIR | --database CONNINFO [--schema NAME]]\n"
    "            [--ui=qt | --ui=tui | --ui=headless --script FILE]\n"
    "       fesk COMMAND [ARGUMENTS]\n"
    "  --ui=qt            the desktop front-end (the default where a display is available)\n"
    "  --ui=tui           the terminal front-end (the default in a terminal without a display)\n"
    "  --ui=headless      no screen: runs the gestures of --script FILE, prints a transcript\n"
    "  --script FILE      the script for --ui=headless\n"
    "  --help             this text\n"
    "  --version          the version of fesk\n";

bool isQtOption(std::string_view argument) {
  return argument.starts_with("-platform") || argument.starts_with("-style");
}

// Why the options cannot run the program, or nothing.
std::string mistakeIn(const ProgramOptions& options) {
  if (options.ui != "qt" && options.ui != "tui" && options.ui != "headless") {
    return "unknown front-end --ui=" + options.ui + " (qt, tui or headless)";
  }
  if (options.ui == "headless" && !options.script) return "--ui=headless needs --script FILE";
  std::error_code error;
  if (options.script && std::filesystem::is_directory(*options.script, error)) {
    return "the script " + *options.script + " is a directory, not a file of gestures";
  }
  return {};
}

// "  2    The command line..." wrapped as the other usage lines are.
std::string exitStatusLines(const ExitStatus& status) {
  constexpr std::size_t kWidth = 90;
  const std::string indent(7, ' ');
  std::string number = std::to_string(status.status);
  std::string lines = "  " + number + std::string(indent.size() - 2 - number.size(), ' ');
  std::size_t lineLength = indent.size();
  std::istringstream words{std::string(status.meaning)};
  bool first = true;
  for (std::string word; words >> word; first = false) {
    if (!first && lineLength + 1 + word.size() > kWidth) {
      lines += "\n" + indent;
      lineLength = indent.size();
    } else if (!first) {
      lines += ' ';
      ++lineLength;
    }
    lines += word;
    lineLength += word.size();
  }
  return lines + "\n";
}

}  // namespace

std::string usageText() {
  std::string usage(kProgramUsage);
  usage += dataSetUsage();
  if (!commands().empty()) usage += "commands:\n";
  for (const Command& command : commands()) usage += command.usage;
  usage += "exit status:\n";
  for (const ExitStatus& status : kExitStatuses) usage += exitStatusLines(status);
  return usage;
}

std::optional<int> readProgramOptions(ArgumentReader& arguments, ProgramOptions& options,
                                      const std::function<std::string()>& defaultFrontEnd,
                                      std::ostream& out, std::ostream& err) {
  std::optional<std::string> ui;
  while (!arguments.atEnd()) {
    if (arguments.flag("--help") || arguments.flag("-h")) {
      out << usageText();
      return 0;
    }
    if (arguments.flag("--version")) {
      out << "fesk " << FESK_VERSION << "\n";
      return 0;
    }
    if (readDataSetOption(arguments, options.dataSet) || arguments.option("--ui", ui) ||
        arguments.option("--script", options.script)) {
      continue;
    }
    if (isQtOption(arguments.current())) {
      // Qt's own options ("-platform offscreen") are read by Qt from argv.
      arguments.take();
      if (!arguments.atEnd()) arguments.take();
      continue;
    }
    arguments.fail("unknown option " + arguments.current());
  }
  if (!arguments.failed()) {
    options.ui = ui ? *ui : options.script ? "headless" : defaultFrontEnd();
    if (std::string why = mistakeIn(options); !why.empty()) arguments.fail(why);
  }
  if (arguments.failed()) {
    err << "fesk: " << arguments.error() << "\n(fesk --help lists the options)\n";
    return kUsageError;
  }
  return std::nullopt;
}

}  // namespace fesk
