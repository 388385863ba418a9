#include "app/commands/command_support.h"

#include <cerrno>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "app/commands/exit_status.h"
#include "data/data_files.h"
#include "runtime/text/ascii_case.h"

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
  return refuse(command, kCommandFailed, why);
}

int refuse(std::string_view command, int status, const std::string& why) {
  std::cerr << "fesk " << command << ": " << why << "\n";
  return status;
}

int useDataFiles(std::string_view command, const DataSetOptions& options, DataSetUse use) {
  std::string why;
  if (const int status = useDataSet(options, use, why); status != kDone) {
    return refuse(command, status, why);
  }
  bindDataFiles(dataSetDriver());
  return kDone;
}

bool openOutput(const std::optional<std::string>& path, std::optional<apprt::ReplacedFile>& file,
                std::string& why) {
  if (!path) return true;
  file.emplace(*path);
  return file->open(why);
}

bool openToRead(const std::string& path, std::ifstream& stream, std::string& why) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    why = "cannot read " + path + ": it is a directory, not a file";
    return false;
  }
  errno = 0;
  stream.open(path, std::ios::binary);
  if (stream.is_open()) return true;
  why = "cannot read " + path + ": " + std::generic_category().message(errno ? errno : EIO);
  return false;
}

const apprt::FileDeclaration* dataFileNamed(std::string_view name) {
  for (const apprt::FileDeclaration* file : {static_cast<const apprt::FileDeclaration*>(&FESK1),
                                             static_cast<const apprt::FileDeclaration*>(&FESK2)}) {
    if (apprt::sameIgnoringAsciiCase(name, file->fileName())) return file;
  }
  return nullptr;
}

}  // namespace fesk
