#pragma once
// What the commands share: reading their arguments, and saying what went
// wrong as "fesk COMMAND: why".

#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/argument_reader.h"
#include "runtime/files/file_declaration.h"

namespace fesk {

// Reads the arguments: each option through `readOption` (true when it took
// one), every other argument into the answer; an unknown option is a mistake.
std::vector<std::string> readCommandArguments(ArgumentReader& arguments,
                                              const std::function<bool()>& readOption);

// Says a mistake in the command line; answers kUsageError.
int usageMistake(std::string_view command, const std::string& why);
// Says why the work failed; answers kCommandFailed.
int commandFailure(std::string_view command, const std::string& why);
// Says why the command cannot run; answers `status` (exit_status.h).
int refuse(std::string_view command, int status, const std::string& why);

// Opens the file at `path` to be read; false, with the reason in `why` (the
// system's, or that it is a directory), when it cannot be read.
bool openToRead(const std::string& path, std::ifstream& stream, std::string& why);

// The data file named FESK1 or FESK2 (any letter case), or null.
const apprt::FileDeclaration* dataFileNamed(std::string_view name);

}  // namespace fesk
