#pragma once
// The benchmark files, made once in the data directory given by
// FESK_BENCH_DATA and kept between runs. They hold what a file that people
// filled over years holds: records stored in scrambled order (so the rows of
// a page lie far apart in the table), names in mixed case with accents, one
// name shared by half the records, and one parent with a tenth of the
// children.
//
//   BENCH10K, BENCH1M  codes C000000000, ... (unique key) and names (key with
//                      duplicates), 10,000 and 1,000,000 records
//   CHILD10K, FESK2    the program's FESK2 layout: 10,000 and 1,000,000
//                      children, kBigParent owning 1,000 and 100,000 of them
//   FESK1              the parents of FESK2's children
//   BENCH10M           as BENCH1M with 10,000,000 records, codes stored in code
//                      order (made only by prepareTenMillionFile: some 3 GB)
//
// Record identities follow the order of insertion: the record stored i-th
// (from 0) has identity i + 1, and its fields are those that index i gives.

#include <string>

#include "data/data_files.h"
#include "runtime/files/driver.h"
#include "runtime/files/file_declaration.h"

namespace fesk::bench {

struct BenchRecord {
  apprt::FixedString<20> CODE;
  apprt::FixedString<20> NAME;
};

extern apprt::File<BenchRecord> BENCH10K;
extern apprt::File<BenchRecord> BENCH1M;
extern apprt::File<BenchRecord> BENCH10M;
extern apprt::File<Fesk2Record> CHILD10K;

inline constexpr int k10k = 10000;
inline constexpr int k1M = 1000000;
inline constexpr int k10M = 10000000;

// Half the records, every other one stored, have this name.
inline const std::string kSharedName = "Nguyễn Văn An";
// The parent that owns every tenth child stored.
inline const std::string kBigParent = "A1";

// The code of record number `number` in code order.
std::string codeOf(int number);
// The name of the record stored `index`-th in a file of `count` records.
std::string nameOf(int index, int count);
// Identity of the record stored `index`-th.
inline apprt::RecordIdentity identityOf(int index) {
  return index + 1;
}
// A position that names the record with `identity` in file order.
std::string filePositionOf(apprt::RecordIdentity identity);

// Sets the data directory, binds every file to the SQLite driver and makes
// the files that are missing or out of date. Once.
void prepareFiles();
// The same for BENCH10M, which only the benchmarks that need it make.
void prepareTenMillionFile();
// A data directory for the program itself, FESK_BENCH_DATA/web-1M: its FESK1
// holds BENCH1M's records (codes scrambled, the shared name), its FESK2 none.
// Answers the directory.
std::string prepareProgramDataSet1M();

}  // namespace fesk::bench
