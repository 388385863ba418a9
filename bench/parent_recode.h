#pragma once
// Giving a FESK1 record a new code through the program's own write routine,
// as the cascade benchmarks of both drivers measure it.
#include <string>

namespace fesk::bench {

// Reads the FESK1 record coded `code` into the buffer, as a user finds the
// record before changing it; false when it is not there.
bool findParent(const std::string& code);
// Writes the record found back coded `to` (its FESK2 records follow in the
// same transaction); false when that fails.
bool recodeFound(const std::string& to);
// Both of them: the record coded `from` recoded `to`.
bool recodeParent(const std::string& from, const std::string& to);

}  // namespace fesk::bench
