#pragma once
// What the commands share: reading their arguments, and saying what went
// wrong as "fesk COMMAND: why".

#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/commands/argument_reader.h"
#include "app/data_sets/data_set.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/replaced_file.h"

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

// Makes the data set `options` choose this process's for `use` and binds the
// data files to its driver: kDone, or the exit status of the refusal, said.
int useDataFiles(std::string_view command, const DataSetOptions& options, DataSetUse use);

// The file at `path` to be written in place of what is there once it is
// whole (none when `path` is none: standard output then); false, with the
// reason in `why`, when it cannot be.
bool openOutput(const std::optional<std::string>& path, std::optional<apprt::ReplacedFile>& file,
                std::string& why);

// Opens the file at `path` to be read; false, with the reason in `why` (the
// system's, or that it is a directory), when it cannot be read.
bool openToRead(const std::string& path, std::ifstream& stream, std::string& why);

// The data file named FESK1 or FESK2 (any letter case), or null.
const apprt::FileDeclaration* dataFileNamed(std::string_view name);

}  // namespace fesk
