// The fesk program: reads its options, picks the front-end and runs the
// application on it.

#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "app/program_entry.h"
#include "runtime/data_directory.h"
#include "ui/headless/script_runner.h"
#ifdef FESK_WITH_QT
#include "ui/qt/run.h"
#endif
#ifdef FESK_WITH_TUI
#include <unistd.h>

#include "ui/tui/run.h"
#endif

namespace {

constexpr std::string_view kUsage =
    "usage: fesk [--data-dir DIR] [--ui=qt | --ui=tui | --ui=headless --script FILE]\n"
    "  --data-dir DIR     where the data files FESK1 and FESK2 live (created when missing)\n"
    "  --ui=qt            the desktop front-end (the default where a display is available)\n"
    "  --ui=tui           the terminal front-end (the default in a terminal without a display)\n"
    "  --ui=headless      no screen: runs the gestures of --script FILE, prints a transcript\n"
    "  --script FILE      the script for --ui=headless\n"
    "  --help             this text\n";

struct Options {
  std::string ui;
  std::optional<std::string> script;
  std::optional<std::string> dataDir;
};

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

// Answers the options, or an exit code when the program is not to run.
std::optional<int> parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    auto value = [&](std::string_view name) -> std::optional<std::string> {
      if (a.starts_with(std::string(name) + "=")) return std::string(a.substr(name.size() + 1));
      if (a == name && i + 1 < argc) return std::string(argv[++i]);
      return std::nullopt;
    };
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (auto v = value("--ui")) {
      o.ui = *v;
    } else if (auto v = value("--script")) {
      o.script = *v;
    } else if (auto v = value("--data-dir")) {
      o.dataDir = *v;
    } else if (a.starts_with("-platform") || a.starts_with("-style")) {
      ++i;  // Qt's own options, passed on to it
    } else {
      std::cerr << "fesk: unknown option " << a << "\n" << kUsage;
      return 2;
    }
  }
  if (o.ui.empty()) o.ui = o.script ? "headless" : defaultFrontEnd(argc, argv);
  if (o.ui != "qt" && o.ui != "tui" && o.ui != "headless") {
    std::cerr << "fesk: unknown front-end --ui=" << o.ui << " (qt, tui or headless)\n";
    return 2;
  }
  if (o.ui == "headless" && !o.script) {
    std::cerr << "fesk: --ui=headless needs --script FILE\n";
    return 2;
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (auto exitCode = parse(argc, argv, options)) return *exitCode;

  std::string why;
  if (!apprt::setDataDirectory(options.dataDir ? std::filesystem::path(*options.dataDir)
                                               : apprt::dataDirectory(),
                               &why)) {
    std::cerr << "fesk: " << why << "\n";
    return 2;
  }

  if (options.ui == "headless") {
    std::ifstream script(*options.script);
    if (!script) {
      std::cerr << "fesk: cannot read the script " << *options.script << "\n";
      return 2;
    }
    return fesk::ProgramEntry([&](apprt::Procedure first) {
      return fesk::headless::runScript(script, std::move(first), std::cout);
    });
  }
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
  return fesk::ProgramEntry(
      [&](apprt::Procedure first) { return fesk::qt::run(argc, argv, std::move(first)); });
#else
  std::cerr << "fesk: this build has no desktop front-end (Qt 6 was not found).\n"
               "Run a script without a screen: fesk --ui=headless --script FILE\n";
  return 2;
#endif
}
