#include "bench/bench_files.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

#include "drivers/sqlite/sqlite_driver.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/files/data_directory.h"
#include "runtime/files/file_position.h"
#include "runtime/files/record_layout.h"

namespace fesk::bench {

apprt::File<BenchRecord> BENCH10K("BENCH10K", {{"BEN:CODE", 20}, {"BEN:NAME", 20}},
                                  {{"BEN:KEYCODE", 6, {1}, "BEN:Keycode"},
                                   {"BEN:KEYNAME", 5, {2}, "BEN:Keyname"}});
apprt::File<BenchRecord> BENCH1M("BENCH1M", {{"BEN:CODE", 20}, {"BEN:NAME", 20}},
                                 {{"BEN:KEYCODE", 6, {1}, "BEN:Keycode"},
                                  {"BEN:KEYNAME", 5, {2}, "BEN:Keyname"}});
apprt::File<BenchRecord> BENCH10M("BENCH10M", {{"BEN:CODE", 20}, {"BEN:NAME", 20}},
                                  {{"BEN:KEYCODE", 6, {1}, "BEN:Keycode"},
                                   {"BEN:KEYNAME", 5, {2}, "BEN:Keyname"}});
apprt::File<Fesk2Record> CHILD10K("CHILD10K", {{"CHI:CODE", 20}, {"CHI:NUMBER", 20}},
                                  {{"CHI:KEYCODE", 5, {1}, "CHI:Keycode"}});

namespace {

// Raised whenever the files' contents or their layout change, so that older
// files are made anew.
constexpr int kDataVersion = 4;

using Row = std::array<std::string, 2>;

int storedVersion(const std::string& path, const std::string& table, int count) {
  sqlite3* db = nullptr;
  int version = -1;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    fesk::sqlite::Statement stored(db, "SELECT max(id) FROM \"" + table + "\"");
    fesk::sqlite::Statement pragma(db, "PRAGMA user_version");
    if (stored.prepared() && stored.step() == SQLITE_ROW && stored.columnInt(0) == count &&
        pragma.prepared() && pragma.step() == SQLITE_ROW) {
      version = static_cast<int>(pragma.columnInt(0));
    }
  }
  sqlite3_close(db);
  return version;
}

// Creates the file with the driver (table and indexes as the program makes
// them) and stores rowOf(0), rowOf(1), ... in that order. With
// `keysAfterRecords` the indexes are made once the records are stored (by
// sorting them, not by inserting each record in them: minutes instead of
// hours at ten million records).
void makeFile(const apprt::FileDeclaration& file, int count,
              const std::function<Row(int index)>& rowOf, bool keysAfterRecords = false) {
  const auto path = fesk::sqlite::defaultDriver().pathOf(file).string();
  if (storedVersion(path, file.fileName(), count) == kDataVersion) return;
  std::fprintf(stderr, "making %s (%d records)...\n", file.fileName().c_str(), count);
  file.create();
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  // A cache that holds the indexes being built, or random inserts crawl.
  sqlite3_exec(db, "PRAGMA cache_size = -512000; BEGIN", nullptr, nullptr, nullptr);
  if (keysAfterRecords) {
    for (const auto& index : fesk::sqlite::objectNames(db, "index", file.fileName())) {
      sqlite3_exec(db, ("DROP INDEX " + fesk::sqlite::quotedName(index)).c_str(), nullptr, nullptr,
                   nullptr);
    }
  }
  {
    std::string columns;
    for (const auto& field : file.fields()) {
      columns += (columns.empty() ? "" : ", ") + std::string(apprt::unprefixedName(field.name));
    }
    fesk::sqlite::Statement insert(
        db, "INSERT INTO \"" + file.fileName() + "\" (" + columns + ") VALUES (?1, ?2)");
    for (int i = 0; i < count; ++i) {
      const Row row = rowOf(i);
      insert.bindText(1, row[0]);
      insert.bindText(2, row[1]);
      insert.step();
      insert.reset();
    }
  }
  if (keysAfterRecords) {
    sqlite3_exec(db, fesk::sqlite::createIndexesSql(file).c_str(), nullptr, nullptr, nullptr);
  }
  sqlite3_exec(db, ("COMMIT; PRAGMA user_version = " + std::to_string(kDataVersion)).c_str(),
               nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

// 0 .. count-1 in an order that looks random and is the same at every run.
std::vector<int> scrambled(int count) {
  std::vector<int> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), std::mt19937(20240917));
  return order;
}

std::string numbered(const char* format, int number) {
  char text[24];
  std::snprintf(text, sizeof text, format, number);
  return text;
}

// At most `limit` bytes of `text`, cut between characters.
std::string fitted(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut);
}

