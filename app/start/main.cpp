// The whole fesk program (program_handover.h): runs a command (commands.h), or
// reads its options, picks the front-end and runs the application on it.

#include <iostream>
#include <string>

#include "app/commands/commands.h"
#include "app/commands/exit_status.h"
#include "app/data_sets/data_set.h"
#include "app/data_sets/data_set_at_startup.h"
#include "app/output/pdf_output.h"
#include "app/start/program_entry.h"
#include "app/start/program_options.h"
#include "app/start/program_start.h"
#ifdef FESK_WITH_WEB
#include "app/serving/serve_command.h"
#include "app/serving/web_serving.h"
#endif
#ifdef FESK_WITH_QT
#include "ui/qt/pdf_file.h"
#include "ui/qt/run.h"
#endif
#ifdef FESK_WITH_TUI
#include <unistd.h>

#include "ui/tui/run.h"
#endif

namespace {

// The front-end when none was asked for: the desktop where a display is
// available, else the terminal when the program runs in one.
std::string defaultFrontEnd([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
#ifdef FESK_WITH_TUI
  bool display = false;
#ifdef FESK_WITH_QT
  display = fesk::qt::missingDisplay(argc, argv).empty();
#endif
  if (!display && isatty(STDIN_FILENO)) return "tui";
#endif
  return "qt";
}

}  // namespace

int main(int argc, char** argv) {
#ifdef FESK_WITH_QT
  fesk::installPdfWriter(fesk::qt::writePdfFile);
#endif
#ifdef FESK_WITH_WEB
  fesk::installServeRunner(fesk::serveOnWeb);
#endif
  if (argc > 1) {
    if (const fesk::Command* command = fesk::findCommand(argv[1])) {
      return fesk::runCommand(*command, argc, argv);
    }
  }
  fesk::ProgramOptions options;
  fesk::ArgumentReader arguments({argv + 1, argv + argc});
  if (auto exitCode = fesk::readProgramOptions(
          arguments, options, [&] { return defaultFrontEnd(argc, argv); }, std::cout, std::cerr)) {
    return *exitCode;
  }

  if (const int status = fesk::chooseStartingDataSet(options); status != fesk::kDone) return status;
  if (options.ui == "headless") return fesk::runScriptedProgram(options);
  if (options.ui == "tui") {
#ifdef FESK_WITH_TUI
    return fesk::ProgramEntry(
        [](apprt::Procedure first) { return fesk::tui::run(std::move(first)); });
#else
    std::cerr << "fesk: this build has no terminal front-end (ncursesw was not found).\n";
    return 2;
#endif
  }
#ifdef FESK_WITH_QT
  return fesk::ProgramEntry([&](apprt::Procedure first) {
    return fesk::qt::run(argc, argv, std::move(first), {}, fesk::chosenDataSetName());
  });
#else
  std::cerr << "fesk: this build has no desktop front-end (Qt 6 was not found).\n"
               "Run a script without a screen: fesk --ui=headless --script FILE\n";
  return 2;
#endif
}
