// The records commands on large files, run as the fesk program itself (its
// path is the first argument) on the benchmark files (bench_files.h): the
// data directory holding FESK1 (100,001 parents) and FESK2 (1,000,000
// children), and CSV files of FESK1 rows made once beside them.
//
// Prints
//   backup_seconds=, sqlite_backup_seconds= and backup_1M_vs_sqlite_backup=:
//     `fesk backup` of that data directory over sqlite3's .backup of the same
//     two files, medians of 3 wall times (goal: at most 3);
//   import_peak_kb_10k=, import_peak_kb_1M= and import_rss_ratio_1M_vs_10k=:
//     the peak memory of `fesk import` of 1,000,000 rows into an empty data
//     directory over that of 10,000 rows (goal: at most 1.5);
//   export_seconds=, sqlite_export_seconds=, export_peak_kb_1M= and
//   export_1M_vs_sqlite3=: `fesk export` of 1,000,000 FESK1 records (the data
//     directory of prepareProgramDataSet1M) over the sqlite3 shell writing the
//     same CSV (a SELECT in code order in its CSV mode), medians of 3 wall
//     times (goal: at most 1.5);
//   import_seconds=, sqlite_import_seconds= and import_1M_vs_sqlite3=: `fesk
//     import` of 1,000,000 FESK1 rows into an empty data directory over the
//     sqlite3 shell's .import of the same rows, in one transaction, into an
//     empty table with the same columns and unique key, medians of 3 wall
//     times (goal: at most 1.5).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench_files.h"

namespace {

namespace fs = std::filesystem;

struct Run {
  bool ok = false;
  double seconds = 0;
  long peakKilobytes = 0;
};

// Runs the program with `arguments` (its output thrown away) in a process of
// its own, from this small one, so that the peak memory is the program's own.
Run runProgram(const std::vector<std::string>& arguments) {
  // What this process has printed goes out once, not again from the child.
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr)) {
      _exit(126);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return {WIFEXITED(status) && WEXITSTATUS(status) == 0, took.count(), usage.ru_maxrss};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A fresh, empty directory under `parent`.
fs::path emptyDirectory(const fs::path& parent, const std::string& name) {
  fs::path directory = parent / name;
  fs::remove_all(directory);
  fs::create_directories(directory);
  return directory;
}

// A CSV of `rows` FESK1 rows with codes in scrambled order, made once.
fs::path csvOf(const fs::path& data, int rows) {
  fs::path path = data / ("import" + std::to_string(rows) + ".csv");
  if (fs::exists(path)) return path;
  const fs::path partial = path.string() + ".partial";
  {
    std::ofstream out(partial, std::ios::binary);
    out << "CODE,NAME\n";
    // 7919 is prime and divides no power of ten: every code comes once.
    for (long i = 0; i < rows; ++i) {
      const long number = i * 7919 % rows;
      out << fesk::bench::codeOf(static_cast<int>(number)) << ','
          << fesk::bench::nameOf(static_cast<int>(i), rows) << '\n';
    }
  }
  fs::rename(partial, path);
  return path;
}

bool measureBackup(const std::string& fesk, const fs::path& data) {
  std::vector<double> fesks;
  std::vector<double> sqlites;
  for (int round = 0; round < 3; ++round) {
    const fs::path target = emptyDirectory(data, "backup-run") / "backup";
    const Run run = runProgram({fesk, "backup", target.string(), "--data-dir=" + data.string()});
    if (!run.ok) return false;
    fesks.push_back(run.seconds);
    const fs::path copies = emptyDirectory(data, "backup-run");
    double seconds = 0;
    for (const char* file : {"FESK1.sqlite", "FESK2.sqlite"}) {
      const Run copy = runProgram(
          {"/usr/bin/sqlite3", (data / file).string(), ".backup " + (copies / file).string()});
      if (!copy.ok) return false;
      seconds += copy.seconds;
    }
    sqlites.push_back(seconds);
  }
  fs::remove_all(data / "backup-run");
  std::printf("backup_seconds=%.3f\nsqlite_backup_seconds=%.3f\n", median(fesks), median(sqlites));
  std::printf("backup_1M_vs_sqlite_backup=%.2f\n", median(fesks) / median(sqlites));
  return true;
}

long importPeak(const std::string& fesk, const fs::path& data, const fs::path& csv) {
  const fs::path target = emptyDirectory(data, "import-run");
  const Run run =
      runProgram({fesk, "import", "FESK1", csv.string(), "--data-dir=" + target.string()});
  fs::remove_all(target);
  return run.ok ? run.peakKilobytes : -1;
}

bool measureImport(const std::string& fesk, const fs::path& data) {
  const long small = importPeak(fesk, data, csvOf(data, fesk::bench::k10k));
  const long large = importPeak(fesk, data, csvOf(data, fesk::bench::k1M));
  if (small <= 0 || large <= 0) return false;
  std::printf("import_peak_kb_10k=%ld\nimport_peak_kb_1M=%ld\n", small, large);
  std::printf("import_rss_ratio_1M_vs_10k=%.2f\n",
              static_cast<double>(large) / static_cast<double>(small));
  return true;
}

long linesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
}

