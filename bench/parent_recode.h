#pragma once
// Giving a FESK1 record a new code through the program's own write routine,
// as the cascade benchmarks of both drivers measure it.
#include <string>

namespace fesk::bench {

// Reads the FESK1 record coded `from` and writes it back coded `to` (its
// FESK2 records follow in the same transaction); false when either fails.
bool recodeParent(const std::string& from, const std::string& to);

}  // namespace fesk::bench
