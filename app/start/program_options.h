#pragma once
// The options of a run of the program on a front-end: `fesk [OPTIONS]`.

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "app/commands/argument_reader.h"
#include "app/data_sets/data_set.h"

namespace fesk {

struct ProgramOptions {
  DataSetOptions dataSet;
  std::string ui;  // "qt", "tui" or "headless"
  std::optional<std::string> script;
};

// Reads the program's options. Answers an exit status when the program is not
// to run: 0 after --help or --version (said on `out`), kUsageError after a
// mistake (said on `err`). `defaultFrontEnd` picks the front-end when none
// was asked for.
std::optional<int> readProgramOptions(ArgumentReader& arguments, ProgramOptions& options,
                                      const std::function<std::string()>& defaultFrontEnd,
                                      std::ostream& out, std::ostream& err);

// The whole usage text: the program's options and every command's.
std::string usageText();

}  // namespace fesk
