// Several stations on one data set, on the server or in SQLite files, each a
// process of its own: while one station keeps re-coding records, three others
// page through the browse and change names in place. Every page (paged to, or
// read again around a changed row) shows each record once, in order, and
// every change lands on the record whose row it was typed into.

#include <libpq-fe.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "acceptance_support.h"
#include "data/data_files.h"

namespace fesk::test {
namespace {

using headless::Session;

constexpr int kRecords = 45;  // three pages: every move crosses pages being read
constexpr int kEditors = 3;
constexpr int kPagesPerEditor = 200;  // 600 pages in all
constexpr int kCodeEdit = 201;
constexpr int kNameEdit = 202;

// Each record's name starts with a mark of its own ("M0042") that only the
// record itself may carry: an editor types the mark it sees in the row it
// edits, so a change that lands on another record leaves one mark twice.
std::string markOf(const std::string& name) {
  return name.substr(0, name.find('#'));
}

// Runs `station` in a child process; what it answers comes back through `out`.
template <class Station>
pid_t startStation(int out, Station station) {
  const pid_t child = fork();
  if (child != 0) return child;
  alarm(300);  // a station that hangs ends instead of the test run
  // Whatever happens, the station ends here: an exception that reached the
  // test framework would have it run the rest of the suite beside the parent.
  std::string report;
  try {
    report = station();
  } catch (const std::exception& e) {
    report = std::string("a station stopped: ") + e.what() + "\n";
  }
  const bool told = write(out, report.data(), report.size()) == static_cast<ssize_t>(report.size());
  _exit(told ? 0 : 1);
}

std::string readAll(int in) {
  std::string all;
  char buffer[4096];
  for (ssize_t n; (n = read(in, buffer, sizeof buffer)) > 0;) all.append(buffer, n);
  return all;
}

// The re-coding station: gives records new codes as fast as the store takes
// them, so that records keep moving from page to page. `store` gives a record
// (`id`) a new code (a code another record has is refused: the next one goes on).
template <class Store>
[[noreturn]] void recodeForever(Store store) {
  alarm(300);
  std::mt19937 random(7);
  for (;;) {
    const std::string code =
        numbered('C', static_cast<int>(random() % static_cast<unsigned>(3 * kRecords)), 4);
    store(code, std::to_string(1 + random() % kRecords));
    usleep(100);
  }
}

[[noreturn]] void recodeOnTheServer(const std::string& conninfo, const std::string& schema) {
  PGconn* session = PQconnectdb(conninfo.c_str());
  const std::string sql = "UPDATE \"" + schema + "\".fesk1 SET code = $1 WHERE id = $2";
  recodeForever([&](const std::string& code, const std::string& id) {
    const char* values[] = {code.c_str(), id.c_str()};
    PQclear(PQexecParams(session, sql.c_str(), 2, nullptr, values, nullptr, nullptr, 0));
  });
}

// As another program would, waiting for the stations' reads of a page.
[[noreturn]] void recodeInTheFile(const std::filesystem::path& database) {
  sqlite3* db = nullptr;
  sqlite3_open(database.c_str(), &db);
  sqlite3_busy_timeout(db, 10000);
  sqlite3_stmt* update = nullptr;
  sqlite3_prepare_v2(db, "UPDATE FESK1 SET CODE = ?1 WHERE id = ?2", -1, &update, nullptr);
  recodeForever([&](const std::string& code, const std::string& id) {
    sqlite3_bind_text(update, 1, code.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(update, 2, id.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(update);
    sqlite3_reset(update);
  });
}

// What a list page shows wrongly: a record twice, or rows out of code order.
std::string pageFault(const Records& rows) {
  std::set<std::string> marks;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!marks.insert(markOf(rows[i].second)).second) return "a record twice";
    if (i > 0 && !(rows[i - 1].first < rows[i].first)) return "rows out of order";
  }
  return "";
}

class StationsPaging : public AcceptanceTest, public ::testing::WithParamInterface<Store> {
 protected:
  StationsPaging() : AcceptanceTest(GetParam()) {}
  void SetUp() override {
    AcceptanceTest::SetUp();
    // The program's first start binds the files once: to this data set.
    bindDataFiles(dataSet_.driver());
    Records records;
    for (int i = 0; i < kRecords; ++i)
      records.emplace_back(numbered('C', 3 * i, 4), numbered('M', i, 4));
    seed(records);
  }

