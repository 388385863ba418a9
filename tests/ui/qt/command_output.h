#pragma once
// What a command of the system prints, for tests that read files back with
// the tools people read them with (pdftotext, pdfinfo).

#include <string>

namespace fesk::qt::test {

// The command's standard output; `status` gets its exit status (-1 when it
// did not exit).
std::string commandOutput(const std::string& command, int* status = nullptr);

}  // namespace fesk::qt::test
