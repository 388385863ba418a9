// Whole data sets moved to and from a server over a network, by the fesk
// program (its path is the first argument) and by the server's own tools: the
// server of FESK_BENCH_DATABASE reached through a relay that holds every chunk
// back by 5 ms each way (FESK_BENCH_ROUND_TRIP_US sets the round trip), with
// FESK1 of FESK_BENCH_BULK_RECORDS records (1,000,000) and FESK2 of a tenth as
// many, made afresh on the server itself in the schema "benchbulk".
//
// Prints wall times of one run each, and
//   pg_export_1M_vs_copy=     `fesk export` of FESK1 over psql's
//                             \copy (SELECT ... ORDER BY) TO of the same rows
//                             (goal: at most 1.5)
//   pg_backup_1M_vs_pg_dump=  `fesk backup` of both files over pg_dump -Fc of
//                             their schema (goal: at most 2)
//   pg_copy_in_1M_vs_copy=    `fesk copy` of that backup (a data directory)
//                             into a new schema over psql's \copy of both
//                             files' rows into the same tables (goal: at most 2)
// The names keep "1M" whatever the number of records.
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "bench/bench_server.h"
#include "data/data_files.h"
#include "drivers/postgres/pg_driver.h"
#include "runtime/files/errors.h"
#include "support/tcp_relay.h"

namespace {

namespace fs = std::filesystem;
using fesk::bench::benchServer;

const std::string kSource = "benchbulk";
const std::string kTarget = "benchbulkcopy";
// What fesk's index on FESK1's code holds, so that both sides read in its order.
const std::string kFoldedCode =
    "translate(code, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')";

int records() {
  const char* named = std::getenv("FESK_BENCH_BULK_RECORDS");
  return named ? std::stoi(named) : 1000000;
}

std::chrono::microseconds delayEachWay() {
  const char* named = std::getenv("FESK_BENCH_ROUND_TRIP_US");
  return std::chrono::microseconds(named ? std::stoll(named) / 2 : 5000);
}

// `text` between single quotes for the shell.
std::string quoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Seconds the shell command takes; throws when it fails.
double secondsOf(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  const int status = std::system((command + " >/dev/null").c_str());
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("failed: " + command);
  }
  return took.count();
}

// Runs `sql` on the server directly, not through the relay.
void runDirect(const std::string& sql) {
  secondsOf("psql -q -v ON_ERROR_STOP=1 " + quoted(benchServer()) +
            " -c 'SET client_min_messages = warning' -c " + quoted(sql));
}

// FESK1 and FESK2 made by fesk's driver in `schema` (dropped first), empty.
void makeFiles(const std::string& schema) {
  runDirect("DROP SCHEMA IF EXISTS " + schema + " CASCADE");
  fesk::postgres::PgDriver driver(benchServer(), schema);
  fesk::FESK1.bindDriver(driver);
  fesk::FESK2.bindDriver(driver);
  fesk::FESK1.create();
  if (apprt::ERRCODE() == 0) fesk::FESK2.create();
  if (apprt::ERRCODE() != 0) throw std::runtime_error("cannot make the files of " + schema);
}

void prepareSource(int count) {
  makeFiles(kSource);
  runDirect("INSERT INTO " + kSource +
            ".fesk1 (code, name) SELECT 'P' || lpad(n::text, 8, '0'), 'name ' || n "
            "FROM generate_series(0, " +
            std::to_string(count - 1) + ") n; INSERT INTO " + kSource +
            ".fesk2 (code, number) SELECT 'P' || lpad((n * 10)::text, 8, '0'), n::text "
            "FROM generate_series(0, " +
            std::to_string(count / 10 - 1) + ") n");
  // Outside the transaction of the statements before.
  runDirect("VACUUM ANALYZE " + kSource + ".fesk1, " + kSource + ".fesk2");
}

void print(const char* name, double fesk, double tool) {
  std::printf("# %s: fesk %.2f s, the tool %.2f s\n%s=%.2f\n", name, fesk, tool, name, fesk / tool);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pg_bulk_bench PATH-OF-FESK\n");
    return 2;
  }
  const std::string fesk = quoted(fs::absolute(argv[1]).string());
  char pattern[] = "/tmp/fesk-bulk-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path work = pattern;
  try {
    prepareSource(records());
    fesk::test::TcpRelay relay(fesk::test::serverSocket(benchServer()));
    relay.setDelay(delayEachWay());
    const std::string remote = quoted(relay.address() + " user=fesk dbname=postgres");
    const std::string psql = "psql -q -v ON_ERROR_STOP=1 " + remote;
    const auto at = [&](const char* name) { return quoted((work / name).string()); };

    print("pg_export_1M_vs_copy",
          secondsOf(fesk + " export FESK1 --database " + remote + " --schema " + kSource +
                    " --output " + at("fesk1.csv")),
          secondsOf(psql + " -c " +
                    quoted("\\copy (SELECT code, name FROM " + kSource + ".fesk1 ORDER BY " +
                           kFoldedCode + ") TO " + at("psql1.csv") + " CSV HEADER")));

    print("pg_backup_1M_vs_pg_dump",
          secondsOf(fesk + " backup " + at("backup") + " --database " + remote + " --schema " +
                    kSource),
          secondsOf("pg_dump -Fc -n " + kSource + " -f " + at("dump") + " -d " + remote));

    secondsOf(psql + " -c " +
              quoted("\\copy (SELECT code, number FROM " + kSource + ".fesk2 ORDER BY id) TO " +
                     at("psql2.csv") + " CSV HEADER"));
    runDirect("DROP SCHEMA IF EXISTS " + kTarget + " CASCADE");
    const double copied = secondsOf(fesk + " copy --from " + at("backup") + " --to " + remote +
                                    " --schema " + kTarget);
    runDirect("TRUNCATE " + kTarget + ".fesk2, " + kTarget + ".fesk1");
    const double copiedByTool =
        secondsOf(psql + " -c " +
                  quoted("\\copy " + kTarget + ".fesk1 (code, name) FROM " + at("psql1.csv") +
                         " CSV HEADER") +
                  " -c " +
                  quoted("\\copy " + kTarget + ".fesk2 (code, number) FROM " + at("psql2.csv") +
                         " CSV HEADER"));
    print("pg_copy_in_1M_vs_copy", copied, copiedByTool);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "pg_bulk_bench: %s\n", failure.what());
    fs::remove_all(work);
    return 1;
  }
  fs::remove_all(work);
  return 0;
}