  // One editing station: pages down (from the top again at the end), and on
  // each page changes the name of one row to its mark and a tag of its own.
  // Answers a line per faulty page ("page ...") and per saved change ("saved TAG").
  std::string edit(int station) {
    std::ostringstream report;
    std::mt19937 random(station);
    runProgram([&](Session& user) {
      user.menu("&fesk");
      for (int page = 0; page < kPagesPerEditor; ++page) {
        const Records before = rowsOf(user.current(), 1);
        user.key("PgDn");
        user.key("PgDn");  // from the last row of the page to the next page
        if (rowsOf(user.current(), 1) == before) user.key("Ctrl+PgUp");
        const Records rows = rowsOf(user.current(), 1);
        if (const std::string fault = pageFault(rows); !fault.empty()) {
          report << "page " << page << ": " << fault << "\n";
        }
        if (rows.empty()) continue;
        const int row = 1 + static_cast<int>(random() % rows.size());
        const std::size_t boxes = user.frontEnd().messageBoxes().size();
        user.row(row);
        user.key("Enter");
        if (user.current().focus != kCodeEdit) continue;  // no longer available: told so
        // The mark of the record the row now edits: the list follows the
        // other stations, so the row clicked may show another record than
        // the page read a moment before did.
        const std::string tag = markOf(control(user.current(), kNameEdit).text) + "#" +
                                std::to_string(station) + "-" + std::to_string(page);
        user.key("Tab");
        user.type(tag);
        user.key("Ctrl+Enter");
        if (user.current().title == "Record Changed by Another Station") {
          // Changed by another station meanwhile: told so, asked which
          // version goes on; the editor takes theirs and leaves the row.
          user.key("Alt+T");
          user.answer(apprt::kButtonNo);
          user.key("Esc");
        } else if (user.current().focus == kCodeEdit || user.current().focus == kNameEdit) {
          // Changed by another station meanwhile: told so, and the row is left.
          user.answer(apprt::kButtonNo);
          user.key("Esc");
        } else if (user.frontEnd().messageBoxes().size() == boxes) {
          report << "saved " << tag << "\n";
        }
        // The page read again around the row.
        if (const std::string fault = pageFault(rowsOf(user.current(), 1)); !fault.empty()) {
          report << "page " << page << " after the change: " << fault << "\n";
        }
      }
    });
    return report.str();
  }
};

TEST_P(StationsPaging, PagesShowEachRecordOnceAndChangesLandOnTheRecordShown) {
  const pid_t recoder = fork();
  if (recoder == 0) {
    if (GetParam() == Store::kPostgres) recodeOnTheServer(dataSet_.conninfo(), dataSet_.schema());
    recodeInTheFile(dataSet_.directory() / "FESK1.sqlite");
  }
  int pipeEnds[2];  // made after the re-coder, which would hold it open
  ASSERT_EQ(pipe(pipeEnds), 0);
  std::vector<pid_t> editors;
  for (int s = 1; s <= kEditors; ++s) {
    editors.push_back(startStation(pipeEnds[1], [this, s] { return edit(s); }));
  }
  close(pipeEnds[1]);
  const std::string reports = readAll(pipeEnds[0]);
  close(pipeEnds[0]);
  for (pid_t editor : editors) {
    int status = 0;
    waitpid(editor, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "an editor ended badly";
  }
  kill(recoder, SIGKILL);
  waitpid(recoder, nullptr, 0);

  std::istringstream lines(reports);
  std::set<std::string> saved;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("saved ")) {
      saved.insert(line.substr(6));
    } else {
      ADD_FAILURE() << line;
    }
  }
  EXPECT_GT(saved.size(), 30u) << "the editors changed records";
  // Every record still carries its own mark, once; a name with a tag carries
  // one an editor saved.
  // A re-code that the killed re-coder had sent may still be carried out by
  // the server, and one landing during a read moves a record past it: the
  // records are looked at once two reads agree.
  Records stored = storedFesk1();
  for (int reading = 0; reading < 100; ++reading) {
    Records again = storedFesk1();
    if (again == stored) break;
    stored = std::move(again);
  }
  std::map<std::string, int> marks;
  int recoded = 0;
  for (const auto& [code, name] : stored) {
    ++marks[markOf(name)];
    recoded += std::stoi(code.substr(1)) != 3 * std::stoi(markOf(name).substr(1));
    if (name != markOf(name)) {
      EXPECT_TRUE(saved.contains(name)) << name << " was never saved";
    }
  }
  EXPECT_GT(recoded, kRecords / 3) << "the re-coder moved records meanwhile";
  EXPECT_EQ(marks.size(), static_cast<std::size_t>(kRecords));
  for (const auto& [mark, count] : marks) EXPECT_EQ(count, 1) << mark;
}

INSTANTIATE_TEST_SUITE_P(Stores, StationsPaging,
                         ::testing::Values(Store::kPostgres, Store::kSqlite), storeName);

}  // namespace
}  // namespace fesk::test
