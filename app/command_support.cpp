#include "app/command_support.h"

#include <algorithm>
#include <cctype>
#include <iostream>

#include "data/data_files.h"

namespace fesk {

std::vector<std::string> readCommandArguments(ArgumentReader& arguments,
                                              const std::function<bool()>& readOption) {
  std::vector<std::string> rest;
  while (!arguments.atEnd()) {
    if (readOption()) continue;
    if (arguments.current().starts_with("--")) {
      arguments.fail("unknown option " + arguments.current());
    } else {
      rest.push_back(arguments.take());
    }
  }
  return rest;
}

int usageMistake(std::string_view command, const std::string& why) {
  std::cerr << "fesk " << command << ": " << why << "\n(fesk --help lists the commands)\n";
  return kUsageError;
}

int commandFailure(std::string_view command, const std::string& why) {
  std::cerr << "fesk " << command << ": " << why << "\n";
  return kCommandFailed;
}

const apprt::FileDeclaration* dataFileNamed(std::string_view name) {
  for (const apprt::FileDeclaration* file : {static_cast<const apprt::FileDeclaration*>(&FESK1),
                                             static_cast<const apprt::FileDeclaration*>(&FESK2)}) {
    const std::string& fileName = file->fileName();
    if (name.size() == fileName.size() &&
        std::equal(name.begin(), name.end(), fileName.begin(),
                   [](char a, char b) { return std::toupper(a) == std::toupper(b); })) {
      return file;
    }
  }
  return nullptr;
}

}  // namespace fesk