// What a run of the shell on a database does, its commands given in order.
Run runSqlite(const fs::path& database, const std::vector<std::string>& commands) {
  std::vector<std::string> arguments{"/usr/bin/sqlite3", database.string()};
  arguments.insert(arguments.end(), commands.begin(), commands.end());
  return runProgram(arguments);
}

void printSeconds(const char* name, const std::vector<double>& fesks,
                  const std::vector<double>& sqlites) {
  std::printf("%s_seconds=%.3f\nsqlite_%s_seconds=%.3f\n", name, median(fesks), name,
              median(sqlites));
  std::printf("%s_1M_vs_sqlite3=%.2f\n", name, median(fesks) / median(sqlites));
}

bool measureExport(const std::string& fesk, const fs::path& data, const fs::path& dataSet) {
  const fs::path ours = data / "export-fesk.csv";
  const fs::path theirs = data / "export-sqlite.csv";
  std::vector<double> fesks;
  std::vector<double> sqlites;
  long peak = 0;
  for (int round = 0; round < 3; ++round) {
    const Run run = runProgram(
        {fesk, "export", "FESK1", "--output=" + ours.string(), "--data-dir=" + dataSet.string()});
    const Run shell = runSqlite(dataSet / "FESK1.sqlite",
                                {".headers on", ".mode csv", ".output " + theirs.string(),
                                 "SELECT CODE, NAME FROM FESK1 ORDER BY CODE"});
    if (!run.ok || !shell.ok) return false;
    fesks.push_back(run.seconds);
    sqlites.push_back(shell.seconds);
    peak = std::max(peak, run.peakKilobytes);
  }
  // Both wrote the same rows, or the figure compares different work (the
  // shell quotes more values than need it, so the bytes differ).
  const bool same = linesOf(ours) == linesOf(theirs);
  fs::remove(ours);
  fs::remove(theirs);
  if (!same) {
    std::fprintf(stderr, "fesk export and the sqlite3 shell wrote different CSV\n");
    return false;
  }
  printSeconds("export", fesks, sqlites);
  std::printf("export_peak_kb_1M=%ld\n", peak);
  return true;
}

bool measureImportTime(const std::string& fesk, const fs::path& data) {
  const fs::path csv = csvOf(data, fesk::bench::k1M);
  std::vector<double> fesks;
  std::vector<double> sqlites;
  for (int round = 0; round < 3; ++round) {
    const fs::path target = emptyDirectory(data, "import-run");
    const Run run =
        runProgram({fesk, "import", "FESK1", csv.string(), "--data-dir=" + target.string()});
    const Run shell = runSqlite(
        target / "shell.sqlite",
        {"CREATE TABLE FESK1 (CODE TEXT COLLATE NOCASE NOT NULL, NAME TEXT COLLATE NOCASE NOT "
         "NULL); CREATE UNIQUE INDEX FESK1_CODE ON FESK1 (CODE); BEGIN",
         ".import --csv --skip 1 " + csv.string() + " FESK1", "COMMIT"});
    fs::remove_all(target);
    if (!run.ok || !shell.ok) return false;
    fesks.push_back(run.seconds);
    sqlites.push_back(shell.seconds);
  }
  printSeconds("import", fesks, sqlites);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bulk_bench PATH-OF-FESK\n");
    return 2;
  }
  // The files are made (once) by a process of their own, so that this one
  // stays small.
  const pid_t maker = fork();
  if (maker == 0) {
    fesk::bench::prepareFiles();
    fesk::bench::prepareProgramDataSet1M();
    _exit(0);
  }
  int status = 0;
  waitpid(maker, &status, 0);
  const char* directory = std::getenv("FESK_BENCH_DATA");
  const fs::path data = fs::absolute(directory ? directory : "bench-data");
  if (status != 0 || !measureBackup(argv[1], data) || !measureImport(argv[1], data) ||
      !measureExport(argv[1], data, data / "web-1M") || !measureImportTime(argv[1], data)) {
    std::fprintf(stderr, "a run of fesk failed\n");
    return 1;
  }
  return 0;
}
