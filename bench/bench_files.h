#pragma once
// The benchmark files, shared by every benchmark: BENCH10K with 10,000 records
// and BENCH1M with 1,000,000, unique codes C000000000, C000000001, ... They are
// made once in the data directory given by FESK_BENCH_DATA and kept between
// runs.

#include <string>

#include "runtime/file_declaration.h"

namespace fesk::bench {

struct BenchRecord {
  apprt::FixedString<20> CODE;
  apprt::FixedString<20> NAME;
};

extern apprt::File<BenchRecord> BENCH10K;
extern apprt::File<BenchRecord> BENCH1M;

// The code of record `number`.
std::string codeOf(int number);

// Sets the data directory, binds both files to the SQLite driver and makes
// them when missing (one transaction, one prepared insert each). Once.
void prepareFiles();

}  // namespace fesk::bench