// A number that looks random, the same for the same index at every run.
std::uint64_t mixed(int index) {
  std::uint64_t z = static_cast<std::uint64_t>(index) + 0x9E3779B97F4A7C15u;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

// Parents of the children that are not the big parent's: ten children each.
std::string smallParentOf(int index, int count) {
  return numbered("B%06d", static_cast<int>(mixed(index) % static_cast<unsigned>(count / 10)));
}

// The data directory of the benchmark files: FESK_BENCH_DATA, or bench-data.
std::string benchDataDirectory() {
  const char* directory = std::getenv("FESK_BENCH_DATA");
  return directory ? directory : "bench-data";
}

void useBenchDataDirectory() {
  apprt::setDataDirectory(benchDataDirectory());
}

// The records of a file of `count` records: codes stored scrambled, every
// other name the shared one.
void makeScrambledFile(const apprt::FileDeclaration& file, int count) {
  std::vector<int> codes;
  makeFile(file, count, [&codes, count](int i) {
    if (codes.empty()) codes = scrambled(count);
    return Row{codeOf(codes[i]), nameOf(i, count)};
  });
}

}  // namespace

std::string codeOf(int number) {
  return numbered("C%09d", number);
}

std::string nameOf(int index, int count) {
  if (index % 2 == 0) return kSharedName;
  static const char* const surnames[] = {
      "Åberg",     "Çelik",    "Dvořák",   "Østergaard", "Núñez",    "Öztürk",  "Łuczak",
      "müller",    "GARCÍA",   "van Dijk", "de la Cruz", "Ibáñez",   "Lefèvre", "Smith",
      "jones",     "Ólafsson", "Żak",      "ŠIMEK",      "Grönholm", "Nowak",   "Björk",
      "Fernández", "o'Neill",  "Ünal",     "Ćosić",      "MacLeod",  "Dupré",   "Kovács"};
  static const char* const givenNames[] = {"Émile",  "anna",  "Jörg",  "Zoë",   "José",
                                           "Łukasz", "SØREN", "Inès",  "Ágnes", "Chloé",
                                           "Mårten", "Pál",   "yusuf", "Ève",   "Ólöf"};
  const std::uint64_t pick = mixed(index + count);
  const auto surname = surnames[pick % std::size(surnames)];
  const auto given = givenNames[(pick / 32) % std::size(givenNames)];
  const char initial = static_cast<char>(((pick / 512) % 2 ? 'A' : 'a') + (pick / 1024) % 26);
  return fitted(std::string(surname) + " " + given + " " + initial + ".", 20);
}

std::string filePositionOf(apprt::RecordIdentity identity) {
  return apprt::encodePosition(apprt::Position{.fields = {}, .identity = identity, .values = {}});
}

void prepareFiles() {
  static bool prepared = false;
  if (prepared) return;
  useBenchDataDirectory();
  apprt::Driver& driver = fesk::sqlite::defaultDriver();
  BENCH10K.bindDriver(driver);
  BENCH1M.bindDriver(driver);
  CHILD10K.bindDriver(driver);
  bindDataFiles(driver);

  // The scrambled orders are worked out only for a file being made.
  makeScrambledFile(BENCH10K, k10k);
  makeScrambledFile(BENCH1M, k1M);
  for (auto [file, count] : {std::pair{&CHILD10K, k10k}, std::pair{&FESK2, k1M}}) {
    makeFile(*file, count, [count = count](int i) {
      return Row{i % 10 == 0 ? kBigParent : smallParentOf(i, count), numbered("N%07d", i)};
    });
  }
  // The parents of FESK2: the big one first, then every small one, scrambled.
  std::vector<int> parents;
  makeFile(FESK1, k1M / 10 + 1, [&parents](int i) {
    if (i == 0) return Row{kBigParent, nameOf(1, k1M)};
    if (parents.empty()) parents = scrambled(k1M / 10);
    return Row{numbered("B%06d", parents[i - 1]), nameOf(i, k1M)};
  });
  prepared = true;
}

std::string prepareProgramDataSet1M() {
  std::string directory = benchDataDirectory() + "/web-1M";
  std::filesystem::create_directories(directory);
  apprt::setDataDirectory(directory);
  bindDataFiles(fesk::sqlite::defaultDriver());
  makeScrambledFile(FESK1, k1M);
  makeFile(FESK2, 0, [](int) { return Row{}; });
  return directory;
}

void prepareTenMillionFile() {
  static bool prepared = false;
  if (prepared) return;
  useBenchDataDirectory();
  BENCH10M.bindDriver(fesk::sqlite::defaultDriver());
  makeFile(
      BENCH10M, k10M,
      [](int i) {
        return Row{codeOf(i), nameOf(i, k10M)};
      },
      true);
  prepared = true;
}

}  // namespace fesk::bench
